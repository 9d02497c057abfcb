#include "player/sources.h"

#include "player/mpris/mprissource.h"

#include <QDBusConnection>

namespace sleevelight {

QList<PlayerSource*> applicationSources()
{
    return {new MprisSource(QDBusConnection::sessionBus())};
}

} // namespace sleevelight
