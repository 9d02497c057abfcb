#pragma once

#include "player/mpd/mpdlink.h"
#include "player/playersource.h"

#include <QList>

namespace sleevelight {

class MpdPlayer;

// The music servers the settings name (or the environment, or the local one): each a player while
// it is reached. Servers are heard of by their own word (MPD's idle); none is polled.
class MpdSource : public PlayerSource
{
    Q_OBJECT

public:
    explicit MpdSource(const MpdLink::Limits& limits = {}, QObject* parent = nullptr);
    ~MpdSource() override;

    QList<SourcePlayer*> players() const override;
    // Ready at once: a server that answers later is one more player then.
    bool isReady() const override { return true; }
    void applySettings(const SourceSettings& settings) override;

private:
    void reachedChanged(MpdPlayer* player);

    MpdLink::Limits m_limits;
    QList<MpdServer> m_servers;
    QString m_musicFolder;
    bool m_configured = false;
    QList<MpdPlayer*> m_players;
};

} // namespace sleevelight
