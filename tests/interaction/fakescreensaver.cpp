#include "tests/interaction/fakescreensaver.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>

using namespace Qt::StringLiterals;

namespace sleevelight::test {

namespace {

// Answers the calls to the paths it is registered at, on the services' thread.
class FakeDesktop : public QDBusVirtualObject
{
public:
    explicit FakeDesktop(FakeDesktopServices* services) : m_services(services) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    FakeDesktopServices* m_services;
    uint m_nextCookie = 7001;
    int m_nextRequest = 1;
};

bool FakeDesktop::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    const QList<QVariant> in = message.arguments();
    const QString call = message.interface() + u'.' + message.member();
    QVariant answer;
    if (call == u"org.freedesktop.ScreenSaver.Inhibit") {
        const QString asked = u"Inhibit %1 %2 -> "_s.arg(in.value(0).toString(), in.value(1).toString());
        if (!m_services->answers) {
            m_services->record(asked + u"(no answer)"_s);
            return true; // and no reply is ever sent
        }
        answer = m_nextCookie++;
        m_services->record(asked + answer.toString());
    } else if (call == u"org.freedesktop.ScreenSaver.UnInhibit") {
        m_services->record(u"UnInhibit "_s + in.value(0).toString());
    } else if (call == u"org.freedesktop.portal.Inhibit.Inhibit") {
        const QString request =
            u"/org/freedesktop/portal/desktop/request/fake/inhibit%1"_s.arg(m_nextRequest++);
        const QString reason = qdbus_cast<QVariantMap>(in.value(2)).value(u"reason"_s).toString();
        m_services->record(u"Inhibit \"%1\" %2 %3 -> %4"_s.arg(in.value(0).toString(), in.value(1).toString(),
                                                               reason, request));
        answer = QVariant::fromValue(QDBusObjectPath(request));
    } else if (call == u"org.freedesktop.portal.Request.Close") {
        m_services->record(u"Close "_s + message.path());
    } else {
        return false;
    }
    QDBusMessage reply = message.createReply();
    if (answer.isValid())
        reply << answer;
    return connection.send(reply);
}

} // namespace

FakeDesktopServices::FakeDesktopServices(Service service)
{
    static int instances = 0;
    m_connectionName = u"fake-desktop-%1"_s.arg(++instances);
    auto* desktop = new FakeDesktop(this);
    m_desktop = desktop;
    desktop->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        desktop,
        [this, service, desktop] {
            QDBusConnection bus =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
            const auto at = [&](const QString& path) {
                return bus.registerVirtualObject(path, desktop, QDBusConnection::SubPath);
            };
            if (service == Portal)
                m_registered = at(u"/org/freedesktop/portal/desktop"_s) &&
                               bus.registerService(u"org.freedesktop.portal.Desktop"_s);
            else
                m_registered = (service == ScreenSaverAtShortPath || at(u"/org/freedesktop/ScreenSaver"_s)) &&
                               at(u"/ScreenSaver"_s) && bus.registerService(u"org.freedesktop.ScreenSaver"_s);
        },
        Qt::BlockingQueuedConnection);
}

FakeDesktopServices::~FakeDesktopServices()
{
    QMetaObject::invokeMethod(
        m_desktop,
        [this] {
            QDBusConnection bus(m_connectionName);
            bus.unregisterService(u"org.freedesktop.ScreenSaver"_s);
            bus.unregisterService(u"org.freedesktop.portal.Desktop"_s);
            m_desktop->deleteLater();
        },
        Qt::BlockingQueuedConnection);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread.quit();
    m_thread.wait();
}

QStringList FakeDesktopServices::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

void FakeDesktopServices::record(const QString& call)
{
    QMutexLocker lock(&m_mutex);
    m_calls << call;
}

} // namespace sleevelight::test
