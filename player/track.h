#pragma once

#include "platform/lyricslines.h"

#include <QString>

#include <optional>

namespace sleevelight {

// A text longer than this from a player is cut; no display needs more.
constexpr qsizetype maxTrackTextLength = 1000;

// What a player is doing. Unknown until it has said.
enum class PlaybackStatus
{
    Unknown,
    Stopped,
    Playing,
    Paused,
};

// A track as every source of players knows it. Each source fills in what it knows; what it
// leaves out is absent, and the bridge adds what the track's files give.
struct Track
{
    // The source's own name for the track (an MPRIS track id, a queue position's song id).
    QString id;
    std::optional<QString> title;
    std::optional<QString> album;
    std::optional<QString> artist; // every artist, joined with ", "
    // The file's address when there is one (file://, or an address the source plays from).
    QString url;
    // Where the source says the artwork is: a file, a data: address or the web.
    QString artUrl;
    std::optional<qint64> trackNumber;
    std::optional<qint64> discNumber;
    std::optional<qint64> lengthUs;
    std::optional<int> year;
    // 0-1, where the source keeps a rating (a player's own), and its loved flag.
    std::optional<double> rating;
    std::optional<bool> loved;
    // What the source says about the encoding, in its own words.
    QString encodingText;
    // The lyrics the source sends, as sent; read on the worker with the files.
    QString lyricsText;

    bool isEmpty() const;
    // The name shown: the title, else the file name of the address.
    std::optional<QString> displayName() const;
    // What loved and rating are kept under: the address, else artist, album and title.
    QString storeKey() const;
    bool operator==(const Track&) const = default;
};

// The same track, whatever else the source now says about it.
bool isSameTrack(const Track& a, const Track& b);

// A display text from a source: at most maxTrackTextLength characters, control characters (line
// breaks among them) as spaces, trimmed.
QString cleanTrackText(QString text);
// The leading whole number of a text such as "7" or "7/12"; none when it has none.
std::optional<qint64> leadingNumber(const QString& text);
// A track or disc number from a text ("3", "3/12"): a whole number from 1 to a million.
std::optional<qint64> positiveNumberFromText(const QString& text);
// The year a date begins with ("2019", "2019-05-01").
std::optional<int> yearFromText(const QString& text);

// "m:ss", or "h:mm:ss" from an hour on.
QString formatTime(qint64 microseconds);
// "Track 3 · Disc 2", "Track 3", "Disc 2"; empty when neither is known.
QString trackNumbersText(std::optional<qint64> track, std::optional<qint64> disc);
// The local path an address names (file:// or a plain absolute path), else empty.
QString localPath(const QString& address);
// An http or https address.
bool isWebAddress(const QString& address);

} // namespace sleevelight
