#include "player/mpd/mpdplayer.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {
// A position further than this from where the last one has run to is a seek.
constexpr qint64 seekThresholdUs = 1'500'000;
} // namespace

MpdPlayer::MpdPlayer(const MpdServer& server, const QString& musicFolder, const MpdLink::Limits& limits,
                     QObject* parent)
    : SourcePlayer(parent), m_server(server)
{
    setNames({identity(), server.name, u"mpd"_s});
    m_link = new MpdLink(server, musicFolder, limits, this);
    connect(m_link, &MpdLink::stateRead, this, &MpdPlayer::stateRead);
    connect(m_link, &MpdLink::pictureRead, this, &MpdPlayer::pictureRead);
    connect(m_link, &MpdLink::lost, this, [this] {
        m_reached = false;
        Q_EMIT reachedChanged();
    });
}

MpdPlayer::~MpdPlayer() = default;

QString MpdPlayer::id() const
{
    return u"mpd:"_s + m_server.name;
}

QString MpdPlayer::identity() const
{
    return u"MPD "_s + m_server.name;
}

void MpdPlayer::stateRead(const MpdState& state)
{
    const bool sameSong = state.songFile == m_songFile && isLoaded();
    const qint64 expected = extrapolatedPosition();
    m_songFile = state.songFile;
    m_stickers = state.stickers;
    bool changed = applyStatus(state.status);
    changed = applyTrack(state.track) || changed;
    changed = applyNextTrack(state.next) || changed;
    if (state.volume)
        applyVolume(*state.volume);
    anchorPosition(state.elapsedUs.value_or(0));
    setLoaded();
    if (!std::exchange(m_reached, true)) {
        Q_EMIT reachedChanged();
        return;
    }
    if (changed)
        Q_EMIT this->changed();
    if (sameSong && std::abs(state.elapsedUs.value_or(0) - expected) > seekThresholdUs)
        Q_EMIT seeked();
}

void MpdPlayer::pictureRead(const QString& trackUrl, const QByteArray& bytes)
{
    m_pictureFor = trackUrl;
    m_picture = bytes;
    if (trackUrl == track().artUrl)
        Q_EMIT changed();
}

std::optional<QByteArray> MpdPlayer::picture() const
{
    if (m_pictureFor.isEmpty() || m_pictureFor != track().artUrl)
        return std::nullopt;
    return m_picture;
}

void MpdPlayer::send(const MpdLink::Command& command)
{
    if (m_reached)
        m_link->send(command);
}

void MpdPlayer::playPause()
{
    send({MpdLink::Command::Kind::PlayPause});
}

void MpdPlayer::seek(qint64 positionUs)
{
    send({MpdLink::Command::Kind::Seek, positionUs});
}

void MpdPlayer::setVolume(double volume)
{
    applyVolume(std::clamp(volume, 0.0, 1.0));
    send({MpdLink::Command::Kind::Volume, std::lround(std::clamp(volume, 0.0, 1.0) * 100.0)});
}

void MpdPlayer::setRating(int percent)
{
    if (!m_stickers || m_songFile.isEmpty())
        return;
    // Two a star, as other clients keep it; the track shows it at once, the server's word follows.
    const int rating = std::clamp(int(std::lround(percent / 10.0)), 0, 10);
    Track shown = track();
    shown.rating = rating / 10.0;
    if (applyTrack(shown))
        Q_EMIT changed();
    send({MpdLink::Command::Kind::Rating, rating, m_songFile});
}

void MpdPlayer::setLoved(bool loved)
{
    if (!m_stickers || m_songFile.isEmpty())
        return;
    Track shown = track();
    shown.loved = loved;
    if (applyTrack(shown))
        Q_EMIT changed();
    send({MpdLink::Command::Kind::Loved, loved ? 1 : 0, m_songFile});
}

} // namespace sleevelight
