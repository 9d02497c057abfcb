#pragma once

#include <QDBusConnection>
#include <QString>

class QWidget;

namespace sleevelight::singleinstance {

using namespace Qt::StringLiterals;

// One display per desktop session, the way Linux desktops do it: the first start owns the
// desktop id on the session bus and answers org.freedesktop.Application there; a later start asks
// it to come to the front and ends. The name goes with the process, so a display that crashed
// leaves nothing behind that would stop the next one.
inline const QString busName = u"org.sleevelight.Sleevelight"_s;
inline const QString objectPath = u"/org/sleevelight/Sleevelight"_s;
inline const QString interfaceName = u"org.freedesktop.Application"_s;

enum class Claim
{
    Owned, // this process is the display of the session
    Taken, // another display owns the name
    NoBus, // no session bus: the display runs on its own
};

// Asks the bus for the name, without queueing for it, and answers org.freedesktop.Application on
// it when it is ours.
Claim claim(const QDBusConnection& bus);

// The window that Activate brings to the front, once it exists.
void setWindow(QWidget* window);

// Asks the display that owns the name to come to the front, handing on this start's activation
// token (XDG_ACTIVATION_TOKEN, DESKTOP_STARTUP_ID) when the desktop gave one. False when it did
// not answer within `timeoutMs`.
bool activateRunning(const QDBusConnection& bus, int timeoutMs);

} // namespace sleevelight::singleinstance
