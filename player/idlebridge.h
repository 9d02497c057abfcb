#pragma once

#include "player/itunesbridgeprotocol.h"

namespace sleevelight {

// A bridge to no player at all: always not running, knows nothing, does nothing.
class IdleBridge : public iTunesBridgeProtocol
{
public:
    QVariant isRunning() override { return false; }
    QVariant playerState() override { return 0; }
    std::optional<QVariantMap> trackInfo() override { return std::nullopt; }
    std::optional<QVariantMap> trackProgress() override { return std::nullopt; }
    std::optional<QList<QByteArray>> artworkImages() override { return std::nullopt; }
    QVariant soundVolume() override { return {}; }
    void setSoundVolume(const QVariant&) override {}
    QVariant iTrackLoved() override { return {}; }
    void setITrackLoved(const QVariant&) override {}
    QVariant iTrackRating() override { return {}; }
    void setITrackRating(const QVariant&) override {}
    QVariant iCodecInfo() override { return {}; }
    void playPause() override {}
    void gotoPreviousTrack() override {}
    void gotoNextTrack() override {}
};

} // namespace sleevelight
