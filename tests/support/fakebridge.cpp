#include "tests/support/fakebridge.h"
#include "player/values.h"

#include "player/bridgeregistry.h"

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
                       {BridgeKey::trackNumbers, QStringLiteral("1/10  1/1")},
                       {BridgeKey::trackDuration, QStringLiteral("4:05")},
                       {BridgeKey::trackLoved, 0},
                       {BridgeKey::trackRating, 40}};
    progress = QVariantMap{{BridgeKey::trackProgressRatio, 0.25},
                           {BridgeKey::trackElapsed, QStringLiteral("1:01")}};
}

QVariant FakeBridge::isRunning()
{
    ++reads[QStringLiteral("isRunning")];
    return running;
}

QVariant FakeBridge::playerState()
{
    ++reads[QStringLiteral("playerState")];
    return state;
}

std::optional<QVariantMap> FakeBridge::trackInfo()
{
    ++reads[QStringLiteral("trackInfo")];
    return info;
}

std::optional<QVariantMap> FakeBridge::trackProgress()
{
    ++reads[QStringLiteral("trackProgress")];
    return progress;
}

std::optional<QList<QByteArray>> FakeBridge::artworkImages()
{
    ++reads[QStringLiteral("artworkImages")];
    return artworks;
}

QVariant FakeBridge::soundVolume()
{
    ++reads[QStringLiteral("soundVolume")];
    return volume;
}

void FakeBridge::setSoundVolume(const QVariant& value)
{
    volumeWrites << value;
    volume = value;
}

QVariant FakeBridge::iTrackLoved()
{
    ++reads[QStringLiteral("iTrackLoved")];
    return loved;
}

void FakeBridge::setITrackLoved(const QVariant& value)
{
    lovedWrites << value;
    loved = value;
}

QVariant FakeBridge::iTrackRating()
{
    ++reads[QStringLiteral("iTrackRating")];
    return rating;
}

void FakeBridge::setITrackRating(const QVariant& value)
{
    ratingWrites << value;
    rating = value;
}

QVariant FakeBridge::iCodecInfo()
{
    ++reads[QStringLiteral("iCodecInfo")];
    return codecInfo;
}

void FakeBridge::playPause()
{
    commands << QStringLiteral("playPause");
}

void FakeBridge::gotoPreviousTrack()
{
    commands << QStringLiteral("gotoPreviousTrack");
}

void FakeBridge::gotoNextTrack()
{
    commands << QStringLiteral("gotoNextTrack");
}

} // namespace sleevelight::test
