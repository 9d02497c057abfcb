// Which artwork is shown, and on which side.

#include "app/appdelegate.h"

#include "platform/views/fadeoverlay.h"
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
// About a third of a second: long enough to read as a fade, short enough never to hold the eye.
constexpr int crossfadeMs = 330;

// WCAG's relative luminance of a colour.
double luminance(QRgb pixel)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) + 0.0722 * linear(qBlue(pixel));
}

// The artwork as a soft light behind everything: a few pixels of it, which the view stretches
// smoothly over the window, darkened until the dimmest text (a stopped track's name, grey 0.8)
// keeps a contrast of at least 5 : 1 against the brightest of them (WCAG asks 4.5 : 1).
QImage ambientFrom(const QImage& picture)
{
    QImage light = picture.scaled(5, 5, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    const double dimmestText = luminance(QColor::fromRgbF(0.8f, 0.8f, 0.8f).rgb());
    const double brightestAllowed = (dimmestText + 0.05) / 5.0 - 0.05;
    for (double factor = 0.6;; factor *= 0.9) {
        QImage dimmed = light;
        double brightest = 0.0;
        for (int y = 0; y < dimmed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(dimmed.scanLine(y));
            for (int x = 0; x < dimmed.width(); ++x) {
                line[x] = qRgb(int(qRed(line[x]) * factor), int(qGreen(line[x]) * factor),
                               int(qBlue(line[x]) * factor));
                brightest = std::max(brightest, luminance(line[x]));
            }
        }
        if (brightest <= brightestAllowed)
            return dimmed;
    }
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
                decodeArtworkAside(image, bound);
                image = Image();
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
    // A new track's picture comes in with the whole track; a fade of its own would fade it twice.
    const bool trackFading = m_trackFade != nullptr && m_trackFade->isFading();
    if (mArtworkView)
        mArtworkView->setCrossfadeMs(m_live.transitions && !trackFading ? crossfadeMs : 0);
    setArtworkImage(artworkImageHolder());
    setArtworkImageHolder(Image());
}

void AppDelegate::fadeOutTrackShown()
{
    if (!m_live.transitions || mView == nullptr)
        return;
    if (m_trackFade == nullptr)
        m_trackFade = new FadeOverlay(mView);
    m_trackFade->fadeOut(crossfadeMs);
}

void AppDelegate::applyAmbientBackground()
{
    const Image shown =
        m_live.ambientBackground && artworkImage() != Image::named(noCoverName) ? artworkImage() : Image();
    if (mView == nullptr || shown == m_ambientFor)
        return;
    m_ambientFor = shown;
    // A few pixels of the picture as the view shows it, decoded already, or of its preview.
    const QSize bound = artworkPixelBound(shown.size());
    const QImage picture = shown.isNull()           ? QImage()
                           : shown.isDecoded(bound) ? shown.decoded(bound)
                                                    : shown.preview(QSize(64, 64));
    mView->setBackgroundImage(picture.isNull() ? QImage() : ambientFrom(picture));
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
