#pragma once

#include "player/mprismetadata.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

class OrgFreedesktopDBusPropertiesInterface;
class OrgMprisMediaPlayer2PlayerInterface;

namespace sleevelight {

using namespace Qt::StringLiterals;

// What one player on the bus says, kept in a cache that answers at once. The cache is filled by
// an asynchronous GetAll and kept fresh by PropertiesChanged and Seeked; the position, which
// players do not signal, is asked for at most once a second and extrapolated in between.
// Every call to the player is addressed to its unique connection name, so a player that
// restarts under the same well-known name is a new MprisPlayer.
class MprisPlayer : public QObject
{
    Q_OBJECT

public:
    MprisPlayer(const QDBusConnection& bus, const QString& busName, const QString& owner,
                QObject* parent = nullptr);
    ~MprisPlayer() override;

    QString busName() const { return m_busName; }
    QString owner() const { return m_owner; }
    // What the player calls itself ("VLC media player"), else the last part of its bus name.
    QString identity() const;
    // The names a preference may give the player by: its desktop entry ("vlc"), its identity and
    // its bus name without the prefix and instance ("vlc").
    const QStringList& names() const { return m_names; }

    // True once the player has answered GetAll.
    bool isLoaded() const { return m_loaded; }
    // "Playing", "Paused" or "Stopped"; empty until known.
    QString playbackStatus() const { return m_status; }
    bool isPlaying() const { return m_status == "Playing"_L1; }
    double rate() const { return m_rate; }
    std::optional<double> volume() const { return m_volume; }
    const mpris::TrackMetadata& metadata() const { return m_metadata; }
    // The player publishes this property on its Player interface.
    bool publishes(const QString& property) const { return m_published.contains(property); }

    // Microseconds into the track. While playing, this may send one asynchronous question.
    qint64 position();
    // The same from what the player said last, run on at its rate while it plays; asks nothing.
    qint64 extrapolatedPosition() const;

    void playPause();
    void previous();
    void next();
    // Sent without waiting; the cache takes the value at once.
    void setVolume(double volume);
    void setPlayerProperty(const QString& name, const QVariant& value);
    // A method of another object of the same player connection (Rhythmbox's database).
    void sendToOwner(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& arguments);

Q_SIGNALS:
    void statusChanged();
    // State, track or what the player says about the track changed.
    void changed();
    // The player moved the position itself (Seeked).
    void seeked();
    // The player's identity and desktop entry are known (or it did not give them).
    void identified();

private:
    void load();
    void applyProperties(const QVariantMap& properties);
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);
    void fetchProperty(const QString& name);
    void anchorPosition(qint64 positionUs);
    void pollPosition();

    QDBusConnection m_bus;
    QString m_busName;
    QString m_owner;
    OrgFreedesktopDBusPropertiesInterface* m_properties = nullptr;
    OrgMprisMediaPlayer2PlayerInterface* m_player = nullptr;

    bool m_loaded = false;
    QString m_identity;
    // Desktop entry and identity when the player gave them, then the bus name's part; kept, as the
    // rules match against them whenever a player's state changes.
    QStringList m_names;
    QString m_status;
    double m_rate = 1.0;
    std::optional<double> m_volume;
    mpris::TrackMetadata m_metadata;
    QSet<QString> m_published;

    qint64 m_anchorUs = 0;
    QElapsedTimer m_anchorClock;
    QElapsedTimer m_lastPoll;
    bool m_pollInFlight = false;
    // The player has given a position other than 0 for this track.
    bool m_positionReported = false;
};

} // namespace sleevelight
