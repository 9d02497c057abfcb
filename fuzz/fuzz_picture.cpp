// A picture's bytes, as a player or a music file hands them over, staged for display: the header
// read for the size and the side ratio, then decoded at the sizes a window shows it.
// Input: the picture's bytes.

#include "fuzz/fuzzinput.h"
#include "platform/image.h"

#include <QCoreApplication>

#include <cmath>

using namespace sleevelight;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Image image = Image::fromData(bytes);
    if (image.isNull())
        return 0;
    const QSizeF pictureSize = image.size();
    FUZZ_ASSERT(pictureSize.width() >= 1.0 && pictureSize.height() >= 1.0);
    FUZZ_ASSERT(pictureSize.width() * pictureSize.height() <= double(Image::maxPixels));
    // The display lays out by this ratio; it must be a number.
    const double ratio = pictureSize.height() / pictureSize.width();
    FUZZ_ASSERT(std::isfinite(ratio) && ratio > 0.0);
    FUZZ_ASSERT(Image::fromData(bytes) == image);

    // Larger first, then smaller ones scaled from what was decoded; a thin strip, and a dot.
    for (const QSize bound : {QSize(400, 400), QSize(120, 90), QSize(300, 7), QSize(1, 1)}) {
        const QImage decoded = image.decoded(bound);
        if (decoded.isNull())
            return 0; // cut short after its header: it is never shown
        FUZZ_ASSERT(decoded.width() >= 1 && decoded.height() >= 1);
        FUZZ_ASSERT(decoded.width() <= bound.width() && decoded.height() <= bound.height());
    }
    return 0;
}
