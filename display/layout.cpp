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
    const float r = windowSizeRatio;
    const float f = std::min(1.0f, maxFontSize() / defaultFontSize);
    const double W = mView->width();
    const double H = mView->height();

    if (isWideArtworkImage) {
        setFrameWidth(mArtworkView, W);
        setFrameHeight(mArtworkView, H);

        uninstallConstraint(trackStackViewRightConstraint);
        uninstallConstraint(trackStackViewLeftConstraint);
        uninstallConstraint(trackStackViewWideConstraint);
        trackStackViewRightConstraint =
            ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, 10);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Leading, 35);
        trackStackViewWideConstraint = ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Trailing,
                                                              double(-(trackInfoLRSpacing * r)));
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewWideConstraint);
    } else {
        setFrameWidth(mArtworkView, H / artworkImageRatio);
        setFrameHeight(mArtworkView, H);

        mTrackStackViewRight->setSpacing(double(trackInfoSpacing * r * f));
        mTrackStackAlbumNumbersRatingsRight->setSpacing(double(12.0f * r * f));
        mTrackStackViewLeft->setSpacing(double(trackInfoSpacing * r * f));
        mTrackStackAlbumNumbersRatingsLeft->setSpacing(double(12.0f * r * f));

        uninstallConstraint(trackStackViewRightConstraint);
        uninstallConstraint(trackStackViewLeftConstraint);
        uninstallConstraint(trackStackViewRightConstraint2);
        uninstallConstraint(trackStackViewLeftConstraint2);
        const float A = float(mArtworkView->width());
        const float p = trackInfoPosition().toFloat();
        const LayoutAttribute V =
            isNumberTrue(trackInfoPosition()) ? LayoutAttribute::Top : LayoutAttribute::Bottom;
        const double horizontal = double(A + trackInfoLRSpacing * r);
        const double vertical = double(p * trackInfoTopSpacing * r);
        trackStackViewRightConstraint =
            ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, horizontal);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Trailing, -horizontal);
        trackStackViewRightConstraint2 = ConstraintLayout::make(mTrackStackViewRight, V, vertical);
        trackStackViewLeftConstraint2 = ConstraintLayout::make(mTrackStackViewLeft, V, vertical);
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewRightConstraint2);
        installConstraint(trackStackViewLeftConstraint2);
    }

    setFrameWidth(mVinylView, mArtworkView->height());
    setFrameHeight(mVinylView, mArtworkView->height());

    const double M = viewSafeMargin;
    const double T = isWideArtworkImage ? 100.0 : W - mArtworkView->width() - 2.5 * M * double(r);
    const double T3 = W - M;
    for (TextField* field :
         {mTrackName.data(), mTrackAlbum.data(), mTrackNumbers.data(), mTrackArtist.data(),
          mTrackName2.data(), mTrackAlbum2.data(), mTrackNumbers2.data(), mTrackArtist2.data()})
        setTextWidth(field, T);
    setTextWidth(mTrackName3, T3);
    setTextWidth(mTrackArtist3, T3);
}

void AppDelegate::updateViewPosition()
{
    const int W = mView->width();
    const int H = mView->height();
    const int artworkWidth = mArtworkView->width();
    const int vinylWidth = mVinylView->width();
    const int vinylY = int(std::lround((H - mVinylView->height()) * 0.5));

    if (currentArtworkPosition == LayoutAttribute::Right) {
        mArtworkView->move(W - artworkWidth, mArtworkView->y());
        mVinylView->move(int(std::lround(W - (0.45 * artworkWidth + vinylWidth))), vinylY);
        mSound->move(W - artworkWidth - 150, mSound->y());
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
    const double M = viewSafeMargin;
    double m = 300.0;
    if (currentArtworkPosition == LayoutAttribute::Right)
        m = 0.45 * mArtworkView->width() + mVinylView->width() + M;
    else if (currentArtworkPosition == LayoutAttribute::Left)
        m = mVinylView->x() + mVinylView->width() + M;

    if (isWindowChangingFullScreen() || isWideArtworkImage)
        return;
    mWindow->setMinimumSize(int(std::lround(m)), mWindow->minimumHeight());
    mWindow->setMinimumSize(mWindow->minimumWidth(), int(std::lround(mTrackStackViewRight->height() + M)));
}

} // namespace sleevelight
