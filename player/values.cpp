#include "player/values.h"

#include <algorithm>
#include <cmath>

namespace sleevelight {

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
        return true;
    default:
        return false;
    }
}

bool isString(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

QVariant stringFor(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    return isString(value) ? value : QVariant();
}

QVariant numberFor(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    return isNumber(value) ? value : QVariant();
}

std::optional<double> finiteNumber(const QVariant& value)
{
    if (!isNumber(value))
        return std::nullopt;
    const double number = value.toDouble();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

qint64 truncatedInteger(const QVariant& value)
{
    const std::optional<double> number = finiteNumber(value);
    if (!number)
        return 0;
    return qint64(std::clamp(*number, -9.0e18, 9.0e18));
}

std::optional<qint64> exactInteger(const QVariant& value)
{
    if (!isNumber(value))
        return std::nullopt;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::trunc(d) || std::abs(d) > 9.0e15)
            return std::nullopt;
        return qint64(d);
    }
    if (value.typeId() == QMetaType::ULongLong && value.toULongLong() > quint64(INT64_MAX))
        return std::nullopt;
    return value.toLongLong();
}

bool isNumberTrue(const QVariant& value)
{
    return isNumber(value) && value.toDouble() == 1.0;
}

} // namespace sleevelight
