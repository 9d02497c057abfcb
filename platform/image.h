#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QMetaType>
#include <QSizeF>

#include <memory>

namespace sleevelight {

// Where pictures decoded at the size shown are kept, between runs too: a picture met again is not
// decoded from its bytes again. Called on the decoding thread only.
class DecodedPictureStore
{
public:
    virtual ~DecodedPictureStore() = default;
    // The picture of `bytes` as kept, fitted to `target` when it was kept at that size or larger;
    // null otherwise.
    virtual QImage find(const QByteArray& bytes, const QSize& target) = 0;
    virtual void keep(const QByteArray& bytes, const QImage& decoded) = 0;
};

// The picture with a colour of its own in every pixel. A picture of few colours (a one-colour cover
// is saved with a palette) comes as a palette image, which Qt scales down smoothly to grey or
// white; every picture is made true colour before it is scaled.
QImage inTrueColour(const QImage& image);

// An immutable picture: either encoded bytes whose size was read from the header
// (decoded later, at the size it is shown) or an already decoded image.
// Copies share the picture; two images are equal when they are the same picture.
class Image
{
public:
    // Pictures beyond this many pixels are refused rather than decoded.
    static constexpr qint64 maxPixels = 100'000'000;
    // How many recently made pictures fromData remembers, with what was decoded of them.
    static constexpr int recentCount = 6;
    // Only JPEG decodes straight at a fraction of its size; any other format is decoded whole
    // first, which beyond this many pixels takes long enough to be noticed (a 50-megapixel PNG
    // most of a second).
    static constexpr qint64 slowPixels = 4'000'000;

    Image() = default;

    // Reads only the header. Null when the bytes are not a picture we can decode or it is too large.
    // The same bytes given again (a cycle of artworks) answer the same picture, already decoded.
    static Image fromData(const QByteArray& bytes);
    static Image fromImage(const QImage& image);
    // A picture compiled into the program, by its file name ("no_cover.png"); one instance per name.
    static Image named(const QString& name);

    bool isNull() const { return !d; }
    QSizeF size() const;
    QByteArray data() const;

    // The picture scaled proportionally to fit inside `bound` (device pixels), up or down. The bytes
    // are decoded at most once per size shown: the last result is kept, and a smaller size is
    // scaled from it. A null QImage when the bytes do not decode after all (a truncated file).
    QImage decoded(const QSize& bound) const;

    // Whether decoding these bytes would take long: never decoded yet, not a JPEG, and larger
    // than slowPixels.
    bool isSlowToDecode() const;
    // What decoded(bound) would make, made on a thread of its own, one picture at a time. The
    // result is handed back with adoptDecoded() on the picture's own thread.
    QFuture<QImage> decodeInBackground(const QSize& bound) const;
    // Keeps a result of decodeInBackground() as what decoded() answers; a null one marks the bytes
    // as not decodable.
    void adoptDecoded(const QImage& image) const;

    // A small decoded copy of the picture, shown while it is decoded aside; dropped once decoded()
    // has a result, or when the bytes prove not to decode.
    void adoptPreview(const QImage& preview) const;
    bool hasPreview() const;
    // Whether decoded(bound) answers at once, from what was decoded before.
    bool isDecoded(const QSize& bound) const;
    // The preview scaled to the size decoded(bound) makes; null without one.
    QImage preview(const QSize& bound) const;

    // Asked before a picture is decoded aside, and given what was decoded when that saves much: a
    // picture far larger than shown, or of a slow format. None by default.
    static void setDecodedStore(std::shared_ptr<DecodedPictureStore> store);

    // How many times any picture's bytes were decoded, for the benchmarks and tests.
    static int decodeCount();

    friend bool operator==(const Image& a, const Image& b) { return a.d == b.d; }
    friend bool operator!=(const Image& a, const Image& b) { return a.d != b.d; }

private:
    struct Data;
    std::shared_ptr<Data> d;
};

} // namespace sleevelight

Q_DECLARE_METATYPE(sleevelight::Image)
