#pragma once

// A numeric edit box that takes decimals within a range. Leaving it (or pressing Enter)
// checks the value: a value outside the range becomes the nearer bound, a beep sounds, the
// box keeps the focus and ValueAccepted is not emitted, so the owner's change handler does
// not run on a value the user has not seen. Text that is no number goes back to the last
// accepted value the same way.

#include <QLineEdit>

class TSounds;

class TNumEdit : public QLineEdit {
    Q_OBJECT
  public:
    TNumEdit(double minimum, double maximum, QWidget* parent = nullptr);

    double Value() const { return FValue; }
    // Shows the value as given (not clamped: values from a file are shown as they are).
    void SetValue(double value);
    double Minimum() const { return FMinimum; }
    double Maximum() const { return FMaximum; }
    void SetRange(double minimum, double maximum);
    // At most n characters typed; a value set in code is shown whole (3.8995 in a box of 5).
    void SetMaxChars(int n);
    // Null: the program-wide sounds.
    void SetSounds(TSounds* sounds) { FSounds = sounds; }

    // Checks the text as leaving the box does. True when it was accepted (ValueAccepted
    // emitted when the value changed or the text was edited).
    bool CheckValue();

    static QString FormatValue(double value);

  signals:
    void ValueAccepted();

  protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    double FMinimum, FMaximum;
    double FValue = 0;
    TSounds* FSounds = nullptr;
    int FMaxChars = 0; // 0: no limit
    bool FChecking = false;
};
