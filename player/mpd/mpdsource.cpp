#include "player/mpd/mpdsource.h"

#include "player/mpd/mpdplayer.h"

namespace sleevelight {

MpdSource::MpdSource(const MpdLink::Limits& limits, QObject* parent) : PlayerSource(parent), m_limits(limits)
{
}

MpdSource::~MpdSource() = default;

QList<SourcePlayer*> MpdSource::players() const
{
    QList<SourcePlayer*> reached;
    for (MpdPlayer* player : m_players)
        if (player->isReached())
            reached << player;
    return reached;
}

void MpdSource::applySettings(const SourceSettings& settings)
{
    const QList<MpdServer> servers = mpdServers(settings.mpdServers, MpdEnvironment::current());
    if (m_configured && servers == m_servers && settings.mpdMusicFolder == m_musicFolder)
        return;
    m_configured = true;
    m_servers = servers;
    m_musicFolder = settings.mpdMusicFolder;
    // Every link starts again: a server kept would not learn of a new music folder.
    for (MpdPlayer* player : std::exchange(m_players, {})) {
        if (player->isReached())
            Q_EMIT playerRemoved(player);
        delete player;
    }
    for (const MpdServer& server : std::as_const(m_servers)) {
        auto* player = new MpdPlayer(server, m_musicFolder, m_limits, this);
        connect(player, &MpdPlayer::reachedChanged, this, [this, player] { reachedChanged(player); });
        m_players << player;
    }
}

void MpdSource::reachedChanged(MpdPlayer* player)
{
    if (player->isReached())
        Q_EMIT playerAdded(player);
    else
        Q_EMIT playerRemoved(player);
}

} // namespace sleevelight
