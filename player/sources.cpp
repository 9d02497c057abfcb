#include "player/sources.h"

#include "player/mpd/mpdsource.h"
#include "player/mpris/mprissource.h"

#include <QDBusConnection>
#include <QDBusError>

using namespace Qt::StringLiterals;

namespace sleevelight {

QList<PlayerSource*> applicationSources()
{
    QList<PlayerSource*> sources{new MprisSource(QDBusConnection::sessionBus())};
    // Players that run as system services (AirPlay and Spotify Connect receivers, Mopidy on a box
    // without a desktop) are on the system bus. Without one the display runs as before.
    const QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        sources << new MprisSource(system, u"system"_s);
    else
        qInfo("Sleevelight: no system bus to follow players on (%s)",
              qPrintable(system.lastError().message()));
    // Music servers, near or far, from the settings on.
    sources << new MpdSource;
    return sources;
}

} // namespace sleevelight
