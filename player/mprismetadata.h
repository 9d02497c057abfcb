#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace sleevelight::mpris {

// A text longer than this from a player is cut; no display needs more.
constexpr qsizetype maxTextLength = 1000;

// What the followed player says about its track, read leniently: players send numbers in any
// integer or floating type, lists as plain strings and track numbers as text. A value of the
// wrong kind is absent.
struct TrackMetadata
{
    QString trackId;
    std::optional<QString> title;
    std::optional<QString> album;
    std::optional<QString> artist; // every artist, joined with ", "
    QString url;
    QString artUrl;
    std::optional<qint64> trackNumber;
    std::optional<qint64> discNumber;
    std::optional<qint64> lengthUs;
    std::optional<int> year;
    std::optional<double> userRating; // 0-1
    // What a player may say about the encoding, in its own words.
    QString encodingText;
    // The lyrics the player has (xesam:asText), as sent; read on the worker with the files.
    QString lyricsText;

    bool isEmpty() const;
    // The name shown: the title, else the file name of the address.
    std::optional<QString> displayName() const;
    // What loved and rating are kept under: the address, else artist, album and title.
    QString storeKey() const;
    bool operator==(const TrackMetadata&) const = default;
};

TrackMetadata parseMetadata(const QVariantMap& metadata);

// D-Bus values arrive wrapped (variants in variants, arrays still marshalled); this gives the
// plain value: a string, a number, a string list or a map.
QVariant plainValue(const QVariant& value);
// A number of any D-Bus kind; with `allowText`, also one written as text ("7", "7/12").
std::optional<double> numberFrom(const QVariant& value, bool allowText = false);

// "m:ss", or "h:mm:ss" from an hour on.
QString formatTime(qint64 microseconds);
// "Track 3 · Disc 2", "Track 3", "Disc 2"; empty when neither is known.
QString trackNumbersText(std::optional<qint64> track, std::optional<qint64> disc);
// The local path an address names (file:// or a plain absolute path), else empty.
QString localPath(const QString& address);
// An http or https address.
bool isWebAddress(const QString& address);

} // namespace sleevelight::mpris
