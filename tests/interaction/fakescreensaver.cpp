#include "tests/interaction/fakescreensaver.h"

#include <QDBusConnection>
#include <QMutexLocker>

namespace sleevelight::test {

QStringList FakeScreenSaver::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QList<uint> FakeScreenSaver::activeCookies() const
{
    QMutexLocker lock(&m_mutex);
    return m_active;
}

void FakeScreenSaver::record(const QString& call)
{
    {
        QMutexLocker lock(&m_mutex);
        m_calls << call;
    }
    Q_EMIT called(call);
}

uint FakeScreenSaver::Inhibit(const QString& application, const QString& reason)
{
    if (!answers) {
        setDelayedReply(true);
        QMutexLocker lock(&m_mutex);
        m_unanswered << message();
        m_calls << QStringLiteral("Inhibit %1 %2 -> (no answer)").arg(application, reason);
        return 0;
    }
    uint cookie = 0;
    {
        QMutexLocker lock(&m_mutex);
        cookie = m_nextCookie++;
        m_active << cookie;
    }
    record(QStringLiteral("Inhibit %1 %2 -> %3").arg(application, reason).arg(cookie));
    return cookie;
}

void FakeScreenSaver::UnInhibit(uint cookie)
{
    {
        QMutexLocker lock(&m_mutex);
        m_active.removeOne(cookie);
    }
    record(QStringLiteral("UnInhibit %1").arg(cookie));
}

QStringList FakePortal::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

void FakePortal::record(const QString& call)
{
    QMutexLocker lock(&m_mutex);
    m_calls << call;
}

QDBusObjectPath FakePortal::Inhibit(const QString& window, uint flags, const QVariantMap& options)
{
    const QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/fake/inhibit%1").arg(m_nextRequest++);
    connection().registerObject(path, new FakePortalRequest(this, path), QDBusConnection::ExportAllSlots);
    record(QStringLiteral("Inhibit \"%1\" %2 %3 -> %4")
               .arg(window)
               .arg(flags)
               .arg(options.value(QStringLiteral("reason")).toString(), path));
    return QDBusObjectPath(path);
}

void FakePortalRequest::Close()
{
    m_portal->record(QStringLiteral("Close ") + m_path);
    connection().unregisterObject(m_path);
    deleteLater();
}

FakeDesktopServices::FakeDesktopServices(Service service)
{
    static int instances = 0;
    m_connectionName = QStringLiteral("fake-desktop-%1").arg(++instances);
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_context,
        [this, service] {
            QDBusConnection bus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
            const auto exported = QDBusConnection::ExportAllSlots;
            if (service == Portal) {
                m_portal = new FakePortal;
                m_registered = bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), m_portal,
                                                  exported) &&
                               bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
            } else {
                m_screenSaver = new FakeScreenSaver;
                bool objects = true;
                if (service == ScreenSaver)
                    objects = bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                 m_screenSaver, exported);
                objects =
                    objects && bus.registerObject(QStringLiteral("/ScreenSaver"), m_screenSaver, exported);
                m_registered = objects && bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
            }
        },
        Qt::BlockingQueuedConnection);
}

FakeDesktopServices::~FakeDesktopServices()
{
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            QDBusConnection bus(m_connectionName);
            bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
            bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            delete m_screenSaver;
            delete m_portal;
            m_context->deleteLater();
        },
        Qt::BlockingQueuedConnection);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread.quit();
    m_thread.wait();
}

QStringList FakeDesktopServices::calls() const
{
    if (m_screenSaver != nullptr)
        return m_screenSaver->calls();
    return m_portal != nullptr ? m_portal->calls() : QStringList();
}

} // namespace sleevelight::test
