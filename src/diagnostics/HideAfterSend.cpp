#include "HideAfterSend.h"

#include "EcuInterface.h"

#include <QWidget>

THideAfterSend::THideAfterSend(QWidget* window, std::function<void()> step)
    : FWindow(window), FStep(std::move(step))
{
    FTimer.setInterval(PollInterval);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        if (FWaiting) FStep();
    });
}

bool THideAfterSend::Hold(bool visible, bool wanted)
{
    if (visible || !FWindow->isVisible() || FHideNow) return false;
    if (FWaiting) return true;
    if (!wanted) return false;
    FWaiting = true;
    FClock.start();
    FStep();
    if (FWaiting) FTimer.start();
    return true;
}

bool THideAfterSend::Expired(const TEcuInterface& link) const
{
    return FClock.elapsed() > link.TimeoutMs() + MarginMs;
}

void THideAfterSend::Finish(bool hide)
{
    FTimer.stop();
    FWaiting = false;
    if (!hide) return;
    FHideNow = true;
    FWindow->hide();
    FHideNow = false;
}

void THideAfterSend::Stop()
{
    FTimer.stop();
    FWaiting = false;
}
