#pragma once

#include "app/appdelegate.h"
#include "app/application.h"
#include "player/mprisbridge.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <malloc.h>

#include <memory>

namespace sleevelight::test {

using namespace Qt::StringLiterals;

#if defined(__SANITIZE_ADDRESS__)
// ASan holds freed memory back in quarantine and has an allocator of its own, so the figures below
// say little there; LeakSanitizer watches for leaks instead.
constexpr bool memoryIsMeasurable = false;
#else
constexpr bool memoryIsMeasurable = true;
#endif

// Resident memory of this process in KiB, after freed memory went back to the system, so that
// only what is still held counts.
inline qint64 residentKiB()
{
    malloc_trim(0);
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Memory this process holds through malloc, in KiB: what is allocated and not freed, whatever the
// allocator's free lists keep of the system's pages. Resident memory also counts those, and
// pictures of many sizes leave them fragmented.
inline qint64 heapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64((info.uordblks + info.hblkhd) / 1024);
}

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

// The whole application on the real MPRIS bridge, launched.
struct RunningApplication
{
    RunningApplication()
    {
        MprisBridge::registerAsApplicationBridge();
        application = std::make_unique<Application>();
        QString error;
        if (!application->load(&error))
            qFatal("the application did not load: %s", qPrintable(error));
        application->launch();
        d = application->delegate();
    }

    MprisBridge& bridge() const { return static_cast<MprisBridge&>(*d->iTunesBridge); }
    std::unique_ptr<Application> application;
    AppDelegate* d = nullptr;
};

} // namespace sleevelight::test
