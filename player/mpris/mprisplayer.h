#pragma once

#include "player/playersource.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QVariantMap>

class OrgFreedesktopDBusPropertiesInterface;
class OrgMprisMediaPlayer2PlayerInterface;

namespace sleevelight {

// What one MPRIS player on a bus says, kept in a cache that answers at once. The cache is filled
// by an asynchronous GetAll and kept fresh by PropertiesChanged and Seeked; the position, which
// players do not signal, is asked for at most once a second and extrapolated in between.
// Every call to the player is addressed to its unique connection name, so a player that
// restarts under the same well-known name is a new MprisPlayer.
class MprisPlayer : public SourcePlayer
{
    Q_OBJECT

public:
    // `busLabel` tells the bus apart from the others followed ("system"); empty for the session bus.
    MprisPlayer(const QDBusConnection& bus, const QString& busLabel, const QString& busName,
                const QString& owner, QObject* parent = nullptr);
    ~MprisPlayer() override;

    QString busName() const { return m_busName; }
    QString owner() const { return m_owner; }

    QString id() const override { return m_busLabel.isEmpty() ? m_busName : m_busLabel + u':' + m_busName; }
    // What the player calls itself ("VLC media player"), else the last part of its bus name.
    QString identity() const override;
    // By its connection on its bus, and by its name on any bus.
    QStringList reachedAs() const override { return {m_busLabel + u'/' + m_owner, m_busName}; }
    bool isMirror() const override;
    QString startName() const override;

    // The player publishes this property on its Player interface.
    bool publishes(const QString& property) const { return m_published.contains(property); }

    void playPause() override;
    void previous() override;
    void next() override;
    void seek(qint64 positionUs) override;
    // Sent without waiting; the cache takes the value at once.
    void setVolume(double volume) override;
    // Players that publish a Rating get it; Rhythmbox keeps it in its database beside the player.
    void setRating(int percent) override;

private Q_SLOTS:
    // The player's queue changed (TrackList): what is next is asked again.
    void askNextTrack();

private:
    void load();
    void nextTrackKnown(const std::optional<Track>& next);
    void applyProperties(const QVariantMap& properties);
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);
    void fetchProperty(const QString& name);
    void askPosition() override;
    void setPlayerProperty(const QString& name, const QVariant& value);
    // A method of another object of the same player connection (Rhythmbox's database).
    void sendToOwner(const QString& path, const QString& interface, const QString& method,
                     const QVariantList& arguments);

    QDBusConnection m_bus;
    QString m_busLabel;
    QString m_busName;
    QString m_owner;
    OrgFreedesktopDBusPropertiesInterface* m_properties = nullptr;
    OrgMprisMediaPlayer2PlayerInterface* m_player = nullptr;

    QString m_identity;
    QSet<QString> m_published;
    // The player offers its queue (TrackList); a question about it is on its way, and another is
    // due when it is answered.
    bool m_hasTrackList = false;
    bool m_nextAsked = false;
    bool m_nextAgain = false;

    QElapsedTimer m_lastPoll;
    bool m_pollInFlight = false;
    // The player has given a position other than 0 for this track.
    bool m_positionReported = false;
};

} // namespace sleevelight
