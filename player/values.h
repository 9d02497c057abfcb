#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// What the bridge, the settings and the views pass around are QVariants; a value is taken only
// when it is of the kind expected, anything else counts as absent. These are the one place that
// says what "a number" is.
namespace sleevelight {

using namespace Qt::StringLiterals;

// A number is a boolean, any integer type or a floating-point type; text is never a number.
bool isNumber(const QVariant& value);
bool isString(const QVariant& value);

// The value under `key` when it is a string (only a string), else an absent QVariant.
QVariant stringFor(const QVariantMap& map, const QString& key);
// The value under `key` when it is a number, else an absent QVariant.
QVariant numberFor(const QVariantMap& map, const QString& key);

// The value of a finite number; none for anything else (infinities and NaN included).
std::optional<double> finiteNumber(const QVariant& value);

// The integer a number holds exactly (2.0 is 2; 2.5, text or nothing are none).
std::optional<qint64> exactInteger(const QVariant& value);

// A number truncated toward zero; 0 for anything that is not a finite number.
qint64 truncatedInteger(const QVariant& value);

// True for a number whose value is 1 (a loved flag stored as true, 1 or 1.0).
bool isNumberTrue(const QVariant& value);

// The keys of the bridge's answers. trackInfo: the names, numbers and duration as display-ready
// strings, the year a number, loved a number 0 or 1, the rating a number 0-100. trackProgress: the
// ratio a number 0-1, the elapsed time a display-ready string.
namespace BridgeKey {
inline const QString trackName = u"trackName"_s;
inline const QString trackAlbum = u"trackAlbum"_s;
inline const QString trackArtist = u"trackArtist"_s;
inline const QString trackNumbers = u"trackNumbers"_s;
inline const QString trackDuration = u"trackDuration"_s;
inline const QString trackYear = u"trackYear"_s;
inline const QString trackLoved = u"trackLoved"_s;
inline const QString trackRating = u"trackRating"_s;
inline const QString trackProgressRatio = u"trackProgressRatio"_s;
inline const QString trackElapsed = u"trackElapsed"_s;
} // namespace BridgeKey

} // namespace sleevelight
