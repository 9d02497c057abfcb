// The properties and actions that go straight through to the player.

#include "app/appdelegate.h"

#include "player/itunesbridgeprotocol.h"
#include "player/values.h"

namespace sleevelight {

namespace {
bool runs(iTunesBridgeProtocol& bridge)
{
    const QVariant running = bridge.isRunning();
    return isNumber(running) && running.toDouble() != 0.0;
}
} // namespace

QVariant AppDelegate::soundVolume() const
{
    return runs(*iTunesBridge) ? iTunesBridge->soundVolume() : QVariant(0);
}

void AppDelegate::setSoundVolume(const QVariant& volume)
{
    if (!volume.isValid())
        return;
    iTunesBridge->setSoundVolume(volume);
    // The volume is written back every second; its observers hear of it only when it moved,
    // so a steady second costs the bridge no more than the one read.
    if (volume == m_lastSoundVolume)
        return;
    m_lastSoundVolume = volume;
    Q_EMIT soundVolumeChanged();
}

QVariant AppDelegate::iTrackLoved() const
{
    return runs(*iTunesBridge) ? iTunesBridge->iTrackLoved() : QVariant(false);
}

void AppDelegate::setITrackLoved(const QVariant& loved)
{
    if (!loved.isValid())
        return;
    iTunesBridge->setITrackLoved(loved);
    Q_EMIT iTrackLovedChanged();
}

QVariant AppDelegate::iTrackRating() const
{
    return runs(*iTunesBridge) ? iTunesBridge->iTrackRating() : QVariant(0);
}

void AppDelegate::setITrackRating(const QVariant& rating)
{
    if (!rating.isValid())
        return;
    iTunesBridge->setITrackRating(rating);
    Q_EMIT iTrackRatingChanged();
}

void AppDelegate::playPause(QObject*)
{
    iTunesBridge->playPause();
    updateTrackInfo();
}

void AppDelegate::gotoPreviousTrack(QObject*)
{
    iTunesBridge->gotoPreviousTrack();
    updateTrackInfo();
}

void AppDelegate::gotoNextTrack(QObject*)
{
    iTunesBridge->gotoNextTrack();
    updateTrackInfo();
}

} // namespace sleevelight
