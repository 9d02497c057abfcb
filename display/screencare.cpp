// Care for a screen that is on all day: the standby view once nothing has played for a while, and
// a slow drift of the whole composition against burn-in while something plays.

#include "display/screencare.h"

#include "app/appdelegate.h"

#include "platform/screenpower.h"
#include "platform/timers.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/standbyview.h"
#include "platform/views/textfield.h"

#include <cmath>

namespace sleevelight {

namespace {

constexpr int standbyFadeInMs = 800;
constexpr int standbyFadeOutMs = 250;
// One step of the drift, of one pixel, about every minute.
constexpr double driftStepSeconds = 60.0;
// The drift goes round a square this many pixels wide at 1080 lines, centred on the place the
// layout gives, so no two places it takes are further apart.
constexpr double driftSpanAt1080 = 8.0;

} // namespace

QPoint driftOffset(qint64 step, int height)
{
    const int half = std::max(1, int(std::lround(driftSpanAt1080 / 2.0 * height / 1080.0)));
    // First diagonally out to a corner of the square, a pixel each way per step, then round it.
    if (step <= half)
        return {-int(step), -int(step)};
    const qint64 along = (step - half) % (8 * half);
    const int side = int(along / (2 * half));
    const int t = int(along % (2 * half));
    switch (side) {
    case 0:
        return {-half + t, -half};
    case 1:
        return {half, -half + t};
    case 2:
        return {half - t, half};
    default:
        return {-half, half - t};
    }
}

ScreenCare::ScreenCare(AppDelegate& app) : DisplayFeature(app)
{
    connect(&app, &AppDelegate::playerStateChanged, this, &ScreenCare::update);
}

ScreenCare::~ScreenCare() = default;

void ScreenCare::setScreenPower(std::unique_ptr<ScreenPower> power)
{
    m_power = std::move(power);
    m_powerAsked = true;
}

void ScreenCare::update()
{
    if (app.mView == nullptr)
        return;
    const bool playing = app.playerState() == PlayerState::playing;
    if (playing || app.livePreferences().standbyDelay <= 0) {
        Timers::invalidate(m_standbyTimer);
        m_standbyTimer = nullptr;
        leaveStandby();
    } else if (m_standbyTimer == nullptr && !isInStandby()) {
        // At most a day: a number a hand-edited file made huge still gives a timer.
        const double minutes = double(std::min<qint64>(app.livePreferences().standbyDelay, 24 * 60));
        m_standbyTimer = Timers::schedule(this, minutes * 60.0, false, [this] {
            m_standbyTimer = nullptr;
            enterStandby();
        });
    }

    if (!app.livePreferences().shiftAgainstBurnIn) {
        Timers::invalidate(m_driftTimer);
        m_driftTimer = nullptr;
        m_driftStep = 0;
        if (app.mView)
            app.mView->setOffsetInParent(QPoint());
    } else if (m_driftTimer == nullptr) {
        m_driftTimer = Timers::schedule(this, driftStepSeconds, true, [this] {
            // Only while something plays: a paused display goes to standby instead.
            if (app.playerState() != PlayerState::playing || app.mView == nullptr)
                return;
            app.mView->setOffsetInParent(driftOffset(++m_driftStep, app.mView->height()));
        });
    }
}

bool ScreenCare::isInStandby() const
{
    return m_standbyView != nullptr && m_standbyView->isShown();
}

void ScreenCare::standbyNow()
{
    Timers::invalidate(m_standbyTimer);
    m_standbyTimer = nullptr;
    enterStandby();
}

void ScreenCare::enterStandby()
{
    if (app.mWindow == nullptr || app.playerState() == PlayerState::playing || isInStandby())
        return;
    if (m_standbyView == nullptr)
        m_standbyView = new StandbyView(app.mWindow->contentView());
    if (app.mTrackName && app.mTrackName->fieldFont())
        m_standbyView->setClockFont(*app.mTrackName->fieldFont());
    m_standbyView->setLastTrack(app.trackName().toString(), app.trackArtist().toString());
    m_standbyView->fadeIn(standbyFadeInMs);
    Q_EMIT standbyChanged();
    if (!app.livePreferences().standbyScreenOff)
        return;
    if (!std::exchange(m_powerAsked, true)) {
        m_power = ScreenPower::forPlatform();
        // Said once: the clock shows instead (GNOME's and KDE's compositors offer applications no
        // way, nor does an X server without DPMS).
        if (!m_power)
            qInfo("Sleevelight: this window system offers no way to turn the screen off; standby "
                  "shows the clock instead");
    }
    m_screenOff = m_power && m_power->setOn(false);
}

void ScreenCare::leaveStandby()
{
    if (isInStandby()) {
        m_standbyView->fadeOut(standbyFadeOutMs);
        Q_EMIT standbyChanged();
    }
    if (std::exchange(m_screenOff, false) && m_power)
        m_power->setOn(true);
}

bool ScreenCare::userWasActive()
{
    const bool wasInStandby = isInStandby();
    if (wasInStandby)
        m_woke.start();
    leaveStandby();
    // Standby comes back the full delay after the last key or movement.
    if (m_standbyTimer != nullptr) {
        Timers::invalidate(m_standbyTimer);
        m_standbyTimer = nullptr;
    }
    update();
    return wasInStandby;
}

} // namespace sleevelight
