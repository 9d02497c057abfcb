#include "platform/powerassertion.h"

#include "platform/windowsystemhold.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

const QString screenSaverService = u"org.freedesktop.ScreenSaver"_s;
const QString screenSaverInterface = u"org.freedesktop.ScreenSaver"_s;
// Desktops publish the service under one of these two paths.
const QStringList screenSaverPaths = {u"/org/freedesktop/ScreenSaver"_s, u"/ScreenSaver"_s};
const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString portalInhibitInterface = u"org.freedesktop.portal.Inhibit"_s;
const QString portalRequestInterface = u"org.freedesktop.portal.Request"_s;
const QString applicationName = u"Sleevelight"_s;
constexpr uint portalInhibitIdle = 8;

// Nothing waits for the answer; a service that has not answered in this time counts as hung.
constexpr int callTimeoutMs = 3000;
// After a service failed to answer in time, the bus is not asked again for a while, so a hung
// desktop service does not cost a wait on every track change.
constexpr int quietPeriodMs = 60'000;

class DesktopPowerAssertion : public PowerAssertion
{
public:
    DesktopPowerAssertion();
    bool create(const QString& reason, quint32* id) override;
    void release(quint32 id) override;

private:
    enum class How
    {
        Asking,      // a service on the bus has been asked and has not answered yet
        ScreenSaver, // the screen saver's object at `path`, its own number `cookie`
        Portal,      // the portal's request at `path`
        Window,      // the window system's own way
    };
    struct Hold
    {
        How how = How::Asking;
        QString reason;
        QString path;
        quint32 cookie = 0;
        bool released = false; // given back while still being asked for
    };

    void askScreenSaver(quint32 id, int pathIndex);
    void askPortal(quint32 id);
    // The window system's way, for the hold `id`; false (and the hold gone) when there is none.
    bool holdByWindowSystem(quint32 id);
    // The next way when a service did not hold: the window system's, or none (told through `lost`).
    void holdByWindowSystemOrLose(quint32 id);
    // The answer for a hold that was given back meanwhile is given back at once.
    bool releasedWhileAsking(quint32 id, const QDBusMessage& reply, How how, const QString& path = {});
    void sendRelease(const Hold& hold);
    void call(const QDBusMessage& message, std::function<void(const QDBusMessage&)> answered);
    static bool isNoAnswer(const QDBusMessage& reply);

    std::unique_ptr<WindowSystemHold> m_window;
    // Which of the two services are on the bus, once the bus has said.
    QSet<QString> m_present;
    bool m_presentKnown = false;
    QDeadlineTimer m_quietUntil;
    QHash<quint32, Hold> m_holds;
    quint32 m_lastId = 0;
    // Owns the calls under way and the watcher; gone first, so no answer comes to a half-gone object.
    QObject m_context;
};

DesktopPowerAssertion::DesktopPowerAssertion() : m_window(WindowSystemHold::forPlatform())
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* watcher = new QDBusServiceWatcher(&m_context);
    watcher->setConnection(bus);
    watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    for (const QString& service : {screenSaverService, portalService})
        watcher->addWatchedService(service);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, &m_context,
                     [this](const QString& service, const QString&, const QString& owner) {
                         if (owner.isEmpty())
                             m_present.remove(service);
                         else
                             m_present.insert(service);
                     });
    const QDBusMessage list = QDBusMessage::createMethodCall(
        u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus"_s, u"ListNames"_s);
    call(list, [this](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const QStringList names = reply.arguments().constFirst().toStringList();
        for (const QString& service : {screenSaverService, portalService})
            if (names.contains(service))
                m_present.insert(service);
        m_presentKnown = true;
    });
}

void DesktopPowerAssertion::call(const QDBusMessage& message,
                                 std::function<void(const QDBusMessage&)> answered)
{
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, callTimeoutMs), &m_context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_context,
                     [watcher, answered = std::move(answered)] {
                         watcher->deleteLater();
                         answered(watcher->reply());
                     });
}

bool DesktopPowerAssertion::isNoAnswer(const QDBusMessage& reply)
{
    const QString error = reply.errorName();
    return error == QDBusError::errorString(QDBusError::NoReply) ||
           error == QDBusError::errorString(QDBusError::Timeout) ||
           error == QDBusError::errorString(QDBusError::TimedOut);
}

bool DesktopPowerAssertion::create(const QString& reason, quint32* id)
{
    const bool busWorthAsking = QDBusConnection::sessionBus().isConnected() && m_quietUntil.hasExpired() &&
                                (!m_presentKnown || !m_present.isEmpty());
    const quint32 next = ++m_lastId;
    m_holds.insert(next, Hold{How::Asking, reason, {}, 0, false});
    if (busWorthAsking) {
        if (!m_presentKnown || m_present.contains(screenSaverService))
            askScreenSaver(next, 0);
        else
            askPortal(next);
        *id = next;
        return true;
    }
    if (!holdByWindowSystem(next))
        return false;
    *id = next;
    return true;
}

bool DesktopPowerAssertion::releasedWhileAsking(quint32 id, const QDBusMessage& reply, How how,
                                                const QString& path)
{
    const auto found = m_holds.find(id);
    if (found == m_holds.end())
        return true;
    if (!found->released)
        return false;
    Hold hold = *found;
    m_holds.erase(found);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        hold.how = how;
        if (how == How::ScreenSaver) {
            hold.path = path;
            hold.cookie = reply.arguments().constFirst().toUInt();
        } else {
            hold.path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        }
        sendRelease(hold);
    }
    return true;
}

void DesktopPowerAssertion::askScreenSaver(quint32 id, int pathIndex)
{
    const QString path = screenSaverPaths.at(pathIndex);
    QDBusMessage message =
        QDBusMessage::createMethodCall(screenSaverService, path, screenSaverInterface, u"Inhibit"_s);
    message << applicationName << m_holds.value(id).reason;
    call(message, [this, id, pathIndex, path](const QDBusMessage& reply) {
        if (releasedWhileAsking(id, reply, How::ScreenSaver, path))
            return;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
            reply.arguments().constFirst().typeId() == QMetaType::UInt) {
            Hold& hold = m_holds[id];
            hold.how = How::ScreenSaver;
            hold.path = path;
            hold.cookie = reply.arguments().constFirst().toUInt();
            return;
        }
        if (isNoAnswer(reply)) {
            m_quietUntil.setRemainingTime(quietPeriodMs);
            holdByWindowSystemOrLose(id);
        } else if (reply.errorName() != QDBusError::errorString(QDBusError::ServiceUnknown) &&
                   pathIndex + 1 < screenSaverPaths.size()) {
            askScreenSaver(id, pathIndex + 1); // no such object there: the other path may do
        } else {
            askPortal(id);
        }
    });
}

void DesktopPowerAssertion::askPortal(quint32 id)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, portalInhibitInterface, u"Inhibit"_s);
    message << QString() << portalInhibitIdle << QVariantMap{{u"reason"_s, m_holds.value(id).reason}};
    call(message, [this, id](const QDBusMessage& reply) {
        if (releasedWhileAsking(id, reply, How::Portal))
            return;
        const QString request = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                                    ? reply.arguments().constFirst().value<QDBusObjectPath>().path()
                                    : QString();
        if (!request.isEmpty()) {
            Hold& hold = m_holds[id];
            hold.how = How::Portal;
            hold.path = request;
            return;
        }
        if (isNoAnswer(reply))
            m_quietUntil.setRemainingTime(quietPeriodMs);
        holdByWindowSystemOrLose(id);
    });
}

bool DesktopPowerAssertion::holdByWindowSystem(quint32 id)
{
    if (m_window != nullptr && m_window->hold()) {
        m_holds[id].how = How::Window;
        return true;
    }
    m_holds.remove(id);
    return false;
}

void DesktopPowerAssertion::holdByWindowSystemOrLose(quint32 id)
{
    if (!holdByWindowSystem(id) && lost)
        lost(id);
}

void DesktopPowerAssertion::release(quint32 id)
{
    const auto found = m_holds.find(id);
    if (found == m_holds.end())
        return;
    if (found->how == How::Asking) {
        found->released = true;
        return;
    }
    const Hold hold = *found;
    m_holds.erase(found);
    sendRelease(hold);
}

void DesktopPowerAssertion::sendRelease(const Hold& hold)
{
    if (hold.how == How::Window) {
        const bool another = std::any_of(m_holds.cbegin(), m_holds.cend(),
                                         [](const Hold& other) { return other.how == How::Window; });
        if (m_window != nullptr && !another)
            m_window->release();
        return;
    }
    QDBusMessage message;
    if (hold.how == How::Portal) {
        message =
            QDBusMessage::createMethodCall(portalService, hold.path, portalRequestInterface, u"Close"_s);
    } else {
        message = QDBusMessage::createMethodCall(screenSaverService, hold.path, screenSaverInterface,
                                                 u"UnInhibit"_s);
        message << hold.cookie;
    }
    // Nobody waits for the answer; should the desktop miss it, it still lets go of every hold
    // of ours when our connection to the bus closes.
    QDBusConnection::sessionBus().send(message);
}

} // namespace

std::unique_ptr<PowerAssertion> PowerAssertion::createDefault()
{
    return std::make_unique<DesktopPowerAssertion>();
}

} // namespace sleevelight
