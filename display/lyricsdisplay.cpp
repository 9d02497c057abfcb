// A track's lyrics in the place of its album and numbers, each line on time.

#include "display/lyricsdisplay.h"

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/lyricsview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "preferences/preferences.h"

#include <QTimer>

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

LyricsDisplay::LyricsDisplay(AppDelegate& app) : DisplayFeature(app)
{
    // In each text stack the lyrics stand where the album and numbers stood.
    const std::pair<StackView*, QWidget*> places[] = {
        {app.mTrackStackViewRight, app.mTrackStackAlbumNumbersRatingsRight},
        {app.mTrackStackViewLeft, app.mTrackStackAlbumNumbersRatingsLeft},
        {app.mTrackStackViewWide, app.mTrackAlbum3},
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
    connect(m_lyricsTimer, &QTimer::timeout, this, &LyricsDisplay::showLyricLine);
    connect(app.iTunesBridge.get(), &iTunesBridgeProtocol::positionJumped, this,
            &LyricsDisplay::showLyricLine);
}

void LyricsDisplay::livePreferencesChanged()
{
    app.iTunesBridge->setLyricsFromWeb(app.livePreferences().lyricsFromWeb);
}

void LyricsDisplay::trackRowsShown()
{
    // The lyrics, when shown, stand where the album and the numbers were.
    const bool shown = isShowingLyrics();
    for (LyricsView* view : std::as_const(m_lyricsViews))
        view->setVisible(shown);
    if (!shown)
        return;
    for (QWidget* row : std::initializer_list<QWidget*>{app.mTrackAlbum3, app.mTrackNumbers3,
                                                        app.mTrackStackAlbumNumbersRatingsRight,
                                                        app.mTrackStackAlbumNumbersRatingsLeft})
        if (row != nullptr)
            row->setVisible(false);
}

void LyricsDisplay::textWidthSet(double width, bool onWidePicture)
{
    if (m_lyricsViews.size() != 3)
        return;
    if (onWidePicture) {
        m_lyricsViews[2]->setTextWidth(width);
    } else {
        m_lyricsViews[0]->setTextWidth(width);
        m_lyricsViews[1]->setTextWidth(width);
    }
}

bool LyricsDisplay::keyPressed(KeyCommand command)
{
    switch (command) {
    case KeyCommand::Lyrics:
        toggleLyrics();
        return true;
    case KeyCommand::LyricsSooner:
        shiftLyrics(-lyricsShiftStepMs);
        return true;
    case KeyCommand::LyricsLater:
        shiftLyrics(lyricsShiftStepMs);
        return true;
    default:
        return false;
    }
}

bool LyricsDisplay::isShowingLyrics() const
{
    return app.livePreferences().showLyrics && !m_lyrics.isEmpty();
}

void LyricsDisplay::trackInfoUpdated(bool isNewTrack)
{
    lyrics::Lyrics lyrics = app.iTunesBridge->trackLyrics();
    const bool wasShowing = isShowingLyrics();
    if (isNewTrack || !(lyrics == m_lyrics)) {
        m_lyrics = std::move(lyrics);
        for (LyricsView* view : std::as_const(m_lyricsViews))
            view->setLyrics(m_lyrics);
    }
    // The shift kept for the track may be read from the store after the lyrics came.
    m_lyricsShiftMs = m_lyrics.isEmpty() ? 0 : app.iTunesBridge->lyricsShiftMs();
    if (isShowingLyrics() != wasShowing)
        app.showTrackRows();
    showLyricLine();
}

void LyricsDisplay::showLyricLine()
{
    if (m_lyricsTimer == nullptr)
        return;
    m_lyricsTimer->stop();
    if (!isShowingLyrics())
        return;
    if (!m_lyrics.synced) {
        // Plain lyrics go through the view as the track goes on (a stream with no length: not at all).
        const double ratio = app.trackProgress().isValid() ? app.trackProgress().toDouble() : 0.0;
        for (LyricsView* view : std::as_const(m_lyricsViews))
            view->setProgress(ratio);
        return;
    }
    const qint64 position = app.iTunesBridge->trackPositionMs().value_or(0);
    // A shift below zero shows each line sooner.
    const qint64 at = position - m_lyricsShiftMs;
    const qsizetype index = lyrics::lineAt(m_lyrics, at);
    for (LyricsView* view : std::as_const(m_lyricsViews))
        view->setCurrentLine(index);
    // Lines stand still with the music; while it plays the next comes at its time.
    if (app.playerState() != PlayerState::playing || index + 1 >= m_lyrics.lines.size())
        return;
    const qint64 wait = m_lyrics.lines[index + 1].ms - at;
    m_lyricsTimer->start(int(std::clamp<qint64>(wait, 1, INT_MAX)));
}

void LyricsDisplay::toggleLyrics()
{
    const bool shown = app.flipStoredPreference(&Preferences::showLyrics);
    app.showAlertInfo(shown ? u"Show Lyrics"_s : u"Hide Lyrics"_s);
    app.showTrackRows();
    app.updateViewItems();
    showLyricLine();
}

void LyricsDisplay::shiftLyrics(qint64 ms)
{
    if (!isShowingLyrics() || !m_lyrics.synced)
        return;
    // Ten minutes either way is more than any file is off by.
    m_lyricsShiftMs = std::clamp<qint64>(m_lyricsShiftMs + ms, -600'000, 600'000);
    app.iTunesBridge->setLyricsShiftMs(m_lyricsShiftMs);
    app.showAlertInfo(shiftNotice(m_lyricsShiftMs));
    showLyricLine();
}

void LyricsDisplay::trackTextStyled(float aRatio)
{
    if (m_lyricsViews.size() != 3)
        return;
    const double side = double(app.maxFontSize() * aRatio * AppDelegate::albumFontRatio1);
    const double wide = double(app.maxFontSize() * aRatio * AppDelegate::nameFontRatio3);
    const QFont sideFont = FontManager::fontWithName(app.albumFont(), side).value_or(QFont());
    const QFont wideFont = FontManager::fontWithName(app.albumFont(), wide).value_or(QFont());
    // The stack beside a sleeve on the left is flush left (flush right for a right-to-left name);
    // the other two are flush right.
    const bool rightToLeft = app.trackName().toString().isRightToLeft();
    const std::pair<QFont, Qt::Alignment> looks[] = {{sideFont, rightToLeft ? Qt::AlignRight : Qt::AlignLeft},
                                                     {sideFont, Qt::AlignRight},
                                                     {wideFont, Qt::AlignRight}};
    for (qsizetype stack = 0; stack < 3; ++stack)
        m_lyricsViews[stack]->setLook(looks[stack].first, looks[stack].second, Utility::textShadow());
}

} // namespace sleevelight
