#include "platform/image.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>

namespace sleevelight {

struct Image::Data
{
    QByteArray bytes;
    QImage image;
    QSize size;
};

namespace {

QSize headerSize(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return {};
    QSize size = reader.size();
    if (!size.isValid()) {
        // Some formats only know their size once read; they are small enough to read whole.
        const QImage image = reader.read();
        size = image.size();
    }
    return size;
}

} // namespace

Image Image::fromData(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    const QSize size = headerSize(bytes);
    if (size.isEmpty() || qint64(size.width()) * size.height() > maxPixels)
        return {};
    Image result;
    result.d = std::make_shared<const Data>(Data{bytes, {}, size});
    return result;
}

Image Image::fromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    Image result;
    result.d = std::make_shared<const Data>(Data{{}, image, image.size()});
    return result;
}

Image Image::named(const QString& name)
{
    static QHash<QString, Image> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        QImage image(QStringLiteral(":/images/") + name);
        it = cache.insert(name, fromImage(image));
    }
    return *it;
}

QSizeF Image::size() const
{
    return d ? QSizeF(d->size) : QSizeF();
}

QByteArray Image::data() const
{
    return d ? d->bytes : QByteArray();
}

QImage Image::decoded(const QSize& bound) const
{
    if (!d)
        return {};
    QSize target = d->size.scaled(bound, Qt::KeepAspectRatio);
    if (target.width() > d->size.width() || target.height() > d->size.height())
        target = d->size;
    target = target.expandedTo(QSize(1, 1));
    if (!d->image.isNull()) {
        if (target == d->image.size())
            return d->image;
        return d->image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QBuffer buffer;
    buffer.setData(d->bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // JPEG decodes straight at a fraction of its size; other formats are scaled after decoding.
    reader.setScaledSize(target);
    QImage image = reader.read();
    if (!image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace sleevelight
