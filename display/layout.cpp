// Sizes and places the artwork, the record and the text stacks.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/lyricsview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/values.h"

#include <QFontMetricsF>
#include <QLayout>
#include <QSlider>

#include <algorithm>

#include <cmath>

namespace sleevelight {

namespace {

// The height of the screen the layout's sizes were drawn up for.
constexpr double referenceLines = 1080.0;

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

float AppDelegate::displayScale() const
{
    // On a 1920 × 1080 screen this is the window's width against the screen's, as the window keeps
    // the screen's proportions; on any other display every size follows the display, so that
    // 3840 × 2160 looks like 1920 × 1080 at twice the pixels.
    return float(std::min(mView->width(), mView->height()) / referenceLines);
}

ArtworkPlace AppDelegate::artworkPlace(double pictureRatio) const
{
    const double viewWidth = mView->width();
    const double viewHeight = mView->height();
    const double scale = windowSizeRatio;
    const double margins = 2.5 * viewSafeMargin * scale;
    if (0.6 > pictureRatio) {
        // A wide picture across a landscape display carries its text; on a tall one it goes on top.
        if (viewHeight <= viewWidth)
            return {Arrangement::Wide, QSizeF(viewWidth, viewHeight)};
        return {Arrangement::Top, QSizeF(viewWidth, viewWidth * pictureRatio)};
    }
    // The text wants a column of about twelve characters of the name at its largest size beside
    // the artwork, or about six of its lines of height below it. The artwork takes the larger of
    // the two places, beside when they are equal; as tall as the display where the column fits.
    const double nameSize = double(maxFontSize() * windowSizeRatio);
    // Asked several times a refresh; measured only when the name's font or size changes.
    if (m_leastTextWidthFor != std::pair(nameFont(), nameSize)) {
        m_leastTextWidthFor = {nameFont(), nameSize};
        const QFont nameFace = FontManager::fontWithName(nameFont(), nameSize).value_or(QFont());
        m_leastTextWidth = 12.0 * QFontMetricsF(nameFace).averageCharWidth();
    }
    const double leastTextWidth = m_leastTextWidth;
    const double leastTextHeight = 6.0 * nameSize + double(trackInfoTopSpacing) * scale;
    const double besideWidth =
        std::max(0.0, std::min(viewHeight / pictureRatio, viewWidth - leastTextWidth - margins));
    const double aboveWidth =
        std::max(0.0, std::min(viewWidth, (viewHeight - leastTextHeight) / pictureRatio));
    if (besideWidth >= aboveWidth)
        return {Arrangement::Side, QSizeF(besideWidth, besideWidth * pictureRatio)};
    return {Arrangement::Top, QSizeF(aboveWidth, aboveWidth * pictureRatio)};
}

void AppDelegate::updateViewSizeAndConstraint()
{
    const float scale = windowSizeRatio;
    const float fontScale = std::min(1.0f, maxFontSize() / defaultFontSize);
    const double viewWidth = mView->width();
    const double viewHeight = mView->height();
    const ArtworkPlace place = artworkPlace(artworkImageRatio);
    m_arrangement = place.arrangement;
    const double margin = viewSafeMargin;

    if (place.arrangement == Arrangement::Wide) {
        setFrameWidth(mArtworkView, viewWidth);
        setFrameHeight(mArtworkView, viewHeight);

        // The text lies wholly on the picture, which the view shows centred at its own proportions.
        const double pictureWidth = std::min(viewWidth, viewHeight / artworkImageRatio);
        const double pictureHeight = std::min(viewHeight, viewWidth * artworkImageRatio);
        const double pictureInset = (viewWidth - pictureWidth) / 2.0;
        m_picture = QRectF(pictureInset, (viewHeight - pictureHeight) / 2.0, pictureWidth, pictureHeight);
        uninstallConstraint(trackStackViewRightConstraint);
        uninstallConstraint(trackStackViewLeftConstraint);
        uninstallConstraint(trackStackViewWideConstraint);
        uninstallConstraint(m_wideStackBottomConstraint);
        m_wideStackBottomConstraint = ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Bottom,
                                                             -(m_picture.top() + 40.0 * double(scale)));
        installConstraint(m_wideStackBottomConstraint);
        mTrackStackViewWide->setSpacing(m_wideStackSpacing * double(scale));
        trackStackViewRightConstraint =
            ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, 10);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Leading, 35);
        trackStackViewWideConstraint =
            ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Trailing,
                                   -(pictureInset + double(trackInfoLRSpacing * scale)));
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewWideConstraint);
        for (TextField* field :
             {mTrackName3.data(), mTrackAlbum3.data(), mTrackArtist3.data(), mTrackNumbers3.data()})
            setTextWidth(field, pictureWidth - margin * double(scale));
        tellFeatures(&DisplayFeature::textWidthSet, pictureWidth - margin * double(scale), true);
    } else {
        setFrameWidth(mArtworkView, place.size.width());
        setFrameHeight(mArtworkView, place.size.height());

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
        const bool fromTop = isNumberTrue(trackInfoPosition());
        const LayoutAttribute verticalEdge = fromTop ? LayoutAttribute::Top : LayoutAttribute::Bottom;
        // Beside the artwork the text begins past its width; below it, past its height.
        const bool below = place.arrangement == Arrangement::Top;
        const double horizontal = double((below ? 0.0f : artworkWidth) + trackInfoLRSpacing * scale);
        // A sleeve less tall than the display stands in the middle of its height, the text level
        // with its top.
        const double sleeveTop = below ? 0.0 : (viewHeight - mArtworkView->height()) / 2.0;
        double vertical = double(position * trackInfoTopSpacing * scale);
        if (fromTop)
            vertical = below ? vertical + mArtworkView->height() : std::max(vertical, sleeveTop);
        // A name in a right-to-left script sets the flush-left stack flush right: it ends where its
        // column ends. Below the artwork the column spans the display, a margin either side.
        const double columnWidth = textColumnWidth();
        // (The stacks take the size of what they hold: the bar's row spans the column.)
        for (StackView* progress : {mTrackStackProgressRight.data(), mTrackStackProgressLeft.data()})
            progress->setMinimumWidth(below ? int(columnWidth) : 0);
        trackStackViewRightConstraint =
            trackName().toString().isRightToLeft()
                ? ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Trailing,
                                         horizontal + columnWidth - viewWidth)
                : ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading, horizontal);
        trackStackViewLeftConstraint =
            ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Trailing, -horizontal);
        trackStackViewRightConstraint2 = ConstraintLayout::make(mTrackStackViewRight, verticalEdge, vertical);
        trackStackViewLeftConstraint2 = ConstraintLayout::make(mTrackStackViewLeft, verticalEdge, vertical);
        installConstraint(trackStackViewRightConstraint);
        installConstraint(trackStackViewLeftConstraint);
        installConstraint(trackStackViewRightConstraint2);
        installConstraint(trackStackViewLeftConstraint2);
        m_textTop = fromTop ? vertical : double(trackInfoTopSpacing * scale);
        setTextWidth(mTrackName3, viewWidth - margin);
        setTextWidth(mTrackArtist3, viewWidth - margin);
    }

    // The record is as tall as a sleeve beside the text, as wide as one above it.
    const int record = m_arrangement == Arrangement::Top ? mArtworkView->width() : mArtworkView->height();
    setFrameWidth(mVinylView, record);
    setFrameHeight(mVinylView, record);

    const double textWidth = m_arrangement == Arrangement::Wide ? 100.0 : textColumnWidth();
    m_textRowWidth = m_arrangement == Arrangement::Top
                         ? textWidth
                         : viewWidth - double(mArtworkView->width()) - 2 * margin;
    for (TextField* field :
         {mTrackName.data(), mTrackAlbum.data(), mTrackNumbers.data(), mTrackArtist.data(),
          mTrackName2.data(), mTrackAlbum2.data(), mTrackNumbers2.data(), mTrackArtist2.data()})
        setTextWidth(field, textWidth);
    tellFeatures(&DisplayFeature::textWidthSet, textWidth, false);
}

double AppDelegate::textColumnWidth() const
{
    const double scale = double(windowSizeRatio);
    if (m_arrangement == Arrangement::Top)
        return mView->width() - 2.0 * double(trackInfoLRSpacing) * scale;
    return mView->width() - mArtworkView->width() - 2.5 * viewSafeMargin * scale;
}

void AppDelegate::updateViewPosition()
{
    const int viewWidth = mView->width();
    const int viewHeight = mView->height();
    const int artworkWidth = mArtworkView->width();
    const int artworkHeight = mArtworkView->height();
    const int vinylWidth = mVinylView->width();
    const int vinylY = int(std::lround((viewHeight - mVinylView->height()) * 0.5));
    const int artworkY = m_arrangement == Arrangement::Side ? (viewHeight - artworkHeight) / 2 : 0;

    if (m_arrangement == Arrangement::Top) {
        // Across the top, the record peeking out below the sleeve.
        const int artworkX = (viewWidth - artworkWidth) / 2;
        mArtworkView->move(artworkX, 0);
        mVinylView->move(artworkX + (artworkWidth - vinylWidth) / 2, int(std::lround(0.45 * artworkHeight)));
        mSound->move(40, mSound->y());
    } else if (currentArtworkPosition == LayoutAttribute::Right) {
        mArtworkView->move(viewWidth - artworkWidth, artworkY);
        mVinylView->move(int(std::lround(viewWidth - (0.45 * artworkWidth + vinylWidth))), vinylY);
        mSound->move(viewWidth - artworkWidth - 150, mSound->y());
    } else if (currentArtworkPosition == LayoutAttribute::Left) {
        mArtworkView->move(0, artworkY);
        mVinylView->move(int(std::lround(0.45 * artworkWidth)), vinylY);
        mSound->move(artworkWidth + 40, mSound->y());
    }
    if (m_arrangement == Arrangement::Wide) {
        mArtworkView->move(0, 0);
        mSound->move(40, mSound->y());
    }
    placeAlertInfo();
}

void AppDelegate::placeAlertInfo()
{
    if (!mAlertInfo)
        return;
    // On the artwork, away from the text, on a dark backing that keeps it readable on any picture.
    const double scale = windowSizeRatio;
    QRectF room = mArtworkView->geometry();
    if (m_arrangement == Arrangement::Wide) {
        room = QRectF(m_picture.topLeft(), QSizeF(m_picture.width() / 2.0, m_picture.height()));
        // The text stands on the picture's lower part: the notice stays above it.
        if (mTrackStackViewWide && mTrackStackViewWide->isVisibleTo(mView) &&
            mTrackStackViewWide->y() > room.top())
            room.setBottom(std::min(room.bottom(), double(mTrackStackViewWide->y())));
    }
    mAlertInfo->setBacking(QColor(0, 0, 0, 150));
    const int inset = int(std::lround(40.0 * scale));
    const int width = std::max(1, int(room.width()) - 2 * inset);
    mAlertInfo->setPreferredMaxLayoutWidth(width);
    // A notice of many lines (the list of keys) is set smaller until it fits its room.
    double size = 24.0 * scale;
    Utility::styleTextField(mAlertInfo, {.size = size});
    const double height = room.height() - 40.0 * scale;
    for (int tries = 0; tries < 4 && mAlertInfo->sizeHint().height() > height && size > 9.0; ++tries) {
        size = std::max(9.0, size * height / mAlertInfo->sizeHint().height() * 0.95);
        Utility::styleTextField(mAlertInfo, {.size = size});
    }
    mAlertInfo->setGeometry(int(room.x()) + inset, int(room.y() + 20.0 * scale), width,
                            mAlertInfo->sizeHint().height());
    mAlertInfo->raise();
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
