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
    m_image = image;
    m_scaled = QImage();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
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
        m_scaled = m_image.decoded((QSizeF(size()) * dpr).toSize());
        m_scaled.setDevicePixelRatio(dpr);
        ++m_scaleCount;
    }
    if (m_scaled.isNull())
        return;
    const QSizeF shown = QSizeF(m_scaled.size()) / dpr;
    const QPointF origin((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0);
    QPainter painter(this);
    painter.drawImage(origin, m_scaled);
    // A picture without transparency that covers the whole view hides what lies beneath it:
    // from the next repaint on, the window leaves out drawing the background and the record there.
    setAttribute(Qt::WA_OpaquePaintEvent,
                 m_scaled.size() == size() * dpr && !m_scaled.hasAlphaChannel());
}

} // namespace sleevelight
