#pragma once

#include "display/displayfeature.h"
#include "platform/lyricslines.h"

#include <QList>
#include <QPointer>

class QTimer;

namespace sleevelight {

class LyricsView;

// The current track's lyrics in the place of its album and numbers, when showLyrics is on and
// there are any, each line on time (key y); keys [ and ] shift them half a second sooner or later
// for the track.
class LyricsDisplay : public DisplayFeature
{
    Q_OBJECT

public:
    explicit LyricsDisplay(AppDelegate& app);

    bool isShowingLyrics() const;
    static constexpr qint64 lyricsShiftStepMs = 500;

    void livePreferencesChanged() override;
    void trackInfoUpdated(bool isNewTrack) override;
    void trackProgressUpdated() override { showLyricLine(); }
    void textWidthSet(double width, bool onWidePicture) override;
    void trackTextStyled(float aRatio) override;
    void trackRowsShown() override;
    bool keyPressed(KeyCommand command) override;

private:
    // The line of this moment, and a timer for the next line's time while playing.
    void showLyricLine();
    void toggleLyrics();
    void shiftLyrics(qint64 ms);

    lyrics::Lyrics m_lyrics;
    qint64 m_lyricsShiftMs = 0;
    QTimer* m_lyricsTimer = nullptr;
    QList<QPointer<LyricsView>> m_lyricsViews; // beside the artwork (both sides) and on a wide one
};

} // namespace sleevelight
