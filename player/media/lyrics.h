#pragma once

#include "platform/lyricslines.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sleevelight::lyrics {

// The text of a lyrics file as it was written: UTF-8 or UTF-16 with their byte-order marks,
// UTF-8 without, or else Latin-1.
QString decodeText(const QByteArray& bytes);

// Lyrics from a text: LRC as people write it when it carries time stamps (several on one line,
// [mm:ss], [mm:ss.xx], [mm:ss.xxx], [mm:ss:xx], the [offset:] tag, metadata tags, word times
// <mm:ss.xx> inside a line, blank lines, Windows line ends), otherwise plain lines.
Lyrics fromText(const QString& text);

// Lyrics from an answer of the LRCLIB service (/api/get): its timed lyrics, else its plain ones,
// none for an instrumental. Nothing when the bytes are not such an answer.
std::optional<Lyrics> fromServiceAnswer(const QByteArray& json);

// The address that asks `site` (scheme and host) for a track's lyrics; empty without the title,
// the artist and the length the service needs to find them.
QString serviceAddress(const QString& site, const QString& title, const QString& artist, const QString& album,
                       std::optional<qint64> lengthUs);

} // namespace sleevelight::lyrics
