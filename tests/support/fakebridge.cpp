#include "tests/support/fakebridge.h"

#include "player/bridgeregistry.h"
#include "player/values.h"

using namespace Qt::StringLiterals;

namespace sleevelight::test {

void FakeBridge::install()
{
    BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName,
                                  [] { return std::make_unique<FakeBridge>(); });
}

int FakeBridge::totalReads() const
{
    int total = 0;
    for (int count : reads)
        total += count;
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

} // namespace sleevelight::test
