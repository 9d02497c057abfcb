#include "platform/views/shadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sleevelight {

namespace {

// One horizontal or vertical box pass over an alpha plane.
void boxPass(std::vector<int>& plane, int width, int height, int radius, bool horizontal)
{
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    std::vector<int> line(length);
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> int& { return horizontal ? plane[l * width + i] : plane[i * width + l]; };
        for (int i = 0; i < length; ++i)
            line[i] = at(i);
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? line[i] : 0;
        for (int i = 0; i < length; ++i) {
            at(i) = sum / window;
            const int out = i - radius;
            const int in = i + radius + 1;
            sum -= (out >= 0) ? line[out] : 0;
            sum += (in < length) ? line[in] : 0;
        }
    }
}

} // namespace

QImage withShadow(const QImage& content, const Shadow& shadow)
{
    if (content.isNull())
        return content;
    const qreal dpr = content.devicePixelRatio();
    QImage source = content.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = source.width();
    const int height = source.height();
    std::vector<int> alpha(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < width; ++x)
            alpha[size_t(y) * width + x] = qAlpha(row[x]);
    }
    // Three box passes come close to a gaussian of the same radius.
    const int radius = std::max(0, int(std::lround(shadow.blurRadius * dpr / 2.0)));
    if (radius > 0) {
        for (int pass = 0; pass < 3; ++pass) {
            boxPass(alpha, width, height, radius, true);
            boxPass(alpha, width, height, radius, false);
        }
    }
    QImage result(source.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    const QRgb base = shadow.color.rgba();
    const int dx = int(std::lround(shadow.offset.x() * dpr));
    const int dy = int(std::lround(shadow.offset.y() * dpr));
    for (int y = 0; y < height; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= height)
            continue;
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int sx = x - dx;
            if (sx < 0 || sx >= width)
                continue;
            const int a = alpha[size_t(sy) * width + sx] * qAlpha(base) / 255;
            row[x] = qPremultiply(qRgba(qRed(base), qGreen(base), qBlue(base), a));
        }
    }
    QPainter painter(&result);
    painter.drawImage(0, 0, source);
    painter.end();
    result.setDevicePixelRatio(dpr);
    return result;
}

} // namespace sleevelight
