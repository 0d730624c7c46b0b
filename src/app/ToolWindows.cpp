#include "ToolWindows.h"

#include "DashBoardForm.h"
#include "DtcForm.h"
#include "IdleForm.h"
#include "IgnRetardForm.h"
#include "IgaForm.h"
#include "MainForm.h"
#include "ReloadForm.h"
#include "UserTuneForm.h"

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

// In-car dash screens: every opening makes a new window (it frees itself when closed).
void RegisterInCarDash(TfrmMain& main)
{
    auto windows = std::make_shared<std::vector<QPointer<TDashGaugeForm>>>();
    const auto prune = [windows] { std::erase_if(*windows, [](const auto& w) { return w.isNull(); }); };
    TfrmMain::TToolWindowHooks hooks;
    hooks.Open = [&main, windows, prune] {
        prune();
        if (TDashGaugeForm* form = OpenInCarDash(main.MakeHost()))
            windows->push_back(form);
    };
    hooks.Close = [windows] {
        for (const auto& w : *windows)
            if (w)
                w->close();
        for (const auto& w : *windows)
            delete w.data();
        windows->clear();
    };
    hooks.Destroy = hooks.Close;
    hooks.Window = [windows, prune]() -> QWidget* {
        prune();
        return windows->empty() ? nullptr : windows->back().data();
    };
    main.SetToolWindow(twDashboard, hooks);
}

// A window that lives for the whole program: created hidden now, shown by Open (maximised
// below the bar when asked), hidden by Close, freed by Destroy before the link goes.
template <class TForm>
void RegisterResident(TfrmMain& main, TToolWindow which, bool maximised)
{
    auto window = std::make_shared<QPointer<TForm>>(new TForm(main.MakeHost()));
    TfrmMain::TToolWindowHooks hooks;
    hooks.Open = [&main, window, maximised] {
        if (!*window)
            return;
        if (maximised)
            (*window)->setGeometry(main.ToolWindowArea());
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    };
    hooks.Close = [window] {
        if (*window)
            (*window)->hide();
    };
    hooks.Destroy = [window] { delete window->data(); };
    hooks.Window = [window]() -> QWidget* { return window->data(); };
    main.SetToolWindow(which, hooks);
}

// Road dyno: lives for the whole program, hidden until opened; saved runs can be worked on
// without an ECU.
void RegisterRoadDyno(TfrmMain& main)
{
    auto window = std::make_shared<QPointer<TfrmIGA>>(new TfrmIGA(main.MakeHost()));
    TfrmMain::TToolWindowHooks hooks;
    hooks.Open = [&main, window] {
        if (!*window)
            return;
        if (!(*window)->isVisible())
            (*window)->setGeometry(main.ToolWindowArea());
        (*window)->show();
        (*window)->raise();
    };
    hooks.Close = [window] {
        if (*window)
            (*window)->hide();  // ends a running test
    };
    hooks.Destroy = [window] { delete window->data(); };
    hooks.Window = [window]() -> QWidget* { return window->data(); };
    hooks.Timeout = [window] {
        if (*window)
            (*window)->LinkTimeout();
    };
    main.SetToolWindow(twRoadDyno, hooks);
}

}  // namespace

void RegisterToolWindows(TfrmMain& main)
{
    RegisterLiveData(main);
    RegisterInCarDash(main);
    // In the order they are created at start.
    RegisterResident<TfrmDTC>(main, twTroubleCodes, true);
    RegisterResident<TfrmIdle>(main, twIdleSpeeds, false);
    RegisterResident<TfrmIgnRetard>(main, twIgnitionRetard, false);
    RegisterResident<TfrmUserTune>(main, twLiveTuning, false);
    RegisterRoadDyno(main);
}
