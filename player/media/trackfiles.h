#pragma once

#include "player/media/decodedpictures.h"
#include "player/media/lyrics.h"
#include "player/media/picturecache.h"
#include "player/track.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace sleevelight {

// Where a track's files are: its address, its art address, and the picture fetched from the web
// for an art address on the web or sent by the track's source (kept on disk by the art address once
// it proves to be a picture, and read from there when it is not given).
struct TrackFilesRequest
{
    QString trackUrl;
    QString artUrl;
    QByteArray webPicture;
    // The lyrics the player sent, used when the files hold none.
    QString playerLyrics = {};
    // Where the web is asked for lyrics when the track has none of its own (empty: it is not), and
    // its answer when it has come (kept on disk, and read from there when not given).
    QString lyricsAddress = {};
    QByteArray webLyrics = {};

    bool operator==(const TrackFilesRequest&) const = default;
};

// What a track's files hold.
struct TrackFiles
{
    // The encoded pictures, distinct by content, each one decodable: the art address first, then
    // the pictures in the audio file's tags, then the cover files beside it.
    QList<QByteArray> pictures;
    // A small decoded copy of each picture, in the same order, shown while the picture is decoded
    // at the size it is shown: what checking that it decodes made anyway (an eighth of a JPEG),
    // at most previewSide on its longer side. Null for a large picture of a slow format.
    QList<QImage> previews;
    // The track number, disc number and year of the audio file's tags.
    Track numbers;
    // The track's lyrics: an LRC file beside the audio file (or in a Lyrics folder there), else
    // those in its tags, else the player's; empty without any.
    lyrics::Lyrics lyrics;
    // Format, bit rate, sample rate, channels and path; empty without a readable local file.
    QString codecInfo;
    // The art address gave a picture: a file, a data: address, or a web picture fetched now or
    // kept on disk from before.
    bool artFound = false;
    // The track has no lyrics of its own and the web, asked at lyricsAddress, has not answered yet.
    bool lyricsToFetch = false;
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

    static constexpr int previewSide = 512;

    void setLimits(const Limits& limits)
    {
        m_limits = limits;
        m_decodable.clear();
    }
    const Limits& limits() const { return m_limits; }

    TrackFiles read(const TrackFilesRequest& request);

    // The preview of `bytes` when they hold a picture that decodes within the limits; nullopt when
    // they do not. A large picture of a format that cannot decode at a fraction of its size is
    // only checked for its header, and has a null preview.
    std::optional<QImage> preview(const QByteArray& bytes) const;
    bool isDecodablePicture(const QByteArray& bytes) const { return preview(bytes).has_value(); }

private:
    std::optional<QByteArray> artPicture(const TrackFilesRequest& request);
    // The lyrics of the web's answer, fetched now or kept from before; `toFetch` when there is none.
    lyrics::Lyrics webLyrics(const TrackFilesRequest& request, bool& toFetch);

    Limits m_limits;
    // What came from the web: pictures, and answers about lyrics.
    PictureCache m_webCache;
    DecodedPictures m_decoded;
    // The pictures most recently found decodable, by digest, with their previews, newest first:
    // tracks of one album share their cover, which is decoded once.
    QList<std::pair<QByteArray, QImage>> m_decodable;
};

} // namespace sleevelight
