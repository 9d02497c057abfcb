#include "player/media/trackfiles.h"

#include "platform/image.h"
#include "player/media/localmedia.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr qsizetype recentDecodable = 16;
constexpr qint64 maxLyricsFileBytes = 1024 * 1024;

std::optional<QByteArray> decodeDataUrl(const QString& address, qint64 maxBytes)
{
    const qsizetype comma = address.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const QStringView header = QStringView(address).mid(5, comma - 5);
    const QStringView payload = QStringView(address).mid(comma + 1);
    // Base64 is four characters for three bytes; a payload that cannot fit the cap is not decoded.
    if (payload.size() / 4 * 3 > maxBytes + 3)
        return std::nullopt;
    QByteArray bytes;
    if (header.endsWith(";base64"_L1, Qt::CaseInsensitive)) {
        const auto decoded =
            QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        bytes = *decoded;
    } else {
        bytes = QByteArray::fromPercentEncoding(payload.toLatin1());
    }
    if (bytes.isEmpty() || bytes.size() > maxBytes)
        return std::nullopt;
    return bytes;
}

// Video sites show a song's square cover in a 16:9 thumbnail between black bars; large type
// beside a mostly black picture looks broken. The cover alone, when the bars leave a square.
std::optional<QByteArray> coverBetweenBars(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    // Thumbnails are small; anything else is not one.
    if (!size.isValid() || size.height() < 32 || size.width() * 9 < size.height() * 15 ||
        size.width() * 9 > size.height() * 17 || qint64(size.width()) * size.height() > 4'000'000)
        return std::nullopt;
    const QByteArray format = reader.format();
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    const auto blackColumn = [&image](int x) {
        for (int y = 0; y < image.height(); y += 3) {
            const QRgb pixel = image.pixel(x, y);
            if (std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 24)
                return false;
        }
        return true;
    };
    int left = 0, right = image.width();
    while (left < right && blackColumn(left))
        ++left;
    while (right > left && blackColumn(right - 1))
        --right;
    const int width = right - left;
    if (left == 0 || right == image.width() || std::abs(width - image.height()) > image.height() / 50)
        return std::nullopt;
    QByteArray cropped;
    QBuffer out(&cropped);
    out.open(QIODevice::WriteOnly);
    if (!image.copy(left, 0, width, image.height()).save(&out, format == "jpeg" ? "JPEG" : "PNG", 92))
        return std::nullopt;
    return cropped;
}

// An LRC file of the audio file's name beside it, or in a Lyrics folder there.
lyrics::Lyrics lyricsBeside(const QString& audioPath)
{
    const QFileInfo audio(audioPath);
    const QString name = audio.completeBaseName();
    for (const QString& folder :
         QStringList{audio.path(), audio.path() + u"/Lyrics"_s, audio.path() + u"/lyrics"_s}) {
        for (const QString& suffix : {u".lrc"_s, u".LRC"_s}) {
            if (const std::optional<QByteArray> bytes =
                    localmedia::readRegularFile(folder + u'/' + name + suffix, maxLyricsFileBytes)) {
                lyrics::Lyrics read = lyrics::fromText(lyrics::decodeText(*bytes));
                if (!read.isEmpty())
                    return read;
            }
        }
    }
    return {};
}

} // namespace

std::optional<QImage> TrackFilesReader::preview(const QByteArray& bytes) const
{
    if (bytes.isEmpty())
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The format comes from the bytes; players name cache files without or with wrong suffixes.
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > m_limits.maxPixels)
        return std::nullopt;
    // Other formats are decoded whole whatever size is asked; a large one is only decoded by the
    // display, away from the window, which shows the placeholder if it fails after all.
    if (reader.format() != "jpeg" && qint64(size.width()) * size.height() > Image::slowPixels)
        return QImage();
    // The whole stream is still read, but a JPEG reads at an eighth of its size in a fraction of the
    // time and memory: a 3000 x 3000 cover would otherwise cost a full decode just to be checked.
    // Other formats gain nothing from it, and a palette PNG read so came out grey.
    if (reader.format() == "jpeg" && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(QSize((size.width() + 7) / 8, (size.height() + 7) / 8));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    image = inTrueColour(image);
    if (image.width() > previewSide || image.height() > previewSide)
        image = image.scaled(previewSide, previewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

TrackFiles TrackFilesReader::read(const TrackFilesRequest& request)
{
    TrackFiles files;
    QList<QByteArray> candidates;
    std::optional<QByteArray> art = artPicture(request);
    if (art && isWebAddress(request.artUrl))
        if (std::optional<QByteArray> cover = coverBetweenBars(*art))
            art = cover;
    if (art)
        candidates << *art;
    if (const QString path = localPath(request.trackUrl); !path.isEmpty()) {
        localmedia::AudioFile audio =
            localmedia::readAudioFile(path, m_limits.maxPictureBytes, m_limits.maxPictures);
        files.numbers.trackNumber = positiveNumberFromText(audio.trackNumberTag);
        files.numbers.discNumber = positiveNumberFromText(audio.discNumberTag);
        files.numbers.year = yearFromText(audio.dateTag);
        files.codecInfo = audio.codecInfo;
        files.lyrics = lyricsBeside(path);
        if (files.lyrics.isEmpty())
            files.lyrics = audio.lyrics;
        candidates << audio.pictures;
        // A folder of large pictures is read only as far as a track's pictures could use.
        qint64 read = 0;
        for (const QString& file : localmedia::folderCoverFiles(QFileInfo(path).path())) {
            if (candidates.size() >= 2 * m_limits.maxPictures || read > m_limits.maxTrackBytes)
                break;
            if (std::optional<QByteArray> bytes =
                    localmedia::readRegularFile(file, m_limits.maxPictureBytes)) {
                read += bytes->size();
                candidates << *bytes;
            }
        }
    }

    QSet<QByteArray> seen;
    qint64 total = 0;
    for (const QByteArray& bytes : std::as_const(candidates)) {
        if (files.pictures.size() >= m_limits.maxPictures)
            break;
        if (total + bytes.size() > m_limits.maxTrackBytes)
            continue;
        const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
        if (seen.contains(digest))
            continue;
        const auto known = std::find_if(m_decodable.cbegin(), m_decodable.cend(),
                                        [&digest](const auto& entry) { return entry.first == digest; });
        QImage shown;
        if (known != m_decodable.cend()) {
            shown = known->second;
        } else {
            // A large picture shown before, after a restart too, is previewed from the copy kept
            // at the size it was shown: far less to decode than its own bytes.
            std::optional<QImage> made = m_decoded.preview(digest, previewSide);
            if (made->isNull())
                made = preview(bytes);
            if (!made)
                continue;
            shown = *made;
            m_decodable.prepend({digest, shown});
            if (m_decodable.size() > recentDecodable)
                m_decodable.removeLast();
        }
        seen.insert(digest);
        total += bytes.size();
        files.pictures << bytes;
        files.previews << shown;
    }
    if (files.lyrics.isEmpty() && !request.playerLyrics.isEmpty())
        files.lyrics = lyrics::fromText(request.playerLyrics);
    if (files.lyrics.isEmpty() && !request.lyricsAddress.isEmpty())
        files.lyrics = webLyrics(request, files.lyricsToFetch);
    files.artFound = art && files.pictures.contains(*art);
    if (files.artFound && !request.webPicture.isEmpty())
        m_webCache.keep(request.artUrl, *art);
    return files;
}

lyrics::Lyrics TrackFilesReader::webLyrics(const TrackFilesRequest& request, bool& toFetch)
{
    const bool fetched = !request.webLyrics.isEmpty();
    const std::optional<QByteArray> answer =
        fetched ? request.webLyrics : m_webCache.picture(request.lyricsAddress, maxLyricsFileBytes);
    toFetch = !answer;
    if (!answer)
        return {};
    const std::optional<lyrics::Lyrics> read = lyrics::fromServiceAnswer(*answer);
    if (read && fetched)
        m_webCache.keep(request.lyricsAddress, *answer);
    return read.value_or(lyrics::Lyrics());
}

std::optional<QByteArray> TrackFilesReader::artPicture(const TrackFilesRequest& request)
{
    const QString& artUrl = request.artUrl;
    if (!request.webPicture.isEmpty())
        return request.webPicture;
    if (artUrl.startsWith("data:"_L1, Qt::CaseInsensitive))
        return decodeDataUrl(artUrl, m_limits.maxPictureBytes);
    if (const QString path = localPath(artUrl); !path.isEmpty())
        return localmedia::readRegularFile(path, m_limits.maxPictureBytes);
    // A picture from the web, or one a music server sent, kept from before.
    if (!artUrl.isEmpty())
        return m_webCache.picture(artUrl, m_limits.maxPictureBytes);
    return std::nullopt;
}

} // namespace sleevelight
