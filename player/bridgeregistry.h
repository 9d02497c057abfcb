#pragma once

#include "player/itunesbridgeprotocol.h"

#include <QString>

#include <functional>
#include <memory>

namespace sleevelight {

using namespace Qt::StringLiterals;

// Bridges are made by class name, so that the application, the tests and the tools can
// each put their own behind the name the application asks for.
class BridgeRegistry
{
public:
    using Factory = std::function<std::unique_ptr<iTunesBridgeProtocol>()>;

    // The name the application's bridge is made by.
    static inline const QString applicationBridgeName = u"itb"_s;

    static void registerClass(const QString& name, Factory factory);
    // Null when no bridge of that name is known.
    static std::unique_ptr<iTunesBridgeProtocol> create(const QString& name);
};

} // namespace sleevelight
