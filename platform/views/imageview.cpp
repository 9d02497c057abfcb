#include "platform/views/imageview.h"

#include <QPainter>

namespace sleevelight {

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void ImageView::setImage(const Image& image)
{
    if (m_image == image)
        return;
    if (m_crossfadeMs > 0 && isVisible() && !m_scaled.isNull()) {
        m_previous = m_scaled;
        m_previousOrigin = m_origin;
        if (m_fade == nullptr) {
            m_fade = new QVariantAnimation(this);
            m_fade->setStartValue(0.0);
            m_fade->setEndValue(1.0);
            // Only where the pictures lie: the view may reach far beyond them, under the text.
            connect(m_fade, &QVariantAnimation::valueChanged, this, [this] { update(picturesRect()); });
            connect(m_fade, &QVariantAnimation::finished, this, [this] {
                update(picturesRect());
                m_previous = QImage();
            });
        }
        m_fade->stop();
        m_fade->setDuration(m_crossfadeMs);
        m_fade->start();
    } else if (m_fade != nullptr) {
        // Shown at once: a fade still under way ends here.
        m_fade->stop();
        m_previous = QImage();
    }
    m_image = image;
    m_scaled = QImage();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
}

void ImageView::pictureDecoded()
{
    // The same picture, in the same place: it takes the preview's place without a fade.
    if (m_showsPreview) {
        m_scaled = QImage();
        update(picturesRect());
    }
}

QRect ImageView::picturesRect() const
{
    const qreal dpr = devicePixelRatioF();
    const QRectF shown(m_origin, QSizeF(m_scaled.size()) / dpr);
    const QRectF previous(m_previousOrigin, QSizeF(m_previous.size()) / dpr);
    return shown.united(previous).toAlignedRect();
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    m_scaled = QImage();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    QWidget::resizeEvent(event);
}

void ImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull() || width() <= 0 || height() <= 0)
        return;
    const qreal dpr = devicePixelRatioF();
    if (m_scaled.isNull()) {
        const QSize bound = (QSizeF(size()) * dpr).toSize();
        const QImage preview = m_image.isDecoded(bound) ? QImage() : m_image.preview(bound);
        m_showsPreview = !preview.isNull();
        m_scaled = m_showsPreview ? preview : m_image.decoded(bound);
        m_scaled.setDevicePixelRatio(dpr);
        ++m_scaleCount;
    }
    if (m_scaled.isNull())
        return;
    const QSizeF shown = QSizeF(m_scaled.size()) / dpr;
    m_origin = QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0);
    QPainter painter(this);
    const bool fading = !m_previous.isNull();
    if (fading) {
        // Over a picture of the same place and size the old one stays whole beneath the new one,
        // so the mix never dims; elsewhere it fades out as the new one fades in.
        const qreal progress = m_fade->currentValue().toReal();
        const bool samePlace = m_previousOrigin == m_origin && m_previous.size() == m_scaled.size();
        painter.setOpacity(samePlace ? 1.0 : 1.0 - progress);
        painter.drawImage(m_previousOrigin, m_previous);
        painter.setOpacity(progress);
    }
    painter.drawImage(m_origin, m_scaled);
    // A picture without transparency that covers the whole view hides what lies beneath it:
    // from the next repaint on, the window leaves out drawing the background and the record there.
    setAttribute(Qt::WA_OpaquePaintEvent,
                 !fading && m_scaled.size() == size() * dpr && !m_scaled.hasAlphaChannel());
}

} // namespace sleevelight
