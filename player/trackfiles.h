#pragma once

#include "player/mprismetadata.h"
#include "player/picturecache.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace sleevelight {

// Where a track's files are: its address, its art address, and the picture fetched from the web
// for an art address on the web (kept on disk once it proves to be a picture, and read from there
// when it is not given).
struct TrackFilesRequest
{
    QString trackUrl;
    QString artUrl;
    QByteArray webPicture;

    bool operator==(const TrackFilesRequest&) const = default;
};

// What a track's files hold.
struct TrackFiles
{
    // The encoded pictures, distinct by content, each one decodable: the art address first, then
    // the pictures in the audio file's tags, then the cover files beside it.
    QList<QByteArray> pictures;
    // The track number, disc number and year of the audio file's tags.
    mpris::TrackMetadata numbers;
    // Format, bit rate, sample rate, channels and path; empty without a readable local file.
    QString codecInfo;
    // The art address gave a picture: a file, a data: address, or a web picture fetched now or
    // kept on disk from before.
    bool artFound = false;
};

// Reads what a track's files hold, within limits on every count and size, and at once: it is
// meant for a worker's thread (LocalReader), never the window's.
class TrackFilesReader
{
public:
    struct Limits
    {
        qint64 maxPictureBytes = 16 * 1024 * 1024;
        qint64 maxTrackBytes = 48 * 1024 * 1024;
        int maxPictures = 8;
        int maxPixels = 12000 * 12000;

        bool operator==(const Limits&) const = default;
    };

    void setLimits(const Limits& limits)
    {
        m_limits = limits;
        m_decodable.clear();
    }
    const Limits& limits() const { return m_limits; }

    TrackFiles read(const TrackFilesRequest& request);

    // True when `bytes` hold a picture that decodes within the limits.
    bool isDecodablePicture(const QByteArray& bytes) const;

private:
    std::optional<QByteArray> artPicture(const TrackFilesRequest& request);

    Limits m_limits;
    PictureCache m_webPictures;
    // Digests of the pictures most recently found decodable, newest first.
    QList<QByteArray> m_decodable;
};

} // namespace sleevelight
