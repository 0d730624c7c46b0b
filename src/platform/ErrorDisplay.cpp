#include "ErrorDisplay.h"

#include <QDebug>

namespace {
TErrorDisplay& Display()
{
    static TErrorDisplay display;
    return display;
}
} // namespace

void SetApplicationErrorDisplay(TErrorDisplay display) { Display() = std::move(display); }

void ShowApplicationError(const QString& message)
{
    if (Display())
        Display()(message);
    else
        qWarning().noquote() << message;
}
