// Keyboard commands, clicks and drags, the pointer, notices, the heart and the stars.

#include "app/appdelegate.h"

void AppDelegate::handleKeyDown(QKeyEvent*) {}

void AppDelegate::handleLeftMouse(QMouseEvent*) {}

void AppDelegate::handleMouseMoved(QMouseEvent*) {}

void AppDelegate::showAlertInfo(const QString&) {}

void AppDelegate::resetAlertInfo() {}

void AppDelegate::hideMouse() {}

void AppDelegate::clickTrackLoved(QObject*) {}

void AppDelegate::clickTrackRating(QObject*) {}

void AppDelegate::openHelp(QObject*) {}

void AppDelegate::openDonate(QObject*) {}
