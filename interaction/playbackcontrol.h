#pragma once

#include "display/displayfeature.h"

#include <QString>

namespace sleevelight {

// Working the player from the display itself: space plays or pauses, Right and Left go to the next
// and the previous track, and the media keys do the same; touch gestures come here too. Each says
// what it did in a short notice.
class PlaybackControl : public DisplayFeature
{
    Q_OBJECT

public:
    using DisplayFeature::DisplayFeature;

    static inline const QString playText = QStringLiteral("Play");
    static inline const QString pauseText = QStringLiteral("Pause");
    static inline const QString nextText = QStringLiteral("Next");
    static inline const QString previousText = QStringLiteral("Previous");

    bool keyPressed(KeyCommand command) override;

    void playPause();
    void next();
    void previous();
};

} // namespace sleevelight
