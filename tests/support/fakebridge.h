#pragma once

#include "player/itunesbridgeprotocol.h"

#include <QElapsedTimer>
#include <QHash>

namespace sleevelight::test {

using namespace Qt::StringLiterals;

// A bridge whose answers a test sets, and which counts every question it is asked.
class FakeBridge : public iTunesBridgeProtocol
{
public:
    // The bridge made most recently by the registry (the application's).
    static inline FakeBridge* last = nullptr;
    // Makes the application's bridge a fake from now on.
    static void install();

    FakeBridge() { last = this; }
    ~FakeBridge() override
    {
        if (last == this)
            last = nullptr;
    }

    QVariant running = true;
    QVariant state = 2;
    std::optional<QVariantMap> info;
    std::optional<QVariantMap> progress;
    std::optional<QList<QByteArray>> artworks;
    QList<QImage> previews;
    QVariant volume = 50;
    QVariant loved = 0;
    QVariant rating = 0;
    QVariant codecInfo;
    bool readingCodecInfo = false;
    QString nextPlayer;
    QStringList names;
    QString followed;
    QStringList preferredRule;
    std::pair<QStringList, QString> musicServers;
    QStringList ignoredRule;
    lyrics::Lyrics lyrics;
    std::optional<QVariantMap> next;
    qint64 lyricsShift = 0;
    QList<qint64> lyricsShiftWrites;
    // The position runs on in real time from where it was last set while the state says playing.
    void setPositionMs(qint64 ms)
    {
        m_positionMs = ms;
        m_positionClock.start();
    }

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

    QVariant isRunning() override { return read(u"isRunning"_s, running); }
    QVariant playerState() override { return read(u"playerState"_s, state); }
    std::optional<QVariantMap> trackInfo() override { return read(u"trackInfo"_s, info); }
    std::optional<QVariantMap> trackProgress() override { return read(u"trackProgress"_s, progress); }
    std::optional<QList<QByteArray>> artworkImages() override { return read(u"artworkImages"_s, artworks); }
    QImage artworkPreview(qsizetype index) override { return previews.value(index); }
    lyrics::Lyrics trackLyrics() override { return lyrics; }
    std::optional<QVariantMap> nextTrackInfo() override { return next; }
    std::optional<qint64> trackPositionMs() override
    {
        return m_positionMs + (state == 2 && m_positionClock.isValid() ? m_positionClock.elapsed() : 0);
    }
    qint64 lyricsShiftMs() override { return lyricsShift; }
    void setLyricsShiftMs(qint64 ms) override { lyricsShiftWrites << (lyricsShift = ms); }
    QVariant soundVolume() override { return read(u"soundVolume"_s, volume); }
    QVariant iTrackLoved() override { return read(u"iTrackLoved"_s, loved); }
    QVariant iTrackRating() override { return read(u"iTrackRating"_s, rating); }
    QVariant iCodecInfo() override { return read(u"iCodecInfo"_s, codecInfo); }
    bool isReadingCodecInfo() override { return readingCodecInfo; }
    QString followNextPlayer() override { return nextPlayer; }
    QString followPlayer(const QString& name) override
    {
        if (names.contains(name))
            followed = name;
        return followed;
    }
    QString followedPlayerName() override { return followed; }
    QStringList playerNames() override { return names; }
    void setPlayerRules(const QStringList& preferred, const QStringList& ignored) override
    {
        preferredRule = preferred;
        ignoredRule = ignored;
    }
    void setMusicServers(const QStringList& servers, const QString& folder) override
    {
        musicServers = {servers, folder};
    }
    void setSoundVolume(const QVariant& value) override { volumeWrites << (volume = value); }
    void setITrackLoved(const QVariant& value) override { lovedWrites << (loved = value); }
    void setITrackRating(const QVariant& value) override { ratingWrites << (rating = value); }
    void playPause() override { commands << u"playPause"_s; }
    void gotoPreviousTrack() override { commands << u"gotoPreviousTrack"_s; }
    void gotoNextTrack() override { commands << u"gotoNextTrack"_s; }

private:
    qint64 m_positionMs = 0;
    QElapsedTimer m_positionClock;

    template <typename T> T read(const QString& question, const T& answer)
    {
        ++reads[question];
        return answer;
    }
};

} // namespace sleevelight::test
