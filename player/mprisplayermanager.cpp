#include "player/mprisplayermanager.h"

#include "player/mprisnames.h"
#include "player/mprisplayer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <memory>

using namespace Qt::StringLiterals;

namespace sleevelight {

MprisPlayerManager::MprisPlayerManager(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus)
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

MprisPlayerManager::~MprisPlayerManager() = default;

QList<MprisPlayer*> MprisPlayerManager::players() const
{
    return m_players.values();
}

void MprisPlayerManager::ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner)
{
    if (!name.startsWith(mpris::busNamePrefix))
        return;
    m_heardOf.insert(name);
    if (!oldOwner.isEmpty() || m_players.contains(name))
        removePlayer(name);
    if (!newOwner.isEmpty())
        addPlayer(name, newOwner);
}

void MprisPlayerManager::addPlayer(const QString& name, const QString& owner)
{
    if (m_players.contains(name))
        removePlayer(name);
    auto* player = new MprisPlayer(m_bus, name, owner, this);
    m_players.insert(name, player);
    markActive(player);
    connect(player, &MprisPlayer::statusChanged, this, [this, player] {
        if (player->isPlaying())
            markActive(player);
        choose();
    });
    connect(player, &MprisPlayer::changed, this, [this, player] {
        if (player == m_followed)
            Q_EMIT followedPlayerChanged();
    });
    connect(player, &MprisPlayer::seeked, this, [this, player] {
        if (player == m_followed)
            Q_EMIT followedPlayerSeeked();
    });
    choose();
}

void MprisPlayerManager::removePlayer(const QString& name)
{
    MprisPlayer* player = m_players.take(name);
    if (player == nullptr)
        return;
    m_lastActive.remove(player);
    const bool wasFollowed = player == m_followed;
    // Replies still on their way belong to the player object and go with it.
    delete player;
    if (wasFollowed)
        m_followed = nullptr;
    choose();
    if (wasFollowed && m_followed == nullptr)
        Q_EMIT followedChanged();
}

void MprisPlayerManager::markActive(MprisPlayer* player)
{
    m_lastActive.insert(player, ++m_activityClock);
}

void MprisPlayerManager::choose()
{
    MprisPlayer* best = nullptr;
    if (m_followed && m_followed->isPlaying()) {
        best = m_followed;
    } else {
        auto mostRecent = [this](bool playingOnly) {
            MprisPlayer* found = nullptr;
            for (MprisPlayer* player : std::as_const(m_players)) {
                if (playingOnly && !player->isPlaying())
                    continue;
                if (found == nullptr || m_lastActive.value(player) > m_lastActive.value(found))
                    found = player;
            }
            return found;
        };
        best = mostRecent(true);
        if (best == nullptr)
            best = m_followed ? m_followed.data() : mostRecent(false);
    }
    if (best == m_followed)
        return;
    m_followed = best;
    Q_EMIT followedChanged();
}

} // namespace sleevelight
