#pragma once

#include <QMutex>
#include <QStringList>
#include <QThread>

#include <atomic>

namespace sleevelight::test {

// Fake desktop services on the session bus, on a thread and bus connection of their own, so that
// a caller on the main thread that blocks for the answer still gets one. They record every call:
// "Inhibit <application> <reason> -> <cookie>" and "UnInhibit <cookie>" for the screen saver,
// "Inhibit "<window>" <flags> <reason> -> <request>" and "Close <request>" for the portal.
class FakeDesktopServices
{
public:
    enum Service
    {
        ScreenSaver,            // org.freedesktop.ScreenSaver under both of its paths
        ScreenSaverAtShortPath, // the same service under /ScreenSaver only
        Portal,                 // the desktop portal's org.freedesktop.portal.Inhibit
    };

    explicit FakeDesktopServices(Service service);
    ~FakeDesktopServices();

    bool isRegistered() const { return m_registered; }
    QStringList calls() const;
    void record(const QString& call);

    // Calls are answered unless told otherwise; a screen saver that never answers leaves callers waiting.
    std::atomic<bool> answers = true;

private:
    QThread m_thread;
    QObject* m_desktop = nullptr;
    QString m_connectionName;
    mutable QMutex m_mutex;
    QStringList m_calls;
    bool m_registered = false;
};

} // namespace sleevelight::test
