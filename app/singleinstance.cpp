#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

namespace sleevelight::singleinstance {

namespace {

// What the desktop hands a program it starts to let it take the focus: a token for Wayland's
// activation protocol, a startup id for X11's.
const std::pair<const char*, QString> tokens[] = {{"XDG_ACTIVATION_TOKEN", u"activation-token"_s},
                                                  {"DESKTOP_STARTUP_ID", u"desktop-startup-id"_s}};

// org.freedesktop.Application on the display's object: every method brings the window forward.
class ApplicationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    using QObject::QObject;
    QPointer<QWidget> window;

public Q_SLOTS:
    void Activate(const QVariantMap& platformData) { bringForward(platformData); }
    // Nothing to open: the display shows what plays.
    void Open(const QStringList& uris, const QVariantMap& platformData)
    {
        Q_UNUSED(uris);
        bringForward(platformData);
    }
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData)
    {
        Q_UNUSED(name);
        Q_UNUSED(parameter);
        bringForward(platformData);
    }

private:
    void bringForward(const QVariantMap& platformData)
    {
        // Qt's Wayland plugin takes the token for the next activation from the environment.
        const QString token = platformData.value(u"activation-token"_s).toString();
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        if (!window)
            return; // the window shows by itself once it is made
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    }
};

ApplicationService* service = nullptr;

} // namespace

Claim claim(const QDBusConnection& bus)
{
    if (!bus.isConnected() || bus.interface() == nullptr)
        return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        busName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return Claim::NoBus;
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return Claim::Taken;
    service = new ApplicationService(QCoreApplication::instance());
    QDBusConnection(bus).registerObject(objectPath, service, QDBusConnection::ExportAllSlots);
    return Claim::Owned;
}

void setWindow(QWidget* window)
{
    if (service != nullptr)
        service->window = window;
}

bool activateRunning(const QDBusConnection& bus, int timeoutMs)
{
    QVariantMap platformData;
    for (const auto& [variable, key] : tokens)
        if (const QString token = qEnvironmentVariable(variable); !token.isEmpty())
            platformData.insert(key, token);
    QDBusMessage activate = QDBusMessage::createMethodCall(busName, objectPath, interfaceName, u"Activate"_s);
    activate << platformData;
    const QDBusMessage reply = QDBusConnection(bus).call(activate, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace sleevelight::singleinstance

#include "singleinstance.moc"
