#include "player/mpd/mpdanswers.h"

#include <QStringList>

#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight::mpd {

namespace {

bool named(const QByteArray& name, const char* wanted)
{
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

std::optional<qint64> microsecondsFrom(const QByteArray& seconds)
{
    bool ok = false;
    const double value = seconds.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > 1.0e9)
        return std::nullopt;
    return static_cast<qint64>(std::llround(value * 1.0e6));
}

std::optional<unsigned> idFrom(const QByteArray& text)
{
    bool ok = false;
    const uint id = text.toUInt(&ok);
    return ok ? std::optional<unsigned>(id) : std::nullopt;
}

} // namespace

Status statusFrom(const Pairs& pairs)
{
    Status status;
    for (const auto& [name, value] : pairs) {
        if (name == "state") {
            status.state = value == "play"    ? PlaybackStatus::Playing
                           : value == "pause" ? PlaybackStatus::Paused
                                              : PlaybackStatus::Stopped;
        } else if (name == "elapsed") {
            status.elapsedUs = microsecondsFrom(value);
        } else if (name == "volume") {
            bool ok = false;
            const int volume = value.toInt(&ok);
            // A server without a mixer says -1.
            if (ok && volume >= 0 && volume <= 100)
                status.volume = volume;
        } else if (name == "songid") {
            status.songId = idFrom(value);
        } else if (name == "nextsongid") {
            status.nextSongId = idFrom(value);
        } else if (name == "audio") {
            status.audioFormat = cleanTrackText(QString::fromUtf8(value)).left(64);
        }
    }
    return status;
}

QString songFile(const Pairs& pairs)
{
    for (const auto& [name, value] : pairs)
        if (name == "file")
            return QString::fromUtf8(value);
    return {};
}

Track trackFrom(const Pairs& pairs, const QString& address)
{
    Track track;
    track.url = address;
    QStringList artists;
    QStringList albumArtists;
    std::optional<qint64> duration;
    std::optional<qint64> time;
    QString streamName;
    auto add = [](QStringList& list, const QString& text) {
        if (!text.isEmpty() && !list.contains(text) && list.join(u", "_s).size() < maxTrackTextLength)
            list << text;
    };
    for (const auto& [name, value] : pairs) {
        const QString text = cleanTrackText(QString::fromUtf8(value));
        if (named(name, "Title") && !track.title) {
            track.title = text;
        } else if (named(name, "Album") && !track.album) {
            track.album = text;
        } else if (named(name, "Artist")) {
            add(artists, text);
        } else if (named(name, "AlbumArtist")) {
            add(albumArtists, text);
        } else if (named(name, "Name")) {
            streamName = text;
        } else if (named(name, "Track") && !track.trackNumber) {
            track.trackNumber = positiveNumberFromText(text);
        } else if (named(name, "Disc") && !track.discNumber) {
            track.discNumber = positiveNumberFromText(text);
        } else if (named(name, "Date") || named(name, "OriginalDate")) {
            if (!track.year)
                track.year = yearFromText(text);
        } else if (name == "duration") {
            duration = microsecondsFrom(value);
        } else if (name == "Time") {
            time = microsecondsFrom(value);
        } else if (name == "Id") {
            track.id = text;
        }
    }
    if (!artists.isEmpty() || !albumArtists.isEmpty())
        track.artist = cleanTrackText((artists.isEmpty() ? albumArtists : artists).join(u", "_s));
    // A radio stream's title is its current song; its name is the station's.
    if (!track.album && !streamName.isEmpty())
        track.album = streamName;
    if (const std::optional<qint64> length = duration ? duration : time; length && *length > 0)
        track.lengthUs = length;
    return track;
}

void applyStickers(Track& track, const Pairs& pairs)
{
    track.rating = 0.0;
    track.loved = false;
    for (const auto& [name, value] : pairs) {
        if (name != "sticker")
            continue;
        const qsizetype equals = value.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray sticker = value.left(equals);
        const QByteArray setTo = value.mid(equals + 1).trimmed();
        if (sticker == ratingSticker) {
            bool ok = false;
            const int rating = setTo.toInt(&ok);
            if (ok)
                track.rating = std::clamp(rating, 0, 10) / 10.0;
        } else if (sticker == heartSticker) {
            track.loved = setTo == lovedValue;
        }
    }
}

QString lyricsFrom(const Pairs& pairs)
{
    QString unsynced;
    for (const auto& [name, value] : pairs) {
        if (named(name, "LYRICS"))
            return QString::fromUtf8(value);
        if (named(name, "UNSYNCEDLYRICS") && unsynced.isEmpty())
            unsynced = QString::fromUtf8(value);
    }
    return unsynced;
}

} // namespace sleevelight::mpd
