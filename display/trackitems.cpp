// The look of the track text, the heart and the stars.

#include "app/appdelegate.h"

void AppDelegate::updateViewItems() {}

void AppDelegate::alignNumbersAndRatings() {}

void AppDelegate::applyTrackInfoWithAttribute(float) {}
