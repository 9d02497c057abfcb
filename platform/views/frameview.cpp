#include "platform/views/frameview.h"

#include <QPaintEvent>
#include <QPainter>

namespace sleevelight {

FrameView::FrameView(QWidget* parent) : QWidget(parent) {}

void FrameView::setBackgroundColor(const QColor& color)
{
    m_background = color;
    setAttribute(Qt::WA_OpaquePaintEvent, color.alpha() == 255);
    update();
}

void FrameView::setBackgroundImage(const QImage& image)
{
    if (image.isNull() && m_backgroundImage.isNull())
        return;
    m_backgroundImage = image;
    m_scaledBackground = QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, !image.isNull() || m_background.alpha() == 255);
    update();
}

void FrameView::paintEvent(QPaintEvent* event)
{
    if (!m_backgroundImage.isNull()) {
        if (m_scaledBackground.size() != size())
            m_scaledBackground = QPixmap::fromImage(
                m_backgroundImage.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        QPainter(this).drawPixmap(event->rect(), m_scaledBackground, event->rect());
        return;
    }
    if (m_background.alpha() == 0)
        return;
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background);
}

void FrameView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_posts)
        Q_EMIT frameChanged();
}

void FrameView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (m_posts)
        Q_EMIT frameChanged();
}

} // namespace sleevelight
