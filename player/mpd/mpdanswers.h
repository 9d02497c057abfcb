#pragma once

#include "player/track.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <utility>

namespace sleevelight::mpd {

// An answer of a music server: its "name: value" lines, as sent.
using Pairs = QList<std::pair<QByteArray, QByteArray>>;

// What "status" says.
struct Status
{
    PlaybackStatus state = PlaybackStatus::Stopped;
    std::optional<qint64> elapsedUs;
    // 0-100; none when the server has no mixer.
    std::optional<int> volume;
    std::optional<unsigned> songId;
    std::optional<unsigned> nextSongId;
    // "44100:24:2".
    QString audioFormat;
};
Status statusFrom(const Pairs& pairs);

// A song as "currentsong" or "playlistid" tell it: title, album, artists (the album's when the
// song names none), numbers, year and length. `address` is the track's address, made by the caller
// from the song's own (its "file"), which songFile() gives.
Track trackFrom(const Pairs& pairs, const QString& address);
QString songFile(const Pairs& pairs);

// The rating (0-10, two per star, as other clients keep it) and the heart, under these sticker
// names; the heart is loved at "2" (0 is disliked, 1 neither, as the clients that show it keep it).
inline constexpr char ratingSticker[] = "rating";
inline constexpr char heartSticker[] = "like";
inline constexpr char lovedValue[] = "2";
// What "sticker list" says about the song, applied to its track: no rating and not loved when the
// stickers say nothing.
void applyStickers(Track& track, const Pairs& pairs);

// The lyrics among a file's comments ("readcomments": LYRICS, UNSYNCEDLYRICS); empty without.
QString lyricsFrom(const Pairs& pairs);

} // namespace sleevelight::mpd
