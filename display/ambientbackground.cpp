#include "display/ambientbackground.h"

#include "app/appdelegate.h"
#include "platform/views/frameview.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// WCAG's relative luminance of a colour.
double luminance(QRgb pixel)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) + 0.0722 * linear(qBlue(pixel));
}

// The artwork as a soft light behind everything: a few pixels of it, which the view stretches
// smoothly over the window, darkened until the dimmest text (a stopped track's name, grey 0.8)
// keeps a contrast of at least 5 : 1 against the brightest of them (WCAG asks 4.5 : 1).
QImage ambientFrom(const QImage& picture)
{
    // Pictures come in true colour (see inTrueColour), so the few pixels keep their hue.
    QImage light = picture.scaled(5, 5, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .convertToFormat(QImage::Format_RGB32);
    const double dimmestText = luminance(QColor::fromRgbF(0.8f, 0.8f, 0.8f).rgb());
    const double brightestAllowed = (dimmestText + 0.05) / 5.0 - 0.05;
    for (double factor = 0.6;; factor *= 0.9) {
        QImage dimmed = light;
        double brightest = 0.0;
        for (int y = 0; y < dimmed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(dimmed.scanLine(y));
            for (int x = 0; x < dimmed.width(); ++x) {
                line[x] = qRgb(int(qRed(line[x]) * factor), int(qGreen(line[x]) * factor),
                               int(qBlue(line[x]) * factor));
                brightest = std::max(brightest, luminance(line[x]));
            }
        }
        if (brightest <= brightestAllowed)
            return dimmed;
    }
}

} // namespace

void AmbientBackground::apply()
{
    const Image shown =
        app.livePreferences().ambientBackground && app.artworkImage() != Image::named(u"no_cover.png"_s)
            ? app.artworkImage()
            : Image();
    // A few pixels of the picture as the view shows it, decoded already, or of its preview until
    // the picture replaces it.
    const QSize bound = app.artworkPixelBound(shown.size());
    const bool decoded = !shown.isNull() && shown.isDecoded(bound);
    if (app.mView == nullptr || (shown == m_madeFrom && decoded == m_madeFromDecoded))
        return;
    m_madeFrom = shown;
    m_madeFromDecoded = decoded;
    const QImage picture = shown.isNull() ? QImage()
                           : decoded      ? shown.decoded(bound)
                                          : shown.preview(QSize(64, 64));
    app.mView->setBackgroundImage(picture.isNull() ? QImage() : ambientFrom(picture));
}

} // namespace sleevelight
