#include "player/playerchoice.h"

#include "player/playersource.h"

#include <QSet>

#include <algorithm>

namespace sleevelight {

PlayerChoice::PlayerChoice(QObject* parent) : QObject(parent) {}

PlayerChoice::~PlayerChoice() = default;

void PlayerChoice::addSource(PlayerSource* source)
{
    m_sources << source;
    connect(source, &PlayerSource::playerAdded, this, &PlayerChoice::addPlayer);
    connect(source, &PlayerSource::playerRemoved, this, &PlayerChoice::removePlayer);
    connect(source, &PlayerSource::readyChanged, this, &PlayerChoice::readyChanged);
    connect(source, &QObject::destroyed, this, [this, source] { m_sources.removeAll(source); });
    for (SourcePlayer* player : source->players())
        addPlayer(player);
}

bool PlayerChoice::isReady() const
{
    return std::all_of(m_sources.cbegin(), m_sources.cend(),
                       [](const PlayerSource* source) { return source->isReady(); });
}

QList<SourcePlayer*> PlayerChoice::players() const
{
    QList<SourcePlayer*> list = m_players;
    std::sort(list.begin(), list.end(),
              [](const SourcePlayer* a, const SourcePlayer* b) { return a->id() < b->id(); });
    return list;
}

void PlayerChoice::addPlayer(SourcePlayer* player)
{
    if (m_players.contains(player))
        return;
    m_players << player;
    markActive(player);
    connect(player, &SourcePlayer::statusChanged, this, [this, player] {
        if (player->isPlaying())
            markActive(player);
        choose();
    });
    connect(player, &SourcePlayer::changed, this, [this, player] {
        if (player == m_followed)
            Q_EMIT followedPlayerChanged();
    });
    // Rules may name a player by what it calls itself, which comes after it appears.
    connect(player, &SourcePlayer::identified, this, &PlayerChoice::choose);
    connect(player, &SourcePlayer::seeked, this, [this, player] {
        if (player == m_followed)
            Q_EMIT followedPlayerSeeked();
    });
    choose();
}

void PlayerChoice::removePlayer(SourcePlayer* player)
{
    if (!m_players.removeOne(player))
        return;
    disconnect(player, nullptr, this, nullptr);
    m_lastActive.remove(player);
    const bool wasFollowed = player == m_followed;
    const bool wasChosen = player == m_chosen;
    if (wasFollowed)
        m_followed = nullptr;
    if (wasChosen)
        m_chosen = nullptr;
    choose();
    if (wasFollowed && m_followed == nullptr)
        Q_EMIT followedChanged();
    if (wasChosen)
        Q_EMIT choiceLeft();
}

void PlayerChoice::setRules(const QStringList& preferred, const QStringList& ignored)
{
    if (preferred == m_preferred && ignored == m_ignored)
        return;
    m_preferred = preferred;
    m_ignored = ignored;
    choose();
}

bool PlayerChoice::matches(const SourcePlayer* player, const QStringList& names) const
{
    for (const QString& name : player->names())
        if (names.contains(name, Qt::CaseInsensitive))
            return true;
    return false;
}

QList<SourcePlayer*> PlayerChoice::onePerConnection(bool withIgnored) const
{
    QList<SourcePlayer*> list;
    QSet<QString> reached;
    for (SourcePlayer* player : players()) {
        const QStringList ways = player->reachedAs();
        const bool seen = std::any_of(ways.cbegin(), ways.cend(),
                                      [&](const QString& way) { return reached.contains(way); });
        if ((!withIgnored && matches(player, m_ignored)) || seen)
            continue;
        for (const QString& way : ways)
            reached.insert(way);
        list << player;
    }
    return list;
}

QList<SourcePlayer*> PlayerChoice::present() const
{
    return onePerConnection(true);
}

QList<SourcePlayer*> PlayerChoice::candidates() const
{
    QList<SourcePlayer*> list = onePerConnection(false);
    const auto isMirror = [](const SourcePlayer* player) {
        return player->isMirror();
    };
    if (!std::all_of(list.cbegin(), list.cend(), isMirror))
        list.removeIf(isMirror);
    return list;
}

SourcePlayer* PlayerChoice::followNext()
{
    const QList<SourcePlayer*> list = candidates();
    if (list.isEmpty())
        return nullptr;
    m_chosen = list.at((list.indexOf(m_followed.data()) + 1) % list.size());
    choose();
    return m_chosen;
}

SourcePlayer* PlayerChoice::follow(const QString& identity)
{
    for (SourcePlayer* player : candidates()) {
        if (player->identity() == identity) {
            m_chosen = player;
            choose();
            return player;
        }
    }
    return nullptr;
}

void PlayerChoice::markActive(SourcePlayer* player)
{
    m_lastActive.insert(player, ++m_activityClock);
}

void PlayerChoice::choose()
{
    const QList<SourcePlayer*> allowed = candidates();
    SourcePlayer* best = nullptr;
    if (m_chosen && allowed.contains(m_chosen.data())) {
        best = m_chosen;
    } else {
        for (const QString& preferred : m_preferred) {
            const auto found =
                std::find_if(allowed.cbegin(), allowed.cend(), [&](const SourcePlayer* player) {
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
            SourcePlayer* found = nullptr;
            for (SourcePlayer* player : allowed) {
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
