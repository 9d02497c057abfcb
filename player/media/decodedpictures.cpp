#include "player/media/decodedpictures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr qint64 maxEntryBytes = 16 * 1024 * 1024;

QByteArray sha1Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// The entry decoded, straight at a fraction of its size when `fit` asks for less.
QImage decodeEntry(const QByteArray& bytes, const QSize& fit)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};
    if (fit.isValid() && (size.width() > fit.width() || size.height() > fit.height()))
        reader.setScaledSize(size.scaled(fit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    return reader.read();
}

} // namespace

QString DecodedPictures::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + u"/Sleevelight/decoded"_s;
}

DecodedPictures::DecodedPictures(QString folder, qint64 maxBytes) : m_cache(std::move(folder), maxBytes) {}

std::optional<QByteArray> DecodedPictures::entry(const QByteArray& sha1)
{
    return m_cache.picture(QString::fromLatin1(sha1.toHex()), maxEntryBytes);
}

QImage DecodedPictures::find(const QByteArray& bytes, const QSize& target)
{
    const std::optional<QByteArray> kept = entry(sha1Of(bytes));
    if (!kept)
        return {};
    QBuffer buffer;
    buffer.setData(*kept);
    buffer.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&buffer, "jpeg").size();
    // Kept smaller than now shown: decoded from the bytes again, and kept at the new size.
    if (size.width() < target.width() || size.height() < target.height())
        return {};
    QImage image = decodeEntry(*kept, target);
    if (!image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

void DecodedPictures::keep(const QByteArray& bytes, const QImage& decoded)
{
    if (decoded.isNull() || decoded.hasAlphaChannel())
        return;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    if (decoded.save(&buffer, "JPEG", 92))
        m_cache.keep(QString::fromLatin1(sha1Of(bytes).toHex()), encoded, true);
}

QImage DecodedPictures::preview(const QByteArray& sha1, int side)
{
    const std::optional<QByteArray> kept = entry(sha1);
    return kept ? decodeEntry(*kept, QSize(side, side)) : QImage();
}

} // namespace sleevelight
