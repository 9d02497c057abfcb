// A track's lyrics in the place of its album and numbers, each line on time.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/lyricsview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "player/values.h"
#include "preferences/preferences.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// "Lyrics 1.5 s sooner", "Lyrics 0.5 s later", "Lyrics on time".
QString shiftNotice(qint64 ms)
{
    if (ms == 0)
        return u"Lyrics on time"_s;
    const QString seconds = QString::number(double(std::abs(ms)) / 1000.0, 'f', 1);
    return ms < 0 ? u"Lyrics %1 s sooner"_s.arg(seconds) : u"Lyrics %1 s later"_s.arg(seconds);
}

} // namespace

void AppDelegate::setUpLyricsViews()
{
    // In each text stack the lyrics stand where the album and numbers stood.
    const std::pair<StackView*, QWidget*> places[] = {
        {mTrackStackViewRight, mTrackStackAlbumNumbersRatingsRight},
        {mTrackStackViewLeft, mTrackStackAlbumNumbersRatingsLeft},
        {mTrackStackViewWide, mTrackAlbum3},
    };
    for (const auto& [stack, row] : places) {
        auto* view = new LyricsView(stack);
        view->setObjectName(u"lyricsView"_s);
        view->hide();
        stack->insertArrangedSubview(int(stack->arrangedSubviews().indexOf(row)), view);
        m_lyricsViews << view;
    }
    m_lyricsTimer = new QTimer(this);
    m_lyricsTimer->setSingleShot(true);
    // The next line is due at a moment of the track, which runs in real time (not the timers' time
    // a test may speed up), and within a tenth of a second.
    m_lyricsTimer->setTimerType(Qt::PreciseTimer);
    connect(m_lyricsTimer, &QTimer::timeout, this, &AppDelegate::showLyricLine);
    connect(iTunesBridge.get(), &iTunesBridgeProtocol::positionJumped, this, &AppDelegate::showLyricLine);
}

bool AppDelegate::isShowingLyrics() const
{
    return m_live.showLyrics && !m_lyrics.isEmpty();
}

void AppDelegate::updateLyrics(bool isNewTrack)
{
    lyrics::Lyrics lyrics = iTunesBridge->trackLyrics();
    const bool wasShowing = isShowingLyrics();
    if (isNewTrack || !(lyrics == m_lyrics)) {
        m_lyrics = std::move(lyrics);
        m_lyricsShiftMs = m_lyrics.isEmpty() ? 0 : iTunesBridge->lyricsShiftMs();
        for (LyricsView* view : std::as_const(m_lyricsViews))
            view->setLyrics(m_lyrics);
    }
    if (isShowingLyrics() != wasShowing)
        showTrackRows();
    showLyricLine();
}

void AppDelegate::showLyricLine()
{
    if (m_lyricsTimer == nullptr)
        return;
    m_lyricsTimer->stop();
    if (!isShowingLyrics())
        return;
    if (!m_lyrics.synced) {
        // Plain lyrics go through the view as the track goes on (a stream with no length: not at all).
        const double ratio = trackProgress().isValid() ? trackProgress().toDouble() : 0.0;
        for (LyricsView* view : std::as_const(m_lyricsViews))
            view->setProgress(ratio);
        return;
    }
    const qint64 position = iTunesBridge->trackPositionMs().value_or(0);
    // A shift below zero shows each line sooner.
    const qint64 at = position - m_lyricsShiftMs;
    const qsizetype index = lyrics::lineAt(m_lyrics, at);
    for (LyricsView* view : std::as_const(m_lyricsViews))
        view->setCurrentLine(index);
    // Lines stand still with the music; while it plays the next comes at its time.
    if (playerState() != PlayerState::playing || index + 1 >= m_lyrics.lines.size())
        return;
    const qint64 wait = m_lyrics.lines[index + 1].ms - at;
    m_lyricsTimer->start(int(std::clamp<qint64>(wait, 1, INT_MAX)));
}

void AppDelegate::toggleLyrics()
{
    const bool shown = flipStoredPreference(&Preferences::showLyrics);
    showAlertInfo(shown ? u"Show Lyrics"_s : u"Hide Lyrics"_s);
    showTrackRows();
    updateViewItems();
    showLyricLine();
}

void AppDelegate::shiftLyrics(qint64 ms)
{
    if (!isShowingLyrics() || !m_lyrics.synced)
        return;
    // Ten minutes either way is more than any file is off by.
    m_lyricsShiftMs = std::clamp<qint64>(m_lyricsShiftMs + ms, -600'000, 600'000);
    iTunesBridge->setLyricsShiftMs(m_lyricsShiftMs);
    showAlertInfo(shiftNotice(m_lyricsShiftMs));
    showLyricLine();
}

void AppDelegate::styleLyricsViews(float aRatio)
{
    if (m_lyricsViews.size() != 3)
        return;
    const double side = double(maxFontSize() * aRatio * albumFontRatio1);
    const double wide = double(maxFontSize() * aRatio * nameFontRatio3);
    const QFont sideFont = FontManager::fontWithName(albumFont(), side).value_or(QFont());
    const QFont wideFont = FontManager::fontWithName(albumFont(), wide).value_or(QFont());
    // The stack beside a sleeve on the left is flush left (flush right for a right-to-left name);
    // the other two are flush right.
    const bool rightToLeft = trackName().toString().isRightToLeft();
    const std::pair<QFont, Qt::Alignment> looks[] = {{sideFont, rightToLeft ? Qt::AlignRight : Qt::AlignLeft},
                                                     {sideFont, Qt::AlignRight},
                                                     {wideFont, Qt::AlignRight}};
    for (qsizetype stack = 0; stack < 3; ++stack)
        m_lyricsViews[stack]->setLook(looks[stack].first, looks[stack].second, Utility::textShadow());
}

} // namespace sleevelight
