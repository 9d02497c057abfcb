#include "interaction/touchgestures.h"

#include "app/appdelegate.h"
#include "display/screencare.h"
#include "interaction/playbackcontrol.h"
#include "interaction/playerfollowing.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/titlebutton.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QTouchEvent>
#include <QWindow>

#include <cmath>
#include <limits>

namespace sleevelight {

namespace {

// The least distance from a point to a rectangle; 0 inside it.
double distance(const QPointF& point, const QRectF& rect)
{
    const double dx = std::max({rect.left() - point.x(), 0.0, point.x() - rect.right()});
    const double dy = std::max({rect.top() - point.y(), 0.0, point.y() - rect.bottom()});
    return std::hypot(dx, dy);
}

bool byTouchScreen(const QPointerEvent* event)
{
    return event->pointingDevice() != nullptr &&
           event->pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen;
}

} // namespace

TouchGestures::TouchGestures(AppDelegate& app) : DisplayFeature(app)
{
    m_holdTimer = new QTimer(this);
    m_holdTimer->setSingleShot(true);
    m_holdTimer->setInterval(longPressMs);
    connect(m_holdTimer, &QTimer::timeout, this, [this] {
        if (!m_press || m_press->woke)
            return;
        m_press->held = true;
        if (auto* following = this->app.feature<PlayerFollowing>())
            following->keyPressed(KeyCommand::NextPlayer);
    });
    QCoreApplication::instance()->installEventFilter(this);
}

bool TouchGestures::isOn() const
{
    return app.livePreferences().touchGestures && app.mView && app.mWindow && !app.isPanelVisible();
}

std::optional<QPointF> TouchGestures::inView(const QPointF& global) const
{
    const QPointF at = app.mView->mapFromGlobal(global);
    if (!app.mView->rect().contains(at.toPoint()))
        return std::nullopt;
    return at;
}

bool TouchGestures::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWindowType() || !isOn() || watched != app.mWindow->windowHandle())
        return false;
    switch (event->type()) {
    case QEvent::TouchBegin: {
        const auto* touch = static_cast<QTouchEvent*>(event);
        if (touch->points().isEmpty())
            return false;
        begin(touch->points().first().globalPosition(), true);
        // The first touch in standby only wakes the display: nothing under it hears of it.
        return m_press && m_press->woke;
    }
    case QEvent::TouchUpdate: {
        const auto* touch = static_cast<QTouchEvent*>(event);
        if (m_press && !touch->points().isEmpty()) {
            if (const std::optional<QPointF> at = inView(touch->points().first().globalPosition());
                !at || QLineF(*at, m_press->at).length() > app.mView->width() * tapShare)
                m_holdTimer->stop();
        }
        return m_press && m_press->woke;
    }
    case QEvent::TouchEnd: {
        const auto* touch = static_cast<QTouchEvent*>(event);
        const bool woke = m_press && m_press->woke;
        if (!touch->points().isEmpty())
            end(touch->points().first().globalPosition());
        m_press.reset();
        return woke;
    }
    case QEvent::TouchCancel:
        m_holdTimer->stop();
        m_press.reset();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        // The mouse swipes only in full screen, where dragging cannot move the window; the mouse
        // events a touch makes are the touch's own.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || byTouchScreen(mouse) || !app.mWindow->isFullScreen())
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            begin(mouse->globalPosition(), false);
        else
            end(mouse->globalPosition());
        return false;
    }
    default:
        return false;
    }
}

void TouchGestures::begin(const QPointF& global, bool byFinger)
{
    m_holdTimer->stop();
    m_press.reset();
    const std::optional<QPointF> at = inView(global);
    if (!at)
        return;
    bool woke = byFinger && tellUserWasActive(app.features);
    // The pointer's way to where the drag begins woke the display a moment ago: the drag is part
    // of waking it.
    if (const auto* care = app.feature<ScreenCare>(); care && care->wokeWithin(wakingGestureMs))
        woke = true;
    m_press = Press{*at, byFinger, woke};
    m_pressClock.start();
    if (byFinger && !woke)
        m_holdTimer->start();
}

void TouchGestures::end(const QPointF& global)
{
    m_holdTimer->stop();
    const std::optional<Press> press = std::exchange(m_press, std::nullopt);
    if (!press || press->woke || press->held)
        return;
    const QPointF at = app.mView->mapFromGlobal(global);
    const QPointF moved = at - press->at;
    const double width = app.mView->width();
    auto* playback = app.feature<PlaybackControl>();
    if (playback == nullptr)
        return;
    if (std::abs(moved.x()) >= width * swipeShare && std::abs(moved.x()) > std::abs(moved.y())) {
        // Leftwards brings the next track in from the right, as pages turn.
        if ((moved.x() < 0.0) != app.livePreferences().reverseSwipes)
            playback->next();
        else
            playback->previous();
        return;
    }
    const bool tap = press->byFinger && std::abs(moved.x()) <= width * tapShare &&
                     std::abs(moved.y()) <= width * tapShare && m_pressClock.elapsed() < longPressMs;
    if (!tap || tapNearButton(press->at))
        return;
    if (app.mArtworkView && app.mArtworkView->isVisibleTo(app.mView) &&
        QRectF(app.mArtworkView->mapTo(app.mView, QPoint()), app.mArtworkView->size()).contains(press->at))
        playback->playPause();
}

bool TouchGestures::tapNearButton(const QPointF& at)
{
    QList<TitleButton*> buttons{app.mTrackLovedRight, app.mTrackLovedLeft};
    for (const auto& row : {app.mTrackRatingRight, app.mTrackRatingLeft})
        if (row)
            for (const QPointer<TitleButton>& star : *row)
                buttons << star;
    const double reach = std::max(28.0, fingerReachAt1080 * app.mView->height() / 1080.0);
    TitleButton* nearest = nullptr;
    double nearestDistance = std::numeric_limits<double>::max();
    for (TitleButton* button : std::as_const(buttons)) {
        if (button == nullptr || !button->isVisibleTo(app.mView) || !button->isEnabled())
            continue;
        const double away = distance(at, QRectF(button->mapTo(app.mView, QPoint()), button->size()));
        if (away < nearestDistance) {
            nearest = button;
            nearestDistance = away;
        }
    }
    if (nearest == nullptr || nearestDistance > reach)
        return false;
    // On the button itself the tap is a click already.
    if (nearestDistance > 0.0)
        nearest->click();
    return true;
}

} // namespace sleevelight
