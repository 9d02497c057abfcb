#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace sleevelight::localmedia {

// The bytes of a regular file of at most `maxBytes`. Directories, FIFOs, devices, sockets and
// larger files read nothing, and opening never waits on a writer.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

bool isRegularFile(const QString& path);

// The pictures embedded in an audio file's tags, front cover first, each at most `maxBytes`.
QList<QByteArray> embeddedPictures(const QString& path, qint64 maxBytes, int maxCount);

// The usual cover files of the folder (cover, folder, front, back, AlbumArt…), best first.
QStringList folderCoverFiles(const QString& folder);

// The track number, disc number and date of an audio file's tags, as the texts they are written
// in ("3/12", "2019-05-01"), under the MPRIS names of the same values; empty when it cannot be read.
QVariantMap numberTags(const QString& path);

// Format, bit rate, sample rate, channels and path of an audio file; empty when it cannot be read.
QString codecInfo(const QString& path);

} // namespace sleevelight::localmedia
