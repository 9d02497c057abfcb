#pragma once

#include "player/itunesbridgeprotocol.h"
#include "player/mprismetadata.h"

#include <QDBusConnection>
#include <QElapsedTimer>

#include <memory>

class QTimer;

namespace sleevelight {

class LocalReader;
class MprisPlayer;
class MprisPlayerManager;
class RatingStore;
struct TrackFiles;
class WebFetches;

// The bridge to whichever MPRIS player on the session bus is followed. Every read answers from
// what the players have already said; every command is sent without waiting for a reply. Changes
// of the followed player reach playerInfoChanged() once per turn of the event loop, however many
// signals the player sends for them.
class MprisBridge : public iTunesBridgeProtocol
{
    Q_OBJECT

public:
    explicit MprisBridge(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);
    ~MprisBridge() override;

    // Makes the application's bridge an MprisBridge on the session bus.
    static void registerAsApplicationBridge();

    MprisPlayerManager& players() const { return *m_players; }
    RatingStore& store() const { return *m_store; }

    // The scheme and host of the lyrics service: lrclib.net, or SLEEVELIGHT_LYRICS_SITE.
    void setLyricsSite(const QString& site) { m_lyricsSite = site; }

    // The player name asked to start when none is on the bus ("Start with the app").
    QString lastPlayerName() const;

    QVariant isRunning() override;
    QVariant playerState() override;
    std::optional<QVariantMap> trackInfo() override;
    std::optional<QVariantMap> trackProgress() override;
    std::optional<QList<QByteArray>> artworkImages() override;
    QImage artworkPreview(qsizetype index) override;
    lyrics::Lyrics trackLyrics() override;
    std::optional<qint64> trackPositionMs() override;
    qint64 lyricsShiftMs() override;
    void setLyricsShiftMs(qint64 ms) override;
    void setLyricsFromWeb(bool allowed) override;
    QVariant soundVolume() override;
    void setSoundVolume(const QVariant& volume) override;
    QVariant iTrackLoved() override;
    void setITrackLoved(const QVariant& loved) override;
    QVariant iTrackRating() override;
    void setITrackRating(const QVariant& rating) override;
    QVariant iCodecInfo() override;
    bool isReadingCodecInfo() override;
    QString followNextPlayer() override;
    QStringList playerNames() override;
    void setPlayerRules(const QStringList& preferred, const QStringList& ignored) override;
    void playPause() override;
    void gotoPreviousTrack() override;
    void gotoNextTrack() override;

private:
    MprisPlayer* track() const;
    void scheduleNotify();
    void followedChanged();
    void startLastPlayer();
    void addNumbersFromFile(mpris::TrackMetadata& metadata);
    const TrackFiles* files();
    void filesRead(quint64 ticket, const TrackFiles& files);

    QDBusConnection m_bus;
    MprisPlayerManager* m_players = nullptr;
    WebFetches* m_web = nullptr;
    LocalReader* m_reader = nullptr;
    std::unique_ptr<RatingStore> m_store;
    bool m_lyricsFromWeb = false;
    QString m_lyricsSite;
    WebFetches* m_webLyrics = nullptr;
    QTimer* m_notify = nullptr;
    mutable QString m_lastPlayerName;
    mutable bool m_lastPlayerNameRead = false;
    QElapsedTimer m_lastStart;

    // Where the followed track's files are, as last asked of the reader, and what was read.
    struct FilesKey
    {
        QString trackUrl;
        QString artUrl;
        bool webPicture = false;
        QString playerLyrics;
        QString lyricsAddress;
        bool webLyrics = false;
        bool operator==(const FilesKey&) const = default;
    };
    std::optional<FilesKey> m_filesAsked;
    quint64 m_filesTicket = 0;
    bool m_filesPending = false;
    QElapsedTimer m_filesAskedAt;
    std::optional<FilesKey> m_filesFor;
    std::unique_ptr<TrackFiles> m_files;
    bool m_codecInfoAwaited = false;
};

} // namespace sleevelight
