#include "remote/qrcode.h"

#include <qrencode.h>

#include <memory>

namespace sleevelight {

QImage qrCode(const QByteArray& text)
{
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code)
        return {};
    constexpr int quiet = 4;
    const int width = code->width;
    QImage image(width + 2 * quiet, width + 2 * quiet, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x)
            if (code->data[y * width + x] & 1)
                image.setPixel(x + quiet, y + quiet, qRgb(0, 0, 0));
    return image;
}

} // namespace sleevelight
