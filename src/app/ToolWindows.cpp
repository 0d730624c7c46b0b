#include "ToolWindows.h"

#include "DashBoardForm.h"
#include "MainForm.h"

#include <QPointer>

namespace {

// Live data capture: created when opened, freed when closed.
void RegisterLiveData(TfrmMain& main)
{
    auto window = std::make_shared<QPointer<TfrmDashBoard>>();
    TfrmMain::TToolWindowHooks hooks;
    hooks.Open = [&main, window] {
        if (*window) {  // opens once: a second request only brings it forward
            (*window)->show();
            (*window)->raise();
            return;
        }
        *window = new TfrmDashBoard(main.MakeHost());
        (*window)->setGeometry(main.ToolWindowArea());
        (*window)->show();
    };
    hooks.Close = [window] {
        if (*window) {
            (*window)->close();  // stops polling and logging, saves its settings
            delete window->data();
        }
    };
    hooks.Window = [window]() -> QWidget* { return window->data(); };
    main.SetToolWindow(twLiveData, hooks);
}

}  // namespace

void RegisterToolWindows(TfrmMain& main)
{
    RegisterLiveData(main);
}
