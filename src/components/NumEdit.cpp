#include "NumEdit.h"

#include "Sounds.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <algorithm>
#include <cmath>

TNumEdit::TNumEdit(double minimum, double maximum, QWidget* parent)
    : QLineEdit(parent), FMinimum(minimum), FMaximum(maximum)
{
    // Digits, one point and a sign; the range is checked on leaving, not while typing.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]*\\.?[0-9]*")), this));
    SetValue(minimum);
}

QString TNumEdit::FormatValue(double value)
{
    return QString::number(value, 'g', 10); // "." whatever the locale
}

void TNumEdit::SetValue(double value)
{
    FValue = value;
    const QString text = FormatValue(value);
    // Qt cuts text to the maximum length; the typing limit must not hide digits.
    setMaxLength(FMaxChars > 0 ? std::max<int>(FMaxChars, text.size()) : 32767);
    setText(text);
    setModified(false);
}

void TNumEdit::SetMaxChars(int n)
{
    FMaxChars = std::max(0, n);
    SetValue(FValue);
}

void TNumEdit::SetRange(double minimum, double maximum)
{
    FMinimum = minimum;
    FMaximum = maximum;
}

bool TNumEdit::CheckValue()
{
    bool ok = false;
    const double v = text().trimmed().toDouble(&ok); // C locale: "." only
    double shown = v;
    if (!ok || !std::isfinite(v))
        shown = std::clamp(FValue, FMinimum, FMaximum);
    else if (v < FMinimum)
        shown = FMinimum;
    else if (v > FMaximum)
        shown = FMaximum;
    if (!ok || shown != v) {
        SetValue(shown);
        (FSounds ? *FSounds : Sounds()).Beep();
        // Back into the box once the focus change that brought us here is over.
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return false;
    }
    const bool changed = v != FValue || isModified();
    FValue = v;
    setModified(false);
    if (changed) emit ValueAccepted();
    return true;
}

void TNumEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (FChecking || event->reason() == Qt::PopupFocusReason) return;
    FChecking = true;
    CheckValue();
    FChecking = false;
}

void TNumEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        CheckValue();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
