#include "display/transitions.h"

#include "app/appdelegate.h"
#include "platform/views/fadeoverlay.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"

namespace sleevelight {

void TrackTransitions::trackWillChange()
{
    if (!app.livePreferences().transitions || app.mView == nullptr)
        return;
    if (m_trackFade == nullptr)
        m_trackFade = new FadeOverlay(app.mView);
    m_trackFade->fadeOut(crossfadeMs);
}

void TrackTransitions::artworkWillShow()
{
    // A new track's picture comes in with the whole track; a fade of its own would fade it twice.
    const bool trackFading = m_trackFade != nullptr && m_trackFade->isFading();
    if (app.mArtworkView)
        app.mArtworkView->setCrossfadeMs(app.livePreferences().transitions && !trackFading ? crossfadeMs : 0);
}

} // namespace sleevelight
