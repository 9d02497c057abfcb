#pragma once

#include "player/media/lyrics.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace sleevelight::localmedia {

// The bytes of a regular file of at most `maxBytes`. Directories, FIFOs, devices, sockets and
// larger files read nothing, and opening never waits on a writer.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

bool isRegularFile(const QString& path);

// The usual cover files of the folder (cover, folder, front, back, AlbumArt…), best first.
QStringList folderCoverFiles(const QString& folder);

// What an audio file's tags and header say. Reading a file costs at most a bounded number of bytes
// whatever it holds; what cannot be read in that is left empty.
struct AudioFile
{
    // The track number, disc number and date, as the texts they are written in ("3/12",
    // "2019-05-01"); empty where the tags have none.
    QString trackNumberTag;
    QString discNumberTag;
    QString dateTag;
    // The embedded pictures, front cover first, each at most the size asked.
    QList<QByteArray> pictures;
    // Format, bit rate, sample rate, channels and path.
    QString codecInfo;
    // The lyrics in the tags: synchronised ones (ID3 SYLT) first, else a LYRICS or UNSYNCEDLYRICS
    // tag (ID3 USLT), timed when its text is LRC.
    lyrics::Lyrics lyrics;
};

AudioFile readAudioFile(const QString& path, qint64 maxPictureBytes, int maxPictures);

} // namespace sleevelight::localmedia
