#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>

namespace sleevelight {

// Named one-way conversions that bindings declared in the interface files refer to.
class ValueTransformers
{
public:
    using Transform = std::function<QVariant(const QVariant&)>;

    static void registerTransformer(const QString& name, Transform transform);
    // An empty function when no transformer has that name.
    static Transform transformer(const QString& name);
};

} // namespace sleevelight
