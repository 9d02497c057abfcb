#include "platform/views/shadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sleevelight {

namespace {

// sum / window for every sum a window of alpha values can reach, so that no pixel pays a division.
std::vector<int> quotients(int window)
{
    std::vector<int> table(size_t(255 * window + 1));
    for (size_t sum = 0; sum < table.size(); ++sum)
        table[sum] = int(sum) / window;
    return table;
}

// One horizontal box pass over an alpha plane.
void boxPassRows(std::vector<int>& plane, int width, int height, int radius)
{
    std::vector<int> line(width);
    const std::vector<int> divided = quotients(2 * radius + 1);
    for (int y = 0; y < height; ++y) {
        int* row = plane.data() + size_t(y) * width;
        std::copy(row, row + width, line.begin());
        int sum = 0;
        for (int i = 0; i <= radius && i < width; ++i)
            sum += line[i];
        for (int i = 0; i < width; ++i) {
            row[i] = divided[sum];
            if (const int out = i - radius; out >= 0)
                sum -= line[out];
            if (const int in = i + radius + 1; in < width)
                sum += line[in];
        }
    }
}

// The same pass down the columns, kept row by row: a column at a time would stride through memory.
void boxPassColumns(std::vector<int>& plane, int width, int height, int radius)
{
    const std::vector<int> source = plane;
    std::vector<int> sums(width, 0);
    const std::vector<int> divided = quotients(2 * radius + 1);
    auto addRow = [&](int y, int sign) {
        const int* row = source.data() + size_t(y) * width;
        for (int x = 0; x < width; ++x)
            sums[x] += sign * row[x];
    };
    for (int y = 0; y <= radius && y < height; ++y)
        addRow(y, 1);
    for (int y = 0; y < height; ++y) {
        int* row = plane.data() + size_t(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = divided[sums[x]];
        if (const int out = y - radius; out >= 0)
            addRow(out, -1);
        if (const int in = y + radius + 1; in < height)
            addRow(in, 1);
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
            boxPassRows(alpha, width, height, radius);
            boxPassColumns(alpha, width, height, radius);
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
