#include "interaction/playbackcontrol.h"

#include "app/appdelegate.h"

namespace sleevelight {

bool PlaybackControl::keyPressed(KeyCommand command)
{
    switch (command) {
    case KeyCommand::PlayPause:
        playPause();
        return true;
    case KeyCommand::NextTrack:
        next();
        return true;
    case KeyCommand::PreviousTrack:
        previous();
        return true;
    default:
        return false;
    }
}

void PlaybackControl::playPause()
{
    if (app.playerState() == PlayerState::notRunning)
        return;
    // Said by what it asks for; the player's answer shows a moment later.
    app.showAlertInfo(isActive(app.playerState()) ? pauseText : playText);
    app.playPause(nullptr);
}

void PlaybackControl::next()
{
    if (app.playerState() == PlayerState::notRunning)
        return;
    app.showAlertInfo(nextText);
    app.gotoNextTrack(nullptr);
}

void PlaybackControl::previous()
{
    if (app.playerState() == PlayerState::notRunning)
        return;
    app.showAlertInfo(previousText);
    app.gotoPreviousTrack(nullptr);
}

} // namespace sleevelight
