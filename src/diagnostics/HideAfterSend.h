#pragma once

// Holds a window's hide until what it still sends has reached the ECU: the adjustment
// windows and live tuning hide only once the ECU has answered the user's last change, or
// the link's whole time-out has passed. The window keeps its own idea of what is unsent
// and of how to say that a change was not set; this keeps the waiting.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;
class TEcuInterface;

class THideAfterSend : public QObject {
  public:
    static constexpr int PollInterval = 10; // how often a held hide looks at the link
    // Past the link's own time-out, so that its time-out handling has run first.
    static constexpr int MarginMs = 250;

    // `step` runs at once when a hide is held, then every PollInterval until Finish. Meant
    // as a member of the window.
    THideAfterSend(QWidget* window, std::function<void()> step);

    // For the window's setVisible: true when a hide is to be held (and now is), because
    // `wanted` says something is unsent. A hide asked for while one is held is held too.
    bool Hold(bool visible, bool wanted);
    bool Waiting() const { return FWaiting; }
    // The link's whole time-out and the margin have passed since the hide was held.
    bool Expired(const TEcuInterface& link) const;
    // The wait ends: the window hides when `hide`, else it stays up.
    void Finish(bool hide);
    // The window was hidden some other way.
    void Stop();

  private:
    QWidget* FWindow;
    std::function<void()> FStep;
    QTimer FTimer;
    QElapsedTimer FClock;
    bool FWaiting = false;
    bool FHideNow = false;
};
