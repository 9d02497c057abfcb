#pragma once

#include "display/displayfeature.h"

namespace sleevelight {

class FadeOverlay;

// With transitions on, the track shown fades out whole over the one that follows, and a new
// picture of the same track fades in over the one shown.
class TrackTransitions : public DisplayFeature
{
    Q_OBJECT

public:
    using DisplayFeature::DisplayFeature;

    // About a third of a second: long enough to read as a fade, short enough never to hold the eye.
    static constexpr int crossfadeMs = 330;

    void trackWillChange() override;
    void artworkWillShow() override;

private:
    FadeOverlay* m_trackFade = nullptr;
};

} // namespace sleevelight
