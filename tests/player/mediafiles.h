#pragma once

#include "tests/support/pictures.h"
#include "tests/support/testenvironment.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMap>
#include <QSize>
#include <QString>

namespace sleevelight::test {

// A silent 8 kHz mono WAV of `seconds`, tagged with title, album and artist when given, and
// carrying `pictures` as ID3v2 pictures: (bytes, front cover?) in tag order.
bool writeWav(const QString& path, int seconds, const QString& title = {}, const QString& album = {},
              const QString& artist = {}, const QList<std::pair<QByteArray, bool>>& pictures = {});

// Adds tags by their common names ("TRACKNUMBER", "DATE") to an audio file's own.
bool addTags(const QString& path, const QMap<QString, QString>& tags);

// An MP3 of `frames` silent MPEG-1 Layer III frames (128 kbps, 44.1 kHz, 26 ms each), untagged.
bool writeSilentMp3(const QString& path, int frames);
// A FLAC file of one stream header and no audio, untagged; enough for tags to be written and read.
bool writeBareFlac(const QString& path);

// Adds synchronised lyrics (ID3 SYLT, times in milliseconds) to an MP3 or WAV file's ID3v2 tag.
bool addSyncedLyrics(const QString& path, const QList<std::pair<uint, QString>>& lines);

} // namespace sleevelight::test
