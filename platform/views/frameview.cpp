#include "platform/views/frameview.h"

#include <QLayout>
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

void FrameView::setOffsetInParent(const QPoint& offset)
{
    QWidget* parent = parentWidget();
    if (parent == nullptr || (m_placesItself && offset == m_offset))
        return;
    if (!m_placesItself) {
        if (QLayout* layout = parent->layout())
            layout->removeWidget(this);
        parent->installEventFilter(this);
        m_placesItself = true;
    }
    m_offset = offset;
    setGeometry(QRect(offset, parent->size()));
}

bool FrameView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(QRect(m_offset, parentWidget()->size()));
    return QWidget::eventFilter(watched, event);
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
