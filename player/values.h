#pragma once

#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace sleevelight {

// What the bridge answers is taken only when it is of the kind expected; anything else is absent.
bool isNumber(const QVariant& value);
bool isString(const QVariant& value);

// The value under `key` when it is a string (or a number), else an absent QVariant.
QVariant stringFor(const QVariantMap& map, const QString& key);
QVariant numberFor(const QVariantMap& map, const QString& key);

// The integer a number holds exactly (2.0 is 2; 2.5, text or nothing are none).
std::optional<qint64> exactInteger(const QVariant& value);

// True for a number whose value is 1 (a loved flag stored as true, 1 or 1.0).
bool isNumberTrue(const QVariant& value);

} // namespace sleevelight
