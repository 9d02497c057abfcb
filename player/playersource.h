#pragma once

#include "player/track.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <optional>

namespace sleevelight {

// One player of a source: what it is doing and playing, kept as the source last heard it so that
// every read answers at once, and the commands it takes, sent without waiting. A source fills it
// in through the protected setters, which announce what changed.
class SourcePlayer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Unique among the players of every source and kept while the player is there; the order of
    // these is the order in which key p goes through the players.
    virtual QString id() const = 0;
    // What the player calls itself ("VLC media player").
    virtual QString identity() const = 0;
    // The names a preference may give the player by, the most specific first; matched without
    // regard to case.
    const QStringList& names() const { return m_names; }
    // The ways the player is reached. Players that share one are one player under several names
    // (a browser's two names on one connection) or reached two ways (a daemon on two buses): only
    // the first of them, by id, is listed and followed.
    virtual QStringList reachedAs() const { return {id()}; }
    // A player that only mirrors whichever other player was active last; followed only when alone.
    virtual bool isMirror() const { return false; }
    // What the source can start the player again by when it has gone; empty when it cannot.
    virtual QString startName() const { return {}; }

    // True once the player has said what it is doing (or failed to).
    bool isLoaded() const { return m_loaded; }
    PlaybackStatus status() const { return m_status; }
    bool isPlaying() const { return m_status == PlaybackStatus::Playing; }
    double rate() const { return m_rate; }
    std::optional<double> volume() const { return m_volume; }
    const Track& track() const { return m_track; }
    // The track after this one in the player's queue; none when nothing is next or the player
    // does not say.
    const std::optional<Track>& nextTrack() const { return m_nextTrack; }

    // Microseconds into the track; a source whose players do not say how far they are may ask now
    // (without waiting) for the next time.
    qint64 position();
    // The same from what the player said last, run on at its rate while it plays; asks nothing.
    qint64 extrapolatedPosition() const;

    virtual void playPause() = 0;
    virtual void previous() = 0;
    virtual void next() = 0;
    // To that many microseconds into the track.
    virtual void seek(qint64 positionUs) = 0;
    // 0-1 and above; the player's volume reads the new value at once.
    virtual void setVolume(double volume) = 0;
    // The source keeps ratings and loved flags of its own (a player's library): what the track
    // says of them is the truth, and the rating store is not asked.
    virtual bool keepsRatings() const { return false; }
    // The rating (0-100) and the loved flag, to a player that takes them; others ignore them.
    virtual void setRating(int percent) { Q_UNUSED(percent); }
    virtual void setLoved(bool loved) { Q_UNUSED(loved); }
    // The track's artwork as the source itself read it (a music server sends it), once it has;
    // empty when there is none. Nothing from a source that leaves pictures to the track's address.
    virtual std::optional<QByteArray> picture() const { return std::nullopt; }

Q_SIGNALS:
    void statusChanged();
    // State, track or what the player says about the track changed.
    void changed();
    // The player moved the position itself (a seek).
    void seeked();
    // The player's names are known (or it did not give them).
    void identified();

protected:
    void setNames(const QStringList& names) { m_names = names; }
    void setLoaded() { m_loaded = true; }
    // Each true when something changed; changed() and statusChanged() are the caller's to send,
    // once for all it applied.
    bool applyStatus(PlaybackStatus status);
    bool applyRate(double rate);
    bool applyTrack(const Track& track);
    bool applyNextTrack(const std::optional<Track>& next);
    void applyVolume(double volume) { m_volume = volume; }
    // The player said where it is now.
    void anchorPosition(qint64 positionUs);
    // Asks the player where it is, for a source that must; the answer goes to anchorPosition().
    virtual void askPosition() {}

private:
    QStringList m_names;
    bool m_loaded = false;
    PlaybackStatus m_status = PlaybackStatus::Unknown;
    double m_rate = 1.0;
    std::optional<double> m_volume;
    Track m_track;
    std::optional<Track> m_nextTrack;
    qint64 m_anchorUs = 0;
    QElapsedTimer m_anchorClock;
};

// What the user's settings say about where players are.
struct SourceSettings
{
    // Music servers, "[password@]host[:port]" or a socket's path; empty for the environment's or
    // the local one.
    QStringList mpdServers;
    // Where those servers' songs are on this machine, when they are.
    QString mpdMusicFolder;

    bool operator==(const SourceSettings&) const = default;
};

// Where players come from (the session bus, a music server): it tells of players coming and
// going. It owns its players; a player is announced gone before it is deleted.
class PlayerSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QList<SourcePlayer*> players() const = 0;
    // True once the players already there at start are known.
    virtual bool isReady() const = 0;
    // Asks, without waiting, for the player of that start name to be started; false when the name
    // is not one of this source's.
    virtual bool startPlayer(const QString& startName)
    {
        Q_UNUSED(startName);
        return false;
    }
    // Sources that read the settings take them here, at start and after each change.
    virtual void applySettings(const SourceSettings& settings) { Q_UNUSED(settings); }

Q_SIGNALS:
    void playerAdded(sleevelight::SourcePlayer* player);
    void playerRemoved(sleevelight::SourcePlayer* player);
    void readyChanged();
};

} // namespace sleevelight
