// The features beyond the display's own fields and operations, made once the views are there. A
// new feature is a class of its own and a line here.

#include "app/appdelegate.h"

#include "display/ambientbackground.h"
#include "display/lyricsdisplay.h"
#include "display/nextup.h"
#include "display/screencare.h"
#include "display/transitions.h"
#include "interaction/playbackcontrol.h"
#include "interaction/playerfollowing.h"
#include "interaction/touchgestures.h"
#include "preferences/playerspage.h"
#include "remote/remotecontrol.h"

namespace sleevelight {

void AppDelegate::createFeatures()
{
    features = {new PlayerFollowing(*this), new PlaybackControl(*this),   new LyricsDisplay(*this),
                new NextUpLine(*this),      new ScreenCare(*this),        new AmbientBackground(*this),
                new TrackTransitions(*this), new TouchGestures(*this),    new PlayersPage(*this),
                new RemoteControl(*this)};
}

} // namespace sleevelight
