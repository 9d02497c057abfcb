#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace sleevelight::test {

// The longest the window may go without answering while something outside misbehaves.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 maxLatenessMs = 250; // a sanitized build on two busy cores
#else
constexpr qint64 maxLatenessMs = 50;
#endif

// How late a 10 ms timer fires: the longest the event loop went without answering.
class LatenessProbe
{
public:
    LatenessProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_worstMs = std::max(m_worstMs, m_clock.restart() - 10); });
        m_clock.start();
        m_timer.start(10);
    }
    qint64 worstMs() const { return m_worstMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_worstMs = 0;
};

} // namespace sleevelight::test
