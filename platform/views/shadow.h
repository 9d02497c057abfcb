#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>

namespace sleevelight {

// A soft shadow under drawn text: blur radius in points, colour and offset.
struct Shadow
{
    double blurRadius = 0.0;
    QColor color = Qt::black;
    QPointF offset;

    friend bool operator==(const Shadow&, const Shadow&) = default;
};

// Returns `content` with its shadow drawn beneath it. Both images have the same size; the
// content must leave room at its edges for the blur.
QImage withShadow(const QImage& content, const Shadow& shadow);

} // namespace sleevelight
