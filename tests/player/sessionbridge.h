#pragma once

#include "player/mpris/mprissource.h"
#include "player/playerbridge.h"

#include <QDBusConnection>

#include <memory>

namespace sleevelight::test {

// A bridge over the MPRIS players of the test's session bus, and nothing else.
inline std::unique_ptr<PlayerBridge> sessionBridge()
{
    auto bridge = std::make_unique<PlayerBridge>();
    bridge->addSource(new MprisSource(QDBusConnection::sessionBus()));
    return bridge;
}

} // namespace sleevelight::test
