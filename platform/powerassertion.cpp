#include "platform/powerassertion.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QHash>
#include <QVariantMap>

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

// The window waits for the answer; a service that hangs must not hold it for long.
constexpr int callTimeoutMs = 300;
// After a service failed to answer in time, later requests fail at once for a while, so a hung
// desktop service does not cost a pause on every track change.
constexpr int quietPeriodMs = 60'000;

class DBusPowerAssertion : public PowerAssertion
{
public:
    bool create(const QString& reason, quint32* id) override;
    void release(quint32 id) override;

private:
    struct Hold
    {
        QString path;       // the screen saver's object, or the portal's request
        quint32 cookie = 0; // the screen saver's own number
        bool portal = false;
    };

    enum class Outcome
    {
        Taken,
        NoService,
        Unavailable, // no such object or method there: another path may do
        NoAnswer,
    };

    Outcome call(const QDBusMessage& message, QVariant* answer);
    quint32 unusedId() const;

    QHash<quint32, Hold> m_holds;
    QDeadlineTimer m_quietUntil;
    quint32 m_nextPortalId = 1;
};

DBusPowerAssertion::Outcome DBusPowerAssertion::call(const QDBusMessage& message, QVariant* answer)
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        *answer = reply.arguments().constFirst();
        return Outcome::Taken;
    }
    const QString error = reply.errorName();
    if (error == QDBusError::errorString(QDBusError::NoReply) ||
        error == QDBusError::errorString(QDBusError::Timeout) ||
        error == QDBusError::errorString(QDBusError::TimedOut))
        return Outcome::NoAnswer;
    if (error == QDBusError::errorString(QDBusError::ServiceUnknown))
        return Outcome::NoService;
    return Outcome::Unavailable;
}

quint32 DBusPowerAssertion::unusedId() const
{
    quint32 id = m_nextPortalId;
    while (m_holds.contains(id))
        ++id;
    return id;
}

bool DBusPowerAssertion::create(const QString& reason, quint32* id)
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    if (!m_quietUntil.hasExpired())
        return false;

    for (const QString& path : screenSaverPaths) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(screenSaverService, path, screenSaverInterface, u"Inhibit"_s);
        message << applicationName << reason;
        QVariant answer;
        const Outcome outcome = call(message, &answer);
        if (outcome == Outcome::NoAnswer) {
            m_quietUntil.setRemainingTime(quietPeriodMs);
            return false;
        }
        if (outcome == Outcome::NoService)
            break;
        if (outcome == Outcome::Taken && answer.typeId() == QMetaType::UInt) {
            const quint32 cookie = answer.toUInt();
            m_holds.insert(cookie, Hold{path, cookie, false});
            *id = cookie;
            return true;
        }
    }

    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, portalInhibitInterface, u"Inhibit"_s);
    message << QString() << portalInhibitIdle << QVariantMap{{u"reason"_s, reason}};
    QVariant answer;
    const Outcome outcome = call(message, &answer);
    if (outcome == Outcome::NoAnswer)
        m_quietUntil.setRemainingTime(quietPeriodMs);
    if (outcome != Outcome::Taken || !answer.canConvert<QDBusObjectPath>())
        return false;
    const QString request = answer.value<QDBusObjectPath>().path();
    if (request.isEmpty())
        return false;
    // The portal names a request object, not a number; the caller gets a small number for it.
    const quint32 portalId = unusedId();
    m_nextPortalId = portalId + 1;
    m_holds.insert(portalId, Hold{request, 0, true});
    *id = portalId;
    return true;
}

void DBusPowerAssertion::release(quint32 id)
{
    const auto found = m_holds.constFind(id);
    if (found == m_holds.constEnd())
        return;
    const Hold hold = *found;
    m_holds.erase(found);

    QDBusMessage message;
    if (hold.portal) {
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
    return std::make_unique<DBusPowerAssertion>();
}

} // namespace sleevelight
