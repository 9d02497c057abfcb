#pragma once

#include "player/itunesbridgeprotocol.h"

#include <QHash>

namespace sleevelight::test {

using namespace Qt::StringLiterals;

// A bridge whose answers a test sets, and which counts every question it is asked.
class FakeBridge : public iTunesBridgeProtocol
{
public:
    // The bridge made most recently by the registry (the application's).
    static FakeBridge* last;
    // Makes the application's bridge a fake from now on.
    static void install();

    FakeBridge();
    ~FakeBridge() override;

    QVariant running = true;
    QVariant state = 2;
    std::optional<QVariantMap> info;
    std::optional<QVariantMap> progress;
    std::optional<QList<QByteArray>> artworks;
    QVariant volume = 50;
    QVariant loved = 0;
    QVariant rating = 0;
    QVariant codecInfo;

    QHash<QString, int> reads;
    QList<QVariant> volumeWrites;
    QList<QVariant> lovedWrites;
    QList<QVariant> ratingWrites;
    QStringList commands;

    int totalReads() const;
    void resetCounts();
    // What a player does on every change.
    void notify() { Q_EMIT playerInfoChanged(); }

    // A playing track with every key of the information and progress.
    void playTrack(const QString& name, const QString& album = u"Album"_s,
                   const QString& artist = u"Artist"_s);

    QVariant isRunning() override;
    QVariant playerState() override;
    std::optional<QVariantMap> trackInfo() override;
    std::optional<QVariantMap> trackProgress() override;
    std::optional<QList<QByteArray>> artworkImages() override;
    QVariant soundVolume() override;
    void setSoundVolume(const QVariant& value) override;
    QVariant iTrackLoved() override;
    void setITrackLoved(const QVariant& value) override;
    QVariant iTrackRating() override;
    void setITrackRating(const QVariant& value) override;
    QVariant iCodecInfo() override;
    void playPause() override;
    void gotoPreviousTrack() override;
    void gotoNextTrack() override;
};

} // namespace sleevelight::test
