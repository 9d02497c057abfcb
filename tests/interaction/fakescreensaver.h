#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include <atomic>

namespace sleevelight::test {

// org.freedesktop.ScreenSaver as a desktop offers it, recording every call it receives.
class FakeScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    // Calls are answered unless told otherwise; a service that never answers leaves callers waiting.
    std::atomic<bool> answers = true;

    // "Inhibit <application> <reason> -> <cookie>" and "UnInhibit <cookie>", in the order received.
    QStringList calls() const;
    QList<uint> activeCookies() const;

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);

Q_SIGNALS:
    void called(const QString& call);

private:
    void record(const QString& call);

    mutable QMutex m_mutex;
    QStringList m_calls;
    QList<uint> m_active;
    QList<QDBusMessage> m_unanswered;
    uint m_nextCookie = 7001;
};

// The desktop portal's inhibition: org.freedesktop.portal.Inhibit and the request objects it makes.
class FakePortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    QStringList calls() const;

public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options);

private:
    friend class FakePortalRequest;
    void record(const QString& call);

    mutable QMutex m_mutex;
    QStringList m_calls;
    int m_nextRequest = 1;
};

// One request made by FakePortal; closing it ends the inhibition.
class FakePortalRequest : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    FakePortalRequest(FakePortal* portal, const QString& path)
        : QObject(portal), m_portal(portal), m_path(path)
    {}

public Q_SLOTS:
    void Close();

private:
    FakePortal* m_portal;
    QString m_path;
};

// Runs fake desktop services on the session bus, on a thread and bus connection of their own, so
// that a caller on the main thread that blocks for the answer still gets one.
class FakeDesktopServices
{
public:
    enum Service
    {
        ScreenSaver,
        ScreenSaverAtShortPath, // the same service under /ScreenSaver only
        Portal,
    };

    explicit FakeDesktopServices(Service service);
    ~FakeDesktopServices();

    bool isRegistered() const { return m_registered; }
    FakeScreenSaver* screenSaver() const { return m_screenSaver; }
    FakePortal* portal() const { return m_portal; }
    QStringList calls() const;

private:
    QThread m_thread;
    QObject* m_context = nullptr;
    QString m_connectionName;
    FakeScreenSaver* m_screenSaver = nullptr;
    FakePortal* m_portal = nullptr;
    bool m_registered = false;
};

} // namespace sleevelight::test
