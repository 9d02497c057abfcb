// Which artwork is shown, and on which side.

#include "app/appdelegate.h"

void AppDelegate::getArtworkImage(bool) {}

void AppDelegate::getArtworkImageSize() {}

void AppDelegate::changeArtworkPosition(bool) {}

void AppDelegate::applyArtworkImageWithHolder() {}

void AppDelegate::applyVinylImage() {}

void AppDelegate::showNextArtworkImage(bool) {}

void AppDelegate::toggleArtworkImage() {}
