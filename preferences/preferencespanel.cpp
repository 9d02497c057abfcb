// The preferences panel's handlers.

#include "app/appdelegate.h"

void AppDelegate::openPreference(QObject*) {}

void AppDelegate::selectPreferenceView(QObject*) {}

void AppDelegate::setPreferenceDone(QObject*) {}

void AppDelegate::closePreferences(QObject*) {}

void AppDelegate::closePreferencesObserver(QObject*) {}

void AppDelegate::namePopupSelectDone(QObject*) {}

void AppDelegate::albumPopupSelectDone(QObject*) {}

void AppDelegate::artistPopupSelectDone(QObject*) {}

void AppDelegate::radioButtonChanged(QObject*) {}

void AppDelegate::setButtonFromPrefValue() {}
