#include "platform/timers.h"

#include <algorithm>
#include <cmath>

namespace sleevelight {

namespace {
double g_timeScale = 1.0;
}

QTimer* Timers::schedule(QObject* owner, double seconds, bool repeats, std::function<void()> action)
{
    auto* timer = new QTimer(owner);
    timer->setSingleShot(!repeats);
    timer->setInterval(milliseconds(seconds));
    // Long, slow timers may be grouped by the system; the progress tick stays close to a second.
    // Judged by the real interval: a very coarse timer of less than a second (a test's sped-up
    // clock) held every animation of the process to whole seconds.
    timer->setTimerType(timer->interval() >= 30'000 ? Qt::VeryCoarseTimer : Qt::CoarseTimer);
    QObject::connect(timer, &QTimer::timeout, owner, std::move(action));
    timer->start();
    return timer;
}

void Timers::invalidate(QTimer* timer)
{
    if (timer == nullptr)
        return;
    timer->stop();
    timer->disconnect();
    timer->deleteLater();
}

void Timers::setTimeScale(double scale)
{
    g_timeScale = scale;
}

double Timers::timeScale()
{
    return g_timeScale;
}

int Timers::milliseconds(double seconds)
{
    const double ms = std::round(seconds * 1000.0 * g_timeScale);
    // A repeating timer of zero would spin the processor; a day is far beyond any interval we use.
    return static_cast<int>(std::clamp(ms, 1.0, 86'400'000.0));
}

} // namespace sleevelight
