// Which artwork is shown, and on which side.

#include "app/appdelegate.h"

#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/stackview.h"
#include "player/itunesbridgeprotocol.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

const QString noCoverName = u"no_cover.png"_s;
const QString vinylRecordName = u"vinyl_record.png"_s;

// A dark picture of the proportions given, small: the view scales it to the place it fills.
Image darkStandIn(const QSizeF& size)
{
    const double ratio = std::clamp(size.height() / size.width(), 0.05, 20.0);
    const QSize shape = ratio <= 1.0 ? QSize(64, std::max(1, qRound(64 * ratio)))
                                     : QSize(std::max(1, qRound(64 / ratio)), 64);
    QImage dark(shape, QImage::Format_RGB32);
    dark.fill(QColor(24, 24, 24));
    return Image::fromImage(dark);
}

} // namespace

QSize AppDelegate::artworkPixelBound(const QSizeF& pictureSize) const
{
    if (mView == nullptr || pictureSize.isEmpty())
        return {};
    const ArtworkPlace place = artworkPlace(pictureSize.height() / pictureSize.width());
    return (place.size * mView->devicePixelRatioF()).toSize();
}

void AppDelegate::stageArtwork(const QList<QByteArray>& artworks)
{
    Image image;
    if (currentArtworkNumber >= 0 && currentArtworkNumber < artworks.size()) {
        image = Image::fromData(artworks.at(currentArtworkNumber));
        const QSize bound = artworkPixelBound(image.size());
        if (!image.isNull() && !image.isDecoded(bound)) {
            // A new picture shows at once as its preview, which the picture itself replaces when it
            // is decoded aside; without one a slow picture shows the placeholder meanwhile, and any
            // other is decoded now, at the size it is about to be shown, so that bytes that only
            // look like a picture are caught here.
            image.adoptPreview(iTunesBridge->artworkPreview(currentArtworkNumber));
            if (image.hasPreview()) {
                decodeArtworkAside(image, bound);
            } else if (image.isSlowToDecode()) {
                // The placeholder would say the track has no picture: its place shows dark, at
                // the picture's own proportions, until the picture is ready.
                decodeArtworkAside(image, bound);
                image = darkStandIn(image.size());
            } else if (image.decoded(bound).isNull()) {
                image = Image();
            }
        } else if (!image.isNull() && image.decoded(bound).isNull()) {
            image = Image(); // decoded before, and failed
        }
    } else {
        // The list shrank under the index: the placeholder this once, and the first picture left
        // at the next refresh, which finds nothing staged.
        currentArtworkNumber = 0;
        m_stagedArtworkBytes.clear();
        setArtworkImageHolder(Image::named(noCoverName));
        return;
    }
    m_stagedArtworkBytes = artworks.value(currentArtworkNumber);
    setArtworkImageHolder(image.isNull() ? Image::named(noCoverName) : image);
}

void AppDelegate::decodeArtworkAside(const Image& image, const QSize& bound)
{
    if (m_artworkDecoding != nullptr && m_artworkDecodingFor == image)
        return;
    // A newer picture replaces one still being decoded: it is dropped, or never started when it
    // still waits for the thread, so a run of such tracks never piles up work.
    if (m_artworkDecoding != nullptr)
        m_artworkDecoding->cancel();
    delete m_artworkDecoding;
    m_artworkDecoding = new QFutureWatcher<QImage>(this);
    m_artworkDecodingFor = image;
    connect(m_artworkDecoding, &QFutureWatcher<QImage>::finished, this, [this, image] {
        image.adoptDecoded(m_artworkDecoding->result());
        m_artworkDecoding->deleteLater();
        m_artworkDecoding = nullptr;
        m_artworkDecodingFor = Image();
        if (image.data() == m_stagedArtworkBytes) {
            m_artworkDecoded = true;
            updateTrackInfo();
            if (mArtworkView && mArtworkView->image() == image)
                mArtworkView->pictureDecoded();
        }
    });
    m_artworkDecoding->setFuture(image.decodeInBackground(bound));
}

void AppDelegate::getArtworkImage(bool isNewTrack)
{
    const std::optional<QList<QByteArray>> artworks = iTunesBridge->artworkImages();
    if (!artworks) {
        m_stagedArtworkBytes.clear();
        setArtworkImageHolder(Image::named(noCoverName));
    } else if (playerState() != PlayerState::notRunning) {
        if (isNewTrack)
            currentArtworkNumber = 0;
        // Players often send a track's picture after the track itself (a download, a second
        // message): a picture that arrived or changed since it was staged is staged again.
        const bool pictureChanged = artworks->value(currentArtworkNumber) != m_stagedArtworkBytes;
        if (isNewTrack || currentArtworkNumber != prevArtworkNumber || pictureChanged ||
            std::exchange(m_artworkDecoded, false)) {
            stageArtwork(*artworks);
            prevArtworkNumber = currentArtworkNumber;
        }
    }
    getArtworkImageSize();
}

void AppDelegate::getArtworkImageSize()
{
    if (!artworkImageHolder().isNull()) {
        const QSizeF size = artworkImageHolder().size();
        artworkImageRatio = size.height() / size.width();
    }
    isWideArtworkImage = 0.6 > artworkImageRatio;
}

void AppDelegate::changeArtworkPosition(bool isNewTrack)
{
    switch (m_live.artworkPositionMode) {
    case ArtworkPositionMode::Left:
        currentArtworkPosition = LayoutAttribute::Left;
        break;
    case ArtworkPositionMode::Right:
        currentArtworkPosition = LayoutAttribute::Right;
        break;
    case ArtworkPositionMode::Toggle:
        if (isNewTrack)
            std::swap(currentArtworkPosition, nextArtworkPosition);
        break;
    }

    const Arrangement arrangement = artworkPlace(artworkImageRatio).arrangement;
    if (arrangement == Arrangement::Wide) {
        mTrackStackViewLeft->setHidden(true);
        mTrackStackViewRight->setHidden(true);
        mTrackStackViewWide->setHidden(false);
        mTrackStackRatingsLeft->setHidden(true);
        mTrackStackRatingsRight->setHidden(true);
        return;
    }
    // Below the artwork the text stands flush left, as it does right of an artwork on the left.
    if (currentArtworkPosition == LayoutAttribute::Right && arrangement == Arrangement::Side) {
        mTrackStackViewLeft->setHidden(false);
        mTrackStackViewRight->setHidden(true);
        if (isShowRatings()) {
            mTrackStackRatingsLeft->setHidden(false);
            mTrackStackRatingsRight->setHidden(true);
        }
    } else {
        mTrackStackViewLeft->setHidden(true);
        mTrackStackViewRight->setHidden(false);
        if (isShowRatings()) {
            mTrackStackRatingsLeft->setHidden(true);
            mTrackStackRatingsRight->setHidden(false);
        }
    }
    mTrackStackViewWide->setHidden(true);
}

void AppDelegate::applyArtworkImageWithHolder()
{
    if (artworkImageHolder().isNull())
        return;
    tellFeatures(&DisplayFeature::artworkWillShow);
    setArtworkImage(artworkImageHolder());
    setArtworkImageHolder(Image());
}

void AppDelegate::applyVinylImage()
{
    if (isShowVinyl() && !isWideArtworkImage && isActive(playerState()))
        setVinylImage(Image::named(vinylRecordName));
    else
        setVinylImage(Image());
}

void AppDelegate::showNextArtworkImage(bool forced)
{
    // The cheap conditions first: the player need not gather its pictures for nothing.
    if (!forced && !(isShowMultiArtworks() && isActive(playerState())))
        return;
    const std::optional<QList<QByteArray>> artworks = iTunesBridge->artworkImages();
    if (!artworks)
        return;

    ++currentArtworkNumber;
    if (!(currentArtworkNumber < artworks->size()))
        currentArtworkNumber = 0;
    if (currentArtworkNumber == prevArtworkNumber)
        return;
    stageArtwork(*artworks);
    prevArtworkNumber = currentArtworkNumber;

    getArtworkImageSize();
    changeArtworkPosition(false);
    updateViewSizeAndConstraint();
    updateViewPosition();
    updateViewItems();
}

void AppDelegate::toggleArtworkImage()
{
    if (playerState() == PlayerState::notRunning)
        return;
    showNextArtworkImage(false);
}

} // namespace sleevelight
