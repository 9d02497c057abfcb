#pragma once

#include "player/itunesbridgeprotocol.h"

#include <QElapsedTimer>

#include <memory>
#include <optional>

class QTimer;

namespace sleevelight {

struct Track;
class LocalReader;
class PlayerChoice;
class PlayerSource;
class RatingKeeper;
class SourcePlayer;
struct TrackFiles;
class WebFetches;

// The bridge to whichever player of its sources is followed, and everything a track gets beyond
// what its source says, for every source alike: what its files hold (read on a worker), pictures
// and lyrics from the web, the rating store, the lyrics' shift. Every read answers from what the
// players have already said; every command is sent without waiting for a reply. Changes of the
// followed player reach playerInfoChanged() once per turn of the event loop, however many signals
// the player sends for them.
class PlayerBridge : public iTunesBridgeProtocol
{
    Q_OBJECT

public:
    explicit PlayerBridge(QObject* parent = nullptr);
    ~PlayerBridge() override;

    // Makes the application's bridge a PlayerBridge over the application's sources.
    static void registerAsApplicationBridge();

    // Follows the players of `source` too; the bridge owns it.
    void addSource(PlayerSource* source);

    PlayerChoice& players() const { return *m_players; }
    RatingKeeper& store() const { return *m_store; }

    // The scheme and host of the lyrics service: lrclib.net, or SLEEVELIGHT_LYRICS_SITE.
    void setLyricsSite(const QString& site) { m_lyricsSite = site; }

    // The player asked to start when none is there ("Start with the app"), by its start name;
    // empty while not known.
    QString lastPlayerName() const;

    QVariant isRunning() override;
    QVariant playerState() override;
    std::optional<QVariantMap> trackInfo() override;
    std::optional<QVariantMap> trackProgress() override;
    std::optional<QList<QByteArray>> artworkImages() override;
    QImage artworkPreview(qsizetype index) override;
    lyrics::Lyrics trackLyrics() override;
    std::optional<QVariantMap> nextTrackInfo() override;
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
    QString followPlayer(const QString& name) override;
    QString followedPlayerName() override;
    QStringList playerNames() override;
    void setPlayerRules(const QStringList& preferred, const QStringList& ignored) override;
    void setMusicServers(const QStringList& servers, const QString& musicFolder) override;
    void playPause() override;
    void gotoPreviousTrack() override;
    void gotoNextTrack() override;

private:
    SourcePlayer* track() const;
    void scheduleNotify();
    void followedChanged();
    void startLastPlayer();
    void addNumbersFromFile(Track& track);
    const TrackFiles* files();
    void filesRead(quint64 ticket, const TrackFiles& files);

    PlayerChoice* m_players = nullptr;
    QList<PlayerSource*> m_sources;
    WebFetches* m_web = nullptr;
    LocalReader* m_reader = nullptr;
    RatingKeeper* m_store = nullptr;
    bool m_lyricsFromWeb = false;
    QString m_lyricsSite;
    WebFetches* m_webLyrics = nullptr;
    QTimer* m_notify = nullptr;
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
