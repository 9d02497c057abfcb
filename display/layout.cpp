// Sizes and places the artwork, the record and the text stacks.

#include "app/appdelegate.h"

void AppDelegate::updateViewSizeAndConstraint() {}

void AppDelegate::updateViewPosition() {}

void AppDelegate::setWindowAspectRatioConstraints() {}
