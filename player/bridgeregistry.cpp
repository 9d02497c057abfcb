#include "player/bridgeregistry.h"

#include <QHash>

namespace sleevelight {

namespace {
QHash<QString, BridgeRegistry::Factory>& factories()
{
    static QHash<QString, BridgeRegistry::Factory> registry;
    return registry;
}
} // namespace

void BridgeRegistry::registerClass(const QString& name, Factory factory)
{
    factories().insert(name, std::move(factory));
}

std::unique_ptr<iTunesBridgeProtocol> BridgeRegistry::create(const QString& name)
{
    const Factory factory = factories().value(name);
    return factory ? factory() : nullptr;
}

} // namespace sleevelight
