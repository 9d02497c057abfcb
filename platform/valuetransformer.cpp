#include "platform/valuetransformer.h"

namespace sleevelight {

namespace {
QHash<QString, ValueTransformers::Transform>& registry()
{
    static QHash<QString, ValueTransformers::Transform> transforms;
    return transforms;
}
} // namespace

void ValueTransformers::registerTransformer(const QString& name, Transform transform)
{
    registry().insert(name, std::move(transform));
}

ValueTransformers::Transform ValueTransformers::transformer(const QString& name)
{
    return registry().value(name);
}

} // namespace sleevelight
