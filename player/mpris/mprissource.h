#pragma once

#include "player/playersource.h"

#include <QDBusConnection>
#include <QHash>
#include <QSet>

namespace sleevelight {

class MprisPlayer;

// The MPRIS players on one bus (the session bus, or the system bus where players run as system
// services). The bus tells of names coming and going; nothing is polled.
class MprisSource : public PlayerSource
{
    Q_OBJECT

public:
    // `busLabel` tells this bus's players apart from the session bus's ("system"); empty for the
    // session bus.
    explicit MprisSource(const QDBusConnection& bus, const QString& busLabel = {}, QObject* parent = nullptr);
    ~MprisSource() override;

    // Every player by its well-known name, several of one connection among them.
    QList<SourcePlayer*> players() const override;
    bool isReady() const override { return m_ready; }
    // The bus starts a player by its well-known name, when it has a service file for it.
    bool startPlayer(const QString& startName) override;

private Q_SLOTS:
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void addPlayer(const QString& name, const QString& owner);
    void removePlayer(const QString& name);

    QDBusConnection m_bus;
    QString m_busLabel;
    QHash<QString, MprisPlayer*> m_players; // by well-known name
    // Names the watcher reported before the first listing came back; the watcher knows better.
    QSet<QString> m_heardOf;
    bool m_ready = false;
};

} // namespace sleevelight
