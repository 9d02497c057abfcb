#include "player/mprisplayermanager.h"

#include "player/mprisnames.h"
#include "player/mprisplayer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
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
    // Rules may name a player by what it calls itself, which comes after it appears.
    connect(player, &MprisPlayer::identified, this, &MprisPlayerManager::choose);
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
    const bool wasChosen = player == m_chosen;
    // Replies still on their way belong to the player object and go with it.
    delete player;
    if (wasFollowed)
        m_followed = nullptr;
    choose();
    if (wasFollowed && m_followed == nullptr)
        Q_EMIT followedChanged();
    if (wasChosen)
        Q_EMIT choiceLeft();
}

void MprisPlayerManager::setRules(const QStringList& preferred, const QStringList& ignored)
{
    if (preferred == m_preferred && ignored == m_ignored)
        return;
    m_preferred = preferred;
    m_ignored = ignored;
    choose();
}

bool MprisPlayerManager::matches(const MprisPlayer* player, const QStringList& names) const
{
    for (const QString& name : player->names())
        if (names.contains(name, Qt::CaseInsensitive))
            return true;
    return false;
}

QList<MprisPlayer*> MprisPlayerManager::onePerConnection(bool withIgnored) const
{
    QStringList names = m_players.keys();
    names.sort();
    QList<MprisPlayer*> list;
    QSet<QString> owners;
    for (const QString& name : std::as_const(names)) {
        MprisPlayer* player = m_players.value(name);
        if ((!withIgnored && matches(player, m_ignored)) || owners.contains(player->owner()))
            continue;
        owners.insert(player->owner());
        list << player;
    }
    return list;
}

QList<MprisPlayer*> MprisPlayerManager::present() const
{
    return onePerConnection(true);
}

QList<MprisPlayer*> MprisPlayerManager::candidates() const
{
    QList<MprisPlayer*> list = onePerConnection(false);
    const auto isMirror = [](const MprisPlayer* player) {
        return player->busName() == mpris::playerctldBusName;
    };
    if (!std::all_of(list.cbegin(), list.cend(), isMirror))
        list.removeIf(isMirror);
    return list;
}

MprisPlayer* MprisPlayerManager::followNext()
{
    const QList<MprisPlayer*> list = candidates();
    if (list.isEmpty())
        return nullptr;
    m_chosen = list.at((list.indexOf(m_followed.data()) + 1) % list.size());
    choose();
    return m_chosen;
}

void MprisPlayerManager::markActive(MprisPlayer* player)
{
    m_lastActive.insert(player, ++m_activityClock);
}

void MprisPlayerManager::choose()
{
    const QList<MprisPlayer*> allowed = candidates();
    MprisPlayer* best = nullptr;
    if (m_chosen && allowed.contains(m_chosen.data())) {
        best = m_chosen;
    } else {
        for (const QString& preferred : m_preferred) {
            const auto found = std::find_if(allowed.cbegin(), allowed.cend(), [&](const MprisPlayer* player) {
                return player->names().contains(preferred, Qt::CaseInsensitive);
            });
            if (found != allowed.cend()) {
                best = *found;
                break;
            }
        }
    }
    if (best == nullptr && m_followed && m_followed->isPlaying() && allowed.contains(m_followed.data())) {
        best = m_followed;
    } else if (best == nullptr) {
        auto mostRecent = [&](bool playingOnly) {
            MprisPlayer* found = nullptr;
            for (MprisPlayer* player : allowed) {
                if (playingOnly && !player->isPlaying())
                    continue;
                if (found == nullptr || m_lastActive.value(player) > m_lastActive.value(found))
                    found = player;
            }
            return found;
        };
        best = mostRecent(true);
        if (best == nullptr)
            best = m_followed && allowed.contains(m_followed.data()) ? m_followed.data() : mostRecent(false);
    }
    if (best == m_followed)
        return;
    m_followed = best;
    Q_EMIT followedChanged();
}

} // namespace sleevelight
