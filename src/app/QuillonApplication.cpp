#include "QuillonApplication.h"

#include "Dialogs.h"
#include "Errors.h"

namespace {
TQuillonApplication::TErrorHandler& Handler()
{
    static TQuillonApplication::TErrorHandler handler;
    return handler;
}
} // namespace

TQuillonApplication::TQuillonApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQuillonApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleError(std::current_exception());
    }
    return false;
}

void TQuillonApplication::SetErrorHandler(TErrorHandler handler)
{
    Handler() = std::move(handler);
}

QString TQuillonApplication::ErrorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message;
    } catch (const ESerialPortError& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void TQuillonApplication::HandleError(std::exception_ptr error)
{
    if (Handler()) {
        Handler()(error);
        return;
    }
    Dialogs().Error(QStringLiteral("Caught: ") + ErrorText(error));
}
