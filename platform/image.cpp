#include "platform/image.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHash>
#include <QImageReader>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <list>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sleevelight {

struct Image::Data
{
    QByteArray bytes;
    QImage image;
    QSize size;
    QByteArray format;
    bool rotated = false; // the header says to turn the picture a quarter

    // The last decoded result, and whether decoding failed once (it will fail again).
    QImage decoded;
    QImage preview;
    bool undecodable = false;
};

namespace {

std::atomic<int> decodes = 0;

struct Header
{
    QSize size;
    QByteArray format;
    bool rotated = false;
};

Header readHeader(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return {};
    Header header;
    header.format = reader.format();
    header.size = reader.size();
    header.rotated = reader.transformation() & QImageIOHandler::TransformationRotate90;
    if (!header.size.isValid()) {
        // Some formats only know their size once read; they are small enough to read whole.
        reader.setAutoTransform(false);
        header.size = reader.read().size();
    }
    if (header.rotated)
        header.size.transpose();
    return header;
}

// A JPEG cut short still "decodes", with its missing part in grey: every scan needs its end marker.
// The end marker is searched from the end, where a whole file has it, and a scan only after it.
bool isTruncatedJpeg(const QByteArray& bytes)
{
    const qsizetype end = bytes.lastIndexOf("\xFF\xD9");
    return end < 0 || bytes.indexOf("\xFF\xDA") < 0 || bytes.indexOf("\xFF\xDA", end) >= 0;
}

// The bytes decoded at `target`, turned as their header says; null when they do not decode.
// Touches nothing shared, so any thread may call it.
QImage decodeBytes(const QByteArray& bytes, const QSize& size, bool rotated, const QSize& target)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    // JPEG decodes straight at a fraction of its size; other formats are decoded whole and scaled
    // after, in true colour: a palette picture (a one-colour cover) scaled down smoothly as it
    // is comes out grey or white.
    if (reader.format() == "jpeg") {
        QSize decodeSize = target.boundedTo(size);
        if (rotated)
            decodeSize.transpose();
        reader.setScaledSize(decodeSize);
    }
    QImage image = reader.read();
    ++decodes;
    image = inTrueColour(image);
    if (!image.isNull() && image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

// One thread, so that a run of huge pictures is decoded one after another, never all at once in
// memory. It belongs to the application, which waits for it when it ends.
QThreadPool* decodingPool()
{
    static QPointer<QThreadPool> pool;
    if (pool.isNull()) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}

std::shared_ptr<DecodedPictureStore>& decodedStore()
{
    static std::shared_ptr<DecodedPictureStore> store;
    return store;
}

// The pictures made most recently from bytes, newest first.
std::list<Image>& recentPictures()
{
    static std::list<Image> recent;
    return recent;
}

QSize fitted(const QSize& size, const QSize& bound)
{
    if (bound.isEmpty())
        return size;
    return size.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

} // namespace

Image Image::fromData(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    auto& recent = recentPictures();
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if (it->d->bytes == bytes) {
            recent.splice(recent.begin(), recent, it);
            return recent.front();
        }
    }
    const Header header = readHeader(bytes);
    if (header.size.isEmpty() || qint64(header.size.width()) * header.size.height() > maxPixels)
        return {};
    if (header.format == "jpeg" && isTruncatedJpeg(bytes))
        return {};
    Image result;
    result.d = std::make_shared<Data>();
    result.d->bytes = bytes;
    result.d->size = header.size;
    result.d->format = header.format;
    result.d->rotated = header.rotated;
    recent.push_front(result);
    while (recent.size() > size_t(recentCount))
        recent.pop_back();
    return result;
}

QImage inTrueColour(const QImage& image)
{
    if (image.isNull() || image.depth() >= 32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

Image Image::fromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    Image result;
    result.d = std::make_shared<Data>();
    result.d->image = inTrueColour(image);
    result.d->size = image.size();
    return result;
}

Image Image::named(const QString& name)
{
    static QHash<QString, Image> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        QImage image(u":/images/"_s + name);
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

bool Image::isSlowToDecode() const
{
    return d && d->image.isNull() && d->decoded.isNull() && !d->undecodable && d->format != "jpeg" &&
           qint64(d->size.width()) * d->size.height() > slowPixels;
}

QFuture<QImage> Image::decodeInBackground(const QSize& bound) const
{
    if (!d || d->bytes.isEmpty())
        return QtFuture::makeReadyFuture(QImage());
    const QSize target = fitted(d->size, bound);
    const qint64 pixels = qint64(d->size.width()) * d->size.height();
    const bool worthKeeping = pixels >= 2 * qint64(target.width()) * target.height() ||
                              (d->format != "jpeg" && pixels >= 1'000'000);
    std::shared_ptr<DecodedPictureStore> store = worthKeeping ? decodedStore() : nullptr;
    return QtConcurrent::run(
        decodingPool(), [store, bytes = d->bytes, size = d->size, rotated = d->rotated, target] {
            // Decoding yields to the window's thread: woken beside it on a machine of two cores it
            // took the window's core for milliseconds in the middle of a refresh.
            static thread_local const bool yields = ::setpriority(PRIO_PROCESS, ::gettid(), 10) == 0;
            Q_UNUSED(yields);
            if (store) {
                if (QImage kept = store->find(bytes, target); !kept.isNull())
                    return kept;
            }
            QImage image = decodeBytes(bytes, size, rotated, target);
            // Kept once the result is handed back: the same thread, next.
            if (store && !image.isNull())
                decodingPool()->start([store, bytes, image] { store->keep(bytes, image); });
            return image;
        });
}

void Image::setDecodedStore(std::shared_ptr<DecodedPictureStore> store)
{
    decodedStore() = std::move(store);
}

void Image::adoptDecoded(const QImage& image) const
{
    if (!d)
        return;
    if (image.isNull())
        d->undecodable = true;
    else
        d->decoded = image;
    d->preview = QImage();
}

void Image::adoptPreview(const QImage& preview) const
{
    if (d && d->decoded.isNull() && !d->undecodable)
        d->preview = preview;
}

bool Image::hasPreview() const
{
    return d && !d->preview.isNull();
}

bool Image::isDecoded(const QSize& bound) const
{
    if (!d)
        return false;
    if (!d->image.isNull() || d->undecodable)
        return true;
    const QSize target = fitted(d->size, bound);
    return !d->decoded.isNull() && d->decoded.width() >= target.width() &&
           d->decoded.height() >= target.height();
}

QImage Image::preview(const QSize& bound) const
{
    if (!d || d->preview.isNull())
        return {};
    // Drawn for a moment only, then replaced by the picture itself in the same place and size.
    return d->preview.scaled(fitted(d->size, bound), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int Image::decodeCount()
{
    return decodes;
}

QImage Image::decoded(const QSize& bound) const
{
    if (!d || d->undecodable)
        return {};
    const QSize target = fitted(d->size, bound);
    if (!d->decoded.isNull()) {
        if (d->decoded.size() == target)
            return d->decoded;
        // A smaller size comes from what is already decoded, never from the bytes again.
        if (d->decoded.width() >= target.width() && d->decoded.height() >= target.height())
            return d->decoded.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage image;
    if (!d->image.isNull()) {
        image = d->image.size() == target
                    ? d->image
                    : d->image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        image = decodeBytes(d->bytes, d->size, d->rotated, target);
        if (image.isNull()) {
            d->undecodable = true;
            d->preview = QImage();
            return {};
        }
    }
    d->decoded = image;
    d->preview = QImage();
    return image;
}

} // namespace sleevelight
