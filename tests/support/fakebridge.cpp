#include "tests/support/fakebridge.h"
#include "player/values.h"

#include "player/bridgeregistry.h"

using namespace Qt::StringLiterals;

namespace sleevelight::test {

FakeBridge* FakeBridge::last = nullptr;

void FakeBridge::install()
{
    BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName,
                                  [] { return std::make_unique<FakeBridge>(); });
}

FakeBridge::FakeBridge()
{
    last = this;
}

FakeBridge::~FakeBridge()
{
    if (last == this)
        last = nullptr;
}

int FakeBridge::totalReads() const
{
    int total = 0;
    for (int n : reads)
        total += n;
    return total;
}

void FakeBridge::resetCounts()
{
    reads.clear();
    volumeWrites.clear();
    lovedWrites.clear();
    ratingWrites.clear();
    commands.clear();
}

void FakeBridge::playTrack(const QString& name, const QString& album, const QString& artist)
{
    running = true;
    state = 2;
    info = QVariantMap{{BridgeKey::trackName, name},
                       {BridgeKey::trackAlbum, album},
                       {BridgeKey::trackArtist, artist},
                       {BridgeKey::trackYear, 1999},
                       {BridgeKey::trackNumbers, u"1/10  1/1"_s},
                       {BridgeKey::trackDuration, u"4:05"_s},
                       {BridgeKey::trackLoved, 0},
                       {BridgeKey::trackRating, 40}};
    progress = QVariantMap{{BridgeKey::trackProgressRatio, 0.25}, {BridgeKey::trackElapsed, u"1:01"_s}};
}

QVariant FakeBridge::isRunning()
{
    ++reads[u"isRunning"_s];
    return running;
}

QVariant FakeBridge::playerState()
{
    ++reads[u"playerState"_s];
    return state;
}

std::optional<QVariantMap> FakeBridge::trackInfo()
{
    ++reads[u"trackInfo"_s];
    return info;
}

std::optional<QVariantMap> FakeBridge::trackProgress()
{
    ++reads[u"trackProgress"_s];
    return progress;
}

std::optional<QList<QByteArray>> FakeBridge::artworkImages()
{
    ++reads[u"artworkImages"_s];
    return artworks;
}

QVariant FakeBridge::soundVolume()
{
    ++reads[u"soundVolume"_s];
    return volume;
}

void FakeBridge::setSoundVolume(const QVariant& value)
{
    volumeWrites << value;
    volume = value;
}

QVariant FakeBridge::iTrackLoved()
{
    ++reads[u"iTrackLoved"_s];
    return loved;
}

void FakeBridge::setITrackLoved(const QVariant& value)
{
    lovedWrites << value;
    loved = value;
}

QVariant FakeBridge::iTrackRating()
{
    ++reads[u"iTrackRating"_s];
    return rating;
}

void FakeBridge::setITrackRating(const QVariant& value)
{
    ratingWrites << value;
    rating = value;
}

QVariant FakeBridge::iCodecInfo()
{
    ++reads[u"iCodecInfo"_s];
    return codecInfo;
}

void FakeBridge::playPause()
{
    commands << u"playPause"_s;
}

void FakeBridge::gotoPreviousTrack()
{
    commands << u"gotoPreviousTrack"_s;
}

void FakeBridge::gotoNextTrack()
{
    commands << u"gotoNextTrack"_s;
}

} // namespace sleevelight::test
