#pragma once

#include "display/displayfeature.h"

#include <QElapsedTimer>
#include <QPointF>

#include <optional>

class QTimer;

namespace sleevelight {

// Touch panels (and the mouse, in full screen): a tap on the artwork plays or pauses, a swipe
// across a fifth of the display goes to the next track (leftwards) or the previous one (the other
// way round when the preference reverses them), a finger held a second follows the next player,
// and a tap just beside a star or the heart takes it, so they are large enough for a finger on a
// small panel. In standby the first touch only wakes the display. A mouse click keeps its meaning;
// in a window, dragging still moves the window.
class TouchGestures : public DisplayFeature
{
    Q_OBJECT

public:
    explicit TouchGestures(AppDelegate& app);

    // How far, as a part of the display's width, a swipe must go, and within which a press is a
    // tap: a finger's jitter, well short of the twentieth below which a swipe surely does nothing.
    static constexpr double swipeShare = 1.0 / 5.0;
    static constexpr double tapShare = 1.0 / 50.0;
    static constexpr int longPressMs = 1000;
    // A gesture begun this soon after the display woke from standby is part of waking it.
    static constexpr int wakingGestureMs = 1000;
    // How far beside a star or the heart a finger may land, at 1080 lines.
    static constexpr double fingerReachAt1080 = 40.0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Press
    {
        QPointF at;      // in the display view's coordinates
        bool byFinger;
        bool woke;       // it only woke the display: nothing else comes of it
        bool held = false;
    };

    bool isOn() const;
    std::optional<QPointF> inView(const QPointF& global) const;
    void begin(const QPointF& global, bool byFinger);
    void end(const QPointF& global);
    // A tap close to a star or a heart but not on it; true when it took one.
    bool tapNearButton(const QPointF& at);

    std::optional<Press> m_press;
    QElapsedTimer m_pressClock;
    QTimer* m_holdTimer = nullptr;
};

} // namespace sleevelight
