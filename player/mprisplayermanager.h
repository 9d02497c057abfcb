#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

namespace sleevelight {

class MprisPlayer;

// Which MPRIS players are on the bus, and which one is followed. The player the user chose (key
// p) is followed while it is on the bus; else the first of the preferred players present; else a
// playing player wins over one that is not, the followed one is kept while it plays, and when it
// leaves, the most recently active of the others takes over. Ignored players are never followed.
// The bus tells of names coming and going; nothing is polled.
class MprisPlayerManager : public QObject
{
    Q_OBJECT

public:
    explicit MprisPlayerManager(const QDBusConnection& bus, QObject* parent = nullptr);
    ~MprisPlayerManager() override;

    MprisPlayer* followed() const { return m_followed; }
    QList<MprisPlayer*> players() const;
    // One player per connection, by bus name, ignored ones too.
    QList<MprisPlayer*> present() const;
    // True once the names already on the bus at start are known.
    bool isReady() const { return m_ready; }

    // Names matched, without regard to case, against each player's names().
    void setRules(const QStringList& preferred, const QStringList& ignored);
    // Follows the next player on the bus, in the order of their bus names, from now on while it is
    // there; the player, or none when no player may be followed.
    MprisPlayer* followNext();

Q_SIGNALS:
    void followedChanged();
    // The followed player changed its state or track.
    void followedPlayerChanged();
    void followedPlayerSeeked();
    void readyChanged();
    // The player the user chose left the bus; followed() is the one followed now.
    void choiceLeft();

private Q_SLOTS:
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void addPlayer(const QString& name, const QString& owner);
    void removePlayer(const QString& name);
    void markActive(MprisPlayer* player);
    void choose();
    bool matches(const MprisPlayer* player, const QStringList& names) const;
    // The players that may be followed, one per connection (a browser owns a name and an
    // instance name), by bus name; a mirror such as playerctld only when it is alone.
    QList<MprisPlayer*> candidates() const;
    QList<MprisPlayer*> onePerConnection(bool withIgnored) const;

    QDBusConnection m_bus;
    QHash<QString, MprisPlayer*> m_players; // by well-known name
    QHash<MprisPlayer*, quint64> m_lastActive;
    quint64 m_activityClock = 0;
    QPointer<MprisPlayer> m_followed;
    QPointer<MprisPlayer> m_chosen;
    QStringList m_preferred;
    QStringList m_ignored;
    // Names the watcher reported before the first listing came back; the watcher knows better.
    QSet<QString> m_heardOf;
    bool m_ready = false;
};

} // namespace sleevelight
