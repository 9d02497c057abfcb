#include "player/artworkcollector.h"

#include "platform/image.h"
#include "platform/timers.h"
#include "player/localmedia.h"
#include "player/mprismetadata.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr qsizetype remoteCacheBytes = 64 * 1024 * 1024;
constexpr int maxFetchesInFlight = 4;
constexpr qsizetype recentDecodable = 32;

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

} // namespace

ArtworkCollector::ArtworkCollector(QObject* parent) : QObject(parent), m_remote(remoteCacheBytes) {}

ArtworkCollector::~ArtworkCollector() = default;

bool ArtworkCollector::isDecodablePicture(const QByteArray& bytes) const
{
    if (bytes.isEmpty())
        return false;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The format comes from the bytes; players name cache files without or with wrong suffixes.
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > m_limits.maxPixels)
        return false;
    // Other formats are decoded whole whatever size is asked; a large one is only decoded by the
    // display, away from the window, which shows the placeholder if it fails after all.
    if (reader.format() != "jpeg" && qint64(size.width()) * size.height() > Image::slowPixels)
        return true;
    // The whole stream is still read, but a JPEG reads at an eighth of its size in a fraction of the
    // time and memory: a 3000 x 3000 cover would otherwise cost a full decode just to be checked.
    if (reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(QSize((size.width() + 7) / 8, (size.height() + 7) / 8));
    return !reader.read().isNull();
}

QList<QByteArray> ArtworkCollector::pictures(const QString& artUrl, const QString& trackUrl)
{
    if (m_hasLast && artUrl == m_lastArtUrl && trackUrl == m_lastTrackUrl)
        return m_lastPictures;
    if (artUrl != m_lastArtUrl)
        m_failed.clear(); // a failed address is tried again once per track change, not once per refresh

    QList<QByteArray> candidates;
    if (std::optional<QByteArray> art = artUrlPicture(artUrl))
        candidates << *art;
    if (const QString path = mpris::localPath(trackUrl); !path.isEmpty()) {
        candidates << localmedia::embeddedPictures(path, m_limits.maxPictureBytes, m_limits.maxPictures);
        for (const QString& file : localmedia::folderCoverFiles(QFileInfo(path).path())) {
            if (candidates.size() >= 2 * m_limits.maxPictures)
                break;
            if (std::optional<QByteArray> bytes = localmedia::readRegularFile(file, m_limits.maxPictureBytes))
                candidates << *bytes;
        }
    }

    QList<QByteArray> result;
    QSet<QByteArray> seen;
    qint64 total = 0;
    for (const QByteArray& bytes : std::as_const(candidates)) {
        if (result.size() >= m_limits.maxPictures)
            break;
        if (total + bytes.size() > m_limits.maxTrackBytes)
            continue;
        const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
        if (seen.contains(digest))
            continue;
        // Tracks of one album share their cover: a picture found good once is not decoded again.
        if (!m_decodable.contains(digest)) {
            if (!isDecodablePicture(bytes))
                continue;
            m_decodable.prepend(digest);
            if (m_decodable.size() > recentDecodable)
                m_decodable.removeLast();
        }
        seen.insert(digest);
        total += bytes.size();
        result << bytes;
    }

    m_hasLast = true;
    m_lastArtUrl = artUrl;
    m_lastTrackUrl = trackUrl;
    m_lastPictures = result;
    return result;
}

std::optional<QByteArray> ArtworkCollector::artUrlPicture(const QString& artUrl)
{
    if (artUrl.isEmpty())
        return std::nullopt;
    if (artUrl.startsWith("data:"_L1, Qt::CaseInsensitive))
        return decodeDataUrl(artUrl, m_limits.maxPictureBytes);
    if (const QString path = mpris::localPath(artUrl); !path.isEmpty())
        return localmedia::readRegularFile(path, m_limits.maxPictureBytes);

    const QUrl url(artUrl);
    const QString scheme = url.scheme().toLower();
    if (scheme != "http"_L1 && scheme != "https"_L1)
        return std::nullopt;
    if (const QByteArray* cached = m_remote.object(artUrl))
        return *cached;
    fetch(artUrl);
    return std::nullopt;
}

void ArtworkCollector::fetch(const QString& address)
{
    if (m_failed.contains(address) || m_inFlight.contains(address) || m_inFlight.size() >= maxFetchesInFlight)
        return;
    if (m_network == nullptr)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(Timers::milliseconds(m_limits.fetchTimeoutSeconds));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_network->get(request);
    m_inFlight.insert(address);

    const qint64 cap = m_limits.maxPictureBytes;
    auto tooLarge = [reply, cap] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((announced.isValid() && announced.toLongLong() > cap) || reply->bytesAvailable() > cap)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, tooLarge);
    connect(reply, &QNetworkReply::readyRead, this, tooLarge);
    connect(reply, &QNetworkReply::finished, this, [this, reply, address] { fetchFinished(reply, address); });
}

void ArtworkCollector::fetchFinished(QNetworkReply* reply, const QString& address)
{
    reply->deleteLater();
    m_inFlight.remove(address);
    const QByteArray bytes =
        reply->error() == QNetworkReply::NoError ? reply->read(m_limits.maxPictureBytes + 1) : QByteArray();
    if (bytes.isEmpty() || bytes.size() > m_limits.maxPictureBytes || !isDecodablePicture(bytes)) {
        m_failed.insert(address);
        return;
    }
    m_remote.insert(address, new QByteArray(bytes), static_cast<qsizetype>(bytes.size()));
    if (address == m_lastArtUrl) {
        m_hasLast = false;
        Q_EMIT remotePictureArrived();
    }
}

} // namespace sleevelight
