#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

namespace sleevelight {

class MprisPlayer;

// Which MPRIS players are on the bus, and which one is followed: a playing player wins over one
// that is not, the followed one is kept while it plays, and when it leaves, the most recently
// active of the others takes over. The bus tells of names coming and going; nothing is polled.
class MprisPlayerManager : public QObject
{
    Q_OBJECT

public:
    explicit MprisPlayerManager(const QDBusConnection& bus, QObject* parent = nullptr);
    ~MprisPlayerManager() override;

    MprisPlayer* followed() const { return m_followed; }
    QList<MprisPlayer*> players() const;
    // True once the names already on the bus at start are known.
    bool isReady() const { return m_ready; }

Q_SIGNALS:
    void followedChanged();
    // The followed player changed its state or track.
    void followedPlayerChanged();
    void followedPlayerSeeked();
    void readyChanged();

private Q_SLOTS:
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void addPlayer(const QString& name, const QString& owner);
    void removePlayer(const QString& name);
    void markActive(MprisPlayer* player);
    void choose();

    QDBusConnection m_bus;
    QHash<QString, MprisPlayer*> m_players; // by well-known name
    QHash<MprisPlayer*, quint64> m_lastActive;
    quint64 m_activityClock = 0;
    QPointer<MprisPlayer> m_followed;
    // Names the watcher reported before the first listing came back; the watcher knows better.
    QSet<QString> m_heardOf;
    bool m_ready = false;
};

} // namespace sleevelight
