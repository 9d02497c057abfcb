// Keeping the display awake while the player plays.

#include "app/appdelegate.h"

#include "platform/powerassertion.h"
#include "platform/timers.h"

namespace sleevelight {

void AppDelegate::setScreenSleep()
{
    if (playerState() == PlayerState::playing && !sleepDisabled()) {
        disableScreenSleepWithReason(screenSleepReason);
        pauseDurationCounter = 0;
    }
    if (playerState() != PlayerState::playing && sleepDisabled()) {
        pauseDurationCounter += 1;
        if (pauseDurationCounter >= pauseDurationCounterMax) {
            enableScreenSleep();
            pauseDurationCounter = 0;
        }
    }
}

void AppDelegate::disableScreenSleepWithReason(const QString& reason)
{
    const bool created = powerAssertion && powerAssertion->create(reason, &assertionID);
    setSleepDisabled(created);
}

void AppDelegate::enableScreenSleep()
{
    if (powerAssertion)
        powerAssertion->release(assertionID);
    setSleepDisabled(false);
}

void AppDelegate::updatePreventSleepTimer()
{
    if (preventSleep()) {
        if (!preventSleepTimer())
            setPreventSleepTimer(
                Timers::schedule(this, preventSleepTimerInterval, true, [this] { setScreenSleep(); }));
        return;
    }
    if (QTimer* timer = preventSleepTimer()) {
        Timers::invalidate(timer);
        setPreventSleepTimer(nullptr);
    }
    if (sleepDisabled()) {
        enableScreenSleep();
        pauseDurationCounter = 0;
    }
}

} // namespace sleevelight
