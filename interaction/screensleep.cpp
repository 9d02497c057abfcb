// Keeping the display awake while the player plays.

#include "app/appdelegate.h"

void AppDelegate::setScreenSleep() {}

void AppDelegate::disableScreenSleepWithReason(const QString&) {}

void AppDelegate::enableScreenSleep() {}

void AppDelegate::updatePreventSleepTimer() {}
