// The preferences: stored, working copy and live values.

#include "app/appdelegate.h"

void AppDelegate::getFromUserDefaults() {}

void AppDelegate::saveToUserDefaults() {}

void AppDelegate::setViewFromPrefValue() {}

void AppDelegate::changeViewFromPrefValueWithTimer(bool) {}

void AppDelegate::resetPreference(QObject*) {}
