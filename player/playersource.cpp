#include "player/playersource.h"

#include <cmath>

namespace sleevelight {

qint64 SourcePlayer::position()
{
    if (isPlaying())
        askPosition();
    return extrapolatedPosition();
}

qint64 SourcePlayer::extrapolatedPosition() const
{
    qint64 position = m_anchorUs;
    if (isPlaying() && m_anchorClock.isValid())
        position += static_cast<qint64>(std::llround(m_rate * double(m_anchorClock.nsecsElapsed()) / 1000.0));
    position = std::max<qint64>(0, position);
    if (m_track.lengthUs)
        position = std::min(position, *m_track.lengthUs);
    return position;
}

void SourcePlayer::anchorPosition(qint64 positionUs)
{
    m_anchorUs = std::max<qint64>(0, positionUs);
    m_anchorClock.start();
}

bool SourcePlayer::applyStatus(PlaybackStatus status)
{
    if (status == m_status)
        return false;
    // The position runs on from where it stood when the state changed.
    anchorPosition(extrapolatedPosition());
    m_status = status;
    return true;
}

bool SourcePlayer::applyRate(double rate)
{
    if (rate == m_rate)
        return false;
    anchorPosition(extrapolatedPosition());
    m_rate = rate;
    return true;
}

bool SourcePlayer::applyTrack(const Track& track)
{
    if (track == m_track)
        return false;
    // A new track starts at its beginning, unless the source says otherwise after this.
    if (!isSameTrack(track, m_track))
        anchorPosition(0);
    m_track = track;
    return true;
}

bool SourcePlayer::applyNextTrack(const std::optional<Track>& next)
{
    if (next == m_nextTrack)
        return false;
    m_nextTrack = next;
    return true;
}

} // namespace sleevelight
