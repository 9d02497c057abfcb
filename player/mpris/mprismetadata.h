#pragma once

#include "player/track.h"

#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace sleevelight::mpris {

// What an MPRIS player says about its track, read leniently: players send numbers in any integer
// or floating type, lists as plain strings and track numbers as text. A value of the wrong kind
// is absent.
Track parseMetadata(const QVariantMap& metadata);

// D-Bus values arrive wrapped (variants in variants, arrays still marshalled); this gives the
// plain value: a string, a number, a string list or a map.
QVariant plainValue(const QVariant& value);
// A number of any D-Bus kind; with `allowText`, also one written as text ("7", "7/12").
std::optional<double> numberFrom(const QVariant& value, bool allowText = false);

} // namespace sleevelight::mpris
