#include "player/mpris/mprissource.h"

#include "player/mpris/mprisnames.h"
#include "player/mpris/mprisplayer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace sleevelight {

MprisSource::MprisSource(const QDBusConnection& bus, const QString& busLabel, QObject* parent)
    : PlayerSource(parent), m_bus(bus), m_busLabel(busLabel)
{
    // Qt's service watcher takes no name patterns here, so the bus's own signal is followed and
    // everything but player names is passed over.
    m_bus.connect(mpris::busService, mpris::busPath, mpris::busInterface, u"NameOwnerChanged"_s, this,
                  SLOT(ownerChanged(QString, QString, QString)));

    // The players already there: listed once, then each owner asked for, all without waiting.
    const QDBusMessage list = QDBusMessage::createMethodCall(mpris::busService, mpris::busPath,
                                                             mpris::busInterface, u"ListNames"_s);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(list, mpris::callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QStringList> reply = *call;
        int asked = 0;
        auto pending = std::make_shared<int>(0);
        auto finish = [this] {
            if (!m_ready) {
                m_ready = true;
                Q_EMIT readyChanged();
            }
        };
        for (const QString& name : reply.isError() ? QStringList() : reply.value()) {
            if (!name.startsWith(mpris::busNamePrefix) || m_heardOf.contains(name))
                continue;
            ++asked;
            ++*pending;
            QDBusMessage ask = QDBusMessage::createMethodCall(mpris::busService, mpris::busPath,
                                                              mpris::busInterface, u"GetNameOwner"_s);
            ask << name;
            auto* ownerCall = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, mpris::callTimeoutMs), this);
            connect(ownerCall, &QDBusPendingCallWatcher::finished, this,
                    [this, name, pending, finish](QDBusPendingCallWatcher* ownerReply) {
                        ownerReply->deleteLater();
                        QDBusPendingReply<QString> owner = *ownerReply;
                        if (!owner.isError() && !m_heardOf.contains(name))
                            addPlayer(name, owner.value());
                        if (--*pending == 0)
                            finish();
                    });
        }
        if (asked == 0)
            finish();
    });
}

MprisSource::~MprisSource() = default;

QList<SourcePlayer*> MprisSource::players() const
{
    QList<SourcePlayer*> list;
    for (MprisPlayer* player : m_players)
        list << player;
    return list;
}

bool MprisSource::startPlayer(const QString& startName)
{
    if (!m_busLabel.isEmpty() || !startName.startsWith(mpris::busNamePrefix))
        return false;
    QDBusMessage start = QDBusMessage::createMethodCall(mpris::busService, mpris::busPath,
                                                        mpris::busInterface, u"StartServiceByName"_s);
    start << startName << 0u;
    // The player's arrival on the bus is what counts, not the bus's answer.
    m_bus.send(start);
    return true;
}

void MprisSource::ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner)
{
    if (!name.startsWith(mpris::busNamePrefix))
        return;
    m_heardOf.insert(name);
    if (!oldOwner.isEmpty() || m_players.contains(name))
        removePlayer(name);
    if (!newOwner.isEmpty())
        addPlayer(name, newOwner);
}

void MprisSource::addPlayer(const QString& name, const QString& owner)
{
    if (m_players.contains(name))
        removePlayer(name);
    auto* player = new MprisPlayer(m_bus, m_busLabel, name, owner, this);
    m_players.insert(name, player);
    Q_EMIT playerAdded(player);
}

void MprisSource::removePlayer(const QString& name)
{
    MprisPlayer* player = m_players.take(name);
    if (player == nullptr)
        return;
    Q_EMIT playerRemoved(player);
    // Replies still on their way belong to the player object and go with it.
    delete player;
}

} // namespace sleevelight
