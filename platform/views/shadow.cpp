#include "platform/views/shadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sleevelight {

namespace {

// Divides any sum a window of alpha values can reach by the window's size, exactly as integer
// division does, with a multiply and shifts: a table lookup would keep the loops from running
// several pixels at once. Where the sums fit in 16 bits the multiply keeps only the high half,
// which eight pixels at once can do.
struct Divider
{
    explicit Divider(int window) : window(window)
    {
        const uint32_t largest = uint32_t(255 * window);
        if (largest > 0xffff)
            return;
        for (int shift = 16; shift < 32 && !narrow; ++shift) {
            const uint64_t m = ((uint64_t(1) << shift) + uint64_t(window) - 1) / uint64_t(window);
            if (m > 0xffff)
                break;
            multiplier = uint16_t(m);
            extra = shift - 16;
            narrow = true;
            for (uint32_t sum = 0; narrow && sum <= largest; ++sum)
                narrow = (*this)(uint16_t(sum)) == sum / uint32_t(window);
        }
    }
    uint8_t operator()(uint16_t sum) const
    {
        return uint8_t(uint16_t((uint32_t(sum) * multiplier) >> 16) >> extra);
    }

    int window;
    uint16_t multiplier = 0;
    int extra = 0;
    bool narrow = false; // the sums fit in 16 bits and the multiply divides every one exactly
};

// One horizontal box pass over an alpha plane; outside the plane counts as transparent. A small
// window is summed afresh for every pixel, which runs many pixels at once; a large one slides.
void boxPassRows(std::vector<uint8_t>& plane, int width, int height, int radius, const Divider& divide)
{
    const int window = 2 * radius + 1;
    std::vector<uint8_t> lineStore(size_t(width) + size_t(window), 0);
    std::vector<uint16_t> sumsStore(size_t(width), 0);
    const uint8_t* __restrict padded = lineStore.data();
    uint16_t* __restrict sums = sumsStore.data();
    for (int y = 0; y < height; ++y) {
        uint8_t* __restrict row = plane.data() + size_t(y) * width;
        // The line with `radius` transparent values before it and `radius + 1` after.
        std::copy(row, row + width, lineStore.begin() + radius);
        if (divide.narrow && window <= 16) {
            for (int i = 0; i < width; ++i)
                sums[i] = padded[i];
            for (int k = 1; k < window; ++k)
                for (int i = 0; i < width; ++i)
                    sums[i] = uint16_t(sums[i] + padded[i + k]);
            for (int i = 0; i < width; ++i)
                row[i] = divide(sums[i]);
        } else {
            uint32_t sum = 0;
            for (int i = 0; i < 2 * radius; ++i)
                sum += padded[i];
            for (int i = 0; i < width; ++i) {
                sum += padded[i + 2 * radius];
                row[i] = uint8_t(sum / uint32_t(window));
                sum -= padded[i];
            }
        }
    }
}

// The same pass down the columns, kept row by row: a column at a time would stride through
// memory. The rows that leave the window are kept, as they were, in a ring of `radius + 1`.
template<typename Sum>
void boxPassColumns(std::vector<uint8_t>& plane, int width, int height, int radius, const Divider& divide)
{
    std::vector<Sum> sumsStore(size_t(width), 0);
    std::vector<uint8_t> ring(size_t(width) * size_t(radius + 1));
    Sum* __restrict sums = sumsStore.data();
    auto add = [&](const uint8_t* __restrict row) {
        for (int x = 0; x < width; ++x)
            sums[x] = Sum(sums[x] + row[x]);
    };
    auto subtract = [&](const uint8_t* __restrict row) {
        for (int x = 0; x < width; ++x)
            sums[x] = Sum(sums[x] - row[x]);
    };
    for (int y = 0; y <= radius && y < height; ++y)
        add(plane.data() + size_t(y) * width);
    for (int y = 0; y < height; ++y) {
        uint8_t* __restrict row = plane.data() + size_t(y) * width;
        uint8_t* kept = ring.data() + size_t(y % (radius + 1)) * width;
        std::copy(row, row + width, kept);
        if constexpr (sizeof(Sum) == 2) {
            for (int x = 0; x < width; ++x)
                row[x] = divide(sums[x]);
        } else {
            for (int x = 0; x < width; ++x)
                row[x] = uint8_t(sums[x] / uint32_t(divide.window));
        }
        if (const int out = y - radius; out >= 0)
            subtract(ring.data() + size_t(out % (radius + 1)) * width);
        if (const int in = y + radius + 1; in < height)
            add(plane.data() + size_t(in) * width);
    }
}

// The smallest rectangle holding every pixel that is not fully transparent.
QRect opaqueBounds(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int first = 0;
        while (first < width && qAlpha(row[first]) == 0)
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (qAlpha(row[last]) == 0)
            --last;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

QImage withShadow(const QImage& content, const Shadow& shadow)
{
    if (content.isNull())
        return content;
    const qreal dpr = content.devicePixelRatio();
    QImage source = content.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage result(source.size(), QImage::Format_ARGB32_Premultiplied);
    // The same pixel ratio before drawing the content on it, so that on a high-density screen the
    // text lands on its own pixels, not at half its size in a corner.
    result.setDevicePixelRatio(dpr);
    result.fill(Qt::transparent);
    // Three box passes come close to a gaussian of the same radius. Each spreads the alpha by
    // `radius` pixels, so only the glyphs' rectangle grown by three times that can turn grey;
    // everything else stays transparent and is left out of the work.
    const int radius = std::max(0, int(std::lround(shadow.blurRadius * dpr / 2.0)));
    const QRect glyphs = opaqueBounds(source);
    if (!glyphs.isEmpty()) {
        const QRect area = glyphs.adjusted(-3 * radius, -3 * radius, 3 * radius, 3 * radius) & source.rect();
        const int width = area.width();
        const int height = area.height();
        std::vector<uint8_t> alpha(size_t(width) * height);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(area.y() + y)) + area.x();
            uint8_t* out = alpha.data() + size_t(y) * width;
            for (int x = 0; x < width; ++x)
                out[x] = uint8_t(qAlpha(row[x]));
        }
        if (radius > 0) {
            const Divider divide(2 * radius + 1);
            for (int pass = 0; pass < 3; ++pass) {
                boxPassRows(alpha, width, height, radius, divide);
                if (divide.narrow)
                    boxPassColumns<uint16_t>(alpha, width, height, radius, divide);
                else
                    boxPassColumns<uint32_t>(alpha, width, height, radius, divide);
            }
        }
        // The shadow's colour at every alpha the blur can give.
        const QRgb base = shadow.color.rgba();
        QRgb shades[256];
        for (int a = 0; a < 256; ++a)
            shades[a] = qPremultiply(qRgba(qRed(base), qGreen(base), qBlue(base), a * qAlpha(base) / 255));
        const int dx = int(std::lround(shadow.offset.x() * dpr));
        const int dy = int(std::lround(shadow.offset.y() * dpr));
        const QRect shifted = area.translated(dx, dy) & result.rect();
        for (int y = shifted.top(); y <= shifted.bottom(); ++y) {
            const uint8_t* in = alpha.data() + size_t(y - dy - area.y()) * width;
            auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
            for (int x = shifted.left(); x <= shifted.right(); ++x)
                row[x] = shades[in[x - dx - area.x()]];
        }
    }
    QPainter painter(&result);
    painter.drawImage(0, 0, source);
    painter.end();
    return result;
}

} // namespace sleevelight
