// Sizes and places the artwork, the record and the text stacks.

#include "app/appdelegate.h"

#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/values.h"

#include <QLayout>
#include <QSlider>

#include <algorithm>

#include <cmath>

namespace sleevelight {

namespace {

void setFrameWidth(QWidget* view, double width)
{
    view->resize(int(std::lround(width)), view->height());
}

void setFrameHeight(QWidget* view, double height)
{
    view->resize(view->width(), int(std::lround(height)));
}

void setTextWidth(TextField* field, double width)
{
    field->setPreferredMaxLayoutWidth(width);
    setFrameWidth(field, width);
    // A field in a stack keeps that frame only until its stack arranges it again; make sure the
    // stack does, or a field whose width did not change would stay wider than its row.
    if (QWidget* parent = field->parentWidget(); parent != nullptr && parent->layout() != nullptr)
        parent->layout()->invalidate();
}

} // namespace

void AppDelegate::updateViewSizeAndConstraint()
{
    const float scale = windowSizeRatio;
    const float fontScale = std::min(1.0f, maxFontSize() / defaultFontSize);
    const double viewWidth = mView->width();
    const double viewHeight = mView->height();

    if (isWideArtworkImage) {
        setFrameWidth(mArtworkView, viewWidth);
        setFrameHeight(mArtworkView, viewHeight);

        uninstallConstraint(trackStackViewRightConstraint);
        uninstallConstraint(trackStackViewLeftConstraint);
        uninstallConstraint(trackStackViewWideConstraint);
        trackStackViewRightConstraint =
            ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, 10);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Leading, 35);
        trackStackViewWideConstraint = ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Trailing,
                                                              double(-(trackInfoLRSpacing * scale)));
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewWideConstraint);
    } else {
        setFrameWidth(mArtworkView, viewHeight / artworkImageRatio);
        setFrameHeight(mArtworkView, viewHeight);

        mTrackStackViewRight->setSpacing(double(trackInfoSpacing * scale * fontScale));
        mTrackStackAlbumNumbersRatingsRight->setSpacing(double(12.0f * scale * fontScale));
        mTrackStackViewLeft->setSpacing(double(trackInfoSpacing * scale * fontScale));
        mTrackStackAlbumNumbersRatingsLeft->setSpacing(double(12.0f * scale * fontScale));

        uninstallConstraint(trackStackViewRightConstraint);
        uninstallConstraint(trackStackViewLeftConstraint);
        uninstallConstraint(trackStackViewRightConstraint2);
        uninstallConstraint(trackStackViewLeftConstraint2);
        const float artworkWidth = float(mArtworkView->width());
        const float position = trackInfoPosition().toFloat();
        const LayoutAttribute verticalEdge =
            isNumberTrue(trackInfoPosition()) ? LayoutAttribute::Top : LayoutAttribute::Bottom;
        const double horizontal = double(artworkWidth + trackInfoLRSpacing * scale);
        const double vertical = double(position * trackInfoTopSpacing * scale);
        trackStackViewRightConstraint =
            ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, horizontal);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Trailing, -horizontal);
        trackStackViewRightConstraint2 = ConstraintLayout::make(mTrackStackViewRight, verticalEdge, vertical);
        trackStackViewLeftConstraint2 = ConstraintLayout::make(mTrackStackViewLeft, verticalEdge, vertical);
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewRightConstraint2);
        installConstraint(trackStackViewLeftConstraint2);
    }

    setFrameWidth(mVinylView, mArtworkView->height());
    setFrameHeight(mVinylView, mArtworkView->height());

    const double margin = viewSafeMargin;
    const double textWidth =
        isWideArtworkImage ? 100.0 : viewWidth - mArtworkView->width() - 2.5 * margin * double(scale);
    const double wideTextWidth = viewWidth - margin;
    for (TextField* field :
         {mTrackName.data(), mTrackAlbum.data(), mTrackNumbers.data(), mTrackArtist.data(),
          mTrackName2.data(), mTrackAlbum2.data(), mTrackNumbers2.data(), mTrackArtist2.data()})
        setTextWidth(field, textWidth);
    setTextWidth(mTrackName3, wideTextWidth);
    setTextWidth(mTrackArtist3, wideTextWidth);
}

void AppDelegate::updateViewPosition()
{
    const int viewWidth = mView->width();
    const int viewHeight = mView->height();
    const int artworkWidth = mArtworkView->width();
    const int vinylWidth = mVinylView->width();
    const int vinylY = int(std::lround((viewHeight - mVinylView->height()) * 0.5));

    if (currentArtworkPosition == LayoutAttribute::Right) {
        mArtworkView->move(viewWidth - artworkWidth, mArtworkView->y());
        mVinylView->move(int(std::lround(viewWidth - (0.45 * artworkWidth + vinylWidth))), vinylY);
        mSound->move(viewWidth - artworkWidth - 150, mSound->y());
    } else if (currentArtworkPosition == LayoutAttribute::Left) {
        mArtworkView->move(0, mArtworkView->y());
        mVinylView->move(int(std::lround(0.45 * artworkWidth)), vinylY);
        mSound->move(artworkWidth + 40, mSound->y());
    }
    if (isWideArtworkImage) {
        mArtworkView->move(0, mArtworkView->y());
        mSound->move(40, mSound->y());
    }
}

void AppDelegate::setWindowAspectRatioConstraints()
{
    const double margin = viewSafeMargin;
    double minimumWidth = 300.0;
    if (currentArtworkPosition == LayoutAttribute::Right)
        minimumWidth = 0.45 * mArtworkView->width() + mVinylView->width() + margin;
    else if (currentArtworkPosition == LayoutAttribute::Left)
        minimumWidth = mVinylView->x() + mVinylView->width() + margin;

    if (isWindowChangingFullScreen() || isWideArtworkImage)
        return;
    mWindow->setMinimumSize(int(std::lround(minimumWidth)), mWindow->minimumHeight());
    mWindow->setMinimumSize(mWindow->minimumWidth(),
                            int(std::lround(mTrackStackViewRight->height() + margin)));
}

} // namespace sleevelight
