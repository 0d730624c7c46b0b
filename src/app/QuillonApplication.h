#pragma once

// The application object: catches whatever escapes an event handler in one place and
// hands it to the installed error handler (the main window's), so that no error ends the
// program unseen.

#include <QApplication>

#include <exception>
#include <functional>

class TQuillonApplication : public QApplication {
    Q_OBJECT
public:
    TQuillonApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    using TErrorHandler = std::function<void(std::exception_ptr)>;
    static void SetErrorHandler(TErrorHandler handler);
    // Shows an escaped error: through the handler when there is one, else as "Caught: ...".
    static void HandleError(std::exception_ptr error);
    // The message text of any error, for display.
    static QString ErrorText(std::exception_ptr error);
};
