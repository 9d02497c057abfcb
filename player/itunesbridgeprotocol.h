#pragma once

#include "platform/lyricslines.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace sleevelight {

// The one seam between the display and the music player. Every answer comes at once from
// what the bridge already knows; a bridge never blocks its caller. Missing or ill-typed
// values are absent values, never errors.
// The keys of trackInfo and trackProgress are `BridgeKey` (player/values.h).
class iTunesBridgeProtocol : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QVariant isRunning() = 0;
    virtual QVariant playerState() = 0;
    virtual std::optional<QVariantMap> trackInfo() = 0;
    virtual std::optional<QVariantMap> trackProgress() = 0;
    // The encoded pictures of the current track, main picture first; an empty entry has no data.
    virtual std::optional<QList<QByteArray>> artworkImages() = 0;
    // A small decoded copy of artworkImages()[index], to show while the picture itself is decoded;
    // null when there is none.
    virtual QImage artworkPreview(qsizetype index)
    {
        Q_UNUSED(index);
        return {};
    }

    // The current track's lyrics, as read with its files; empty without any.
    virtual lyrics::Lyrics trackLyrics() { return {}; }
    // Milliseconds into the current track, from what the player said last and run on while it
    // plays; asks the player nothing. None without a track.
    virtual std::optional<qint64> trackPositionMs() { return std::nullopt; }
    // How far the current track's lyrics are shifted against their time stamps, in milliseconds
    // (negative: sooner), as kept for the track; and a new shift to keep for it.
    virtual qint64 lyricsShiftMs() { return 0; }
    virtual void setLyricsShiftMs(qint64 ms) { Q_UNUSED(ms); }
    // Whether lyrics may be looked up on the web for tracks that carry none.
    virtual void setLyricsFromWeb(bool allowed) { Q_UNUSED(allowed); }

    // The track after the current one in the player's queue, with the keys trackName and
    // trackArtist; none when nothing is next or the player does not say.
    virtual std::optional<QVariantMap> nextTrackInfo() { return std::nullopt; }

    virtual QVariant soundVolume() = 0;
    virtual void setSoundVolume(const QVariant& volume) = 0;
    virtual QVariant iTrackLoved() = 0;
    virtual void setITrackLoved(const QVariant& loved) = 0;
    virtual QVariant iTrackRating() = 0;
    virtual void setITrackRating(const QVariant& rating) = 0;
    virtual QVariant iCodecInfo() = 0;
    // True while the current track's file information is still being read; codecInfoRead()
    // follows when it is.
    virtual bool isReadingCodecInfo() { return false; }

    // Key p: follows the next player and keeps to it while it is there. What the player followed
    // now calls itself; empty when there is none.
    virtual QString followNextPlayer() { return {}; }
    // Follows the player that calls itself `name` from now on while it is there, as key p would;
    // what the player followed now calls itself (empty when there is none).
    virtual QString followPlayer(const QString& name)
    {
        Q_UNUSED(name);
        return {};
    }
    // What the player followed calls itself; empty when there is none.
    virtual QString followedPlayerName() { return {}; }
    // What the players of every source now call themselves, one per player.
    virtual QStringList playerNames() { return {}; }
    // Names of players to follow whenever they are there, the first listed first, and never to follow.
    virtual void setPlayerRules(const QStringList& preferred, const QStringList& ignored)
    {
        Q_UNUSED(preferred);
        Q_UNUSED(ignored);
    }
    // Music servers to follow ("[password@]host[:port]" or a socket's path; none: the environment's
    // or the local one), and where their songs are on this machine when they are.
    virtual void setMusicServers(const QStringList& servers, const QString& musicFolder)
    {
        Q_UNUSED(servers);
        Q_UNUSED(musicFolder);
    }

    virtual void playPause() = 0;
    virtual void gotoPreviousTrack() = 0;
    virtual void gotoNextTrack() = 0;

Q_SIGNALS:
    // The player changed track, state or what it says about the track.
    void playerInfoChanged();
    // The player moved within the track by itself (a seek); the position runs on from there.
    void positionJumped();
    // The file information asked for while it was being read is here.
    void codecInfoRead();
    // The player the user chose has gone; `nowFollowing` is what the one followed now calls itself.
    void chosenPlayerLeft(const QString& nowFollowing);
};

} // namespace sleevelight
