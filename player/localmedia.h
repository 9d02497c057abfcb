#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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

// Format, bit rate, sample rate, channels and path of an audio file; empty when it cannot be read.
QString codecInfo(const QString& path);

} // namespace sleevelight::localmedia
