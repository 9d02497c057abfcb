#pragma once

#include "display/displayfeature.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QtGlobal>

#include <memory>

class QTimer;

namespace sleevelight {

class ScreenPower;
class StandbyView;

// Care for a screen that is on all day: after standbyDelay minutes with nothing playing the
// display fades to a dim clock and the last track, or turns the screen itself off
// (standbyScreenOff) where the window system offers a way (a key or the pointer ends it, and does
// nothing else), and while something plays the whole display drifts a pixel a minute against
// burn-in.
class ScreenCare : public DisplayFeature
{
    Q_OBJECT

public:
    explicit ScreenCare(AppDelegate& app);
    ~ScreenCare() override;

    // The way the screen is turned off, in place of the window system's (tests).
    void setScreenPower(std::unique_ptr<ScreenPower> power);

    bool isInStandby() const;
    // Standby at once, as if the delay had passed (the remote's switch); nothing while playing.
    void standbyNow();

Q_SIGNALS:
    void standbyChanged();

public:
    // Standby ended this recently (by a key or the pointer): a gesture begun now only woke it.
    bool wokeWithin(qint64 ms) const { return m_woke.isValid() && m_woke.elapsed() < ms; }

    void livePreferencesChanged() override { update(); }
    // Standby ends and its delay starts again.
    bool userWasActive() override;

private:
    // Run again when the player's state or the preferences change.
    void update();
    void enterStandby();
    void leaveStandby();

    QTimer* m_standbyTimer = nullptr;
    StandbyView* m_standbyView = nullptr;
    QTimer* m_driftTimer = nullptr;
    qint64 m_driftStep = 0;
    QElapsedTimer m_woke;
    std::unique_ptr<ScreenPower> m_power;
    bool m_powerAsked = false;
    bool m_screenOff = false;
};

// Where the drift against burn-in has moved the composition after `step` steps (one a minute) on
// a display `height` pixels tall: within 8 pixels at 1080 lines, a pixel at a time.
QPoint driftOffset(qint64 step, int height);

} // namespace sleevelight
