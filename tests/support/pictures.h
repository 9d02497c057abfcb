#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QSize>

namespace sleevelight::test {

// Encoded picture bytes of one colour, as a player or a file would hand them over.
inline QByteArray pictureBytes(QSize size, const QColor& color = Qt::red, const char* format = "PNG")
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace sleevelight::test
