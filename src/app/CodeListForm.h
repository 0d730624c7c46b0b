#pragma once

// The trouble-code list window: a modal list of the non-OBD or the OBD trouble codes the
// program knows, with the count in its caption.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

class TfrmCodeList : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCodeList(QWidget* parent = nullptr);

    // Fill the list and caption; the Show... calls then run the window modally.
    void FillNonObdCodes();
    void FillObdCodes();
    void ShowNonObdCodes();
    void ShowObdCodes();

    QListWidget* lstCodes;
    QPushButton* btnOK;

private:
    void Fill(const QString& caption, const QStringList& lines);
};
