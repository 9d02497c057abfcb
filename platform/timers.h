#pragma once

#include <QTimer>

#include <functional>

namespace sleevelight {

// Every timer of the application is made here, on the main event loop, so that
// tests can run the clock faster instead of sleeping through real intervals.
class Timers
{
public:
    // A timer that calls `action` after `seconds`, once or repeatedly; owned by `owner`.
    static QTimer* schedule(QObject* owner, double seconds, bool repeats, std::function<void()> action);

    // Stops the timer and lets it go; safe from inside the timer's own action.
    static void invalidate(QTimer* timer);

    // Real seconds per program second: 1 in the application, smaller in tests.
    static void setTimeScale(double scale);
    static double timeScale();
    static int milliseconds(double seconds);
};

} // namespace sleevelight
