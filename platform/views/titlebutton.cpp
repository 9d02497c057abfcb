#include "platform/views/titlebutton.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

TitleButton::TitleButton(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    m_title.font = font();
}

void TitleButton::setAttributedTitle(const Title& title)
{
    if (m_title == title)
        return;
    m_title = title;
    setText(title.text);
    m_rendered = QImage();
    updateGeometry();
    update();
}

QSize TitleButton::sizeHint() const
{
    const QFontMetricsF metrics(m_title.font);
    const QString text = m_title.text.isEmpty() ? u" "_s : m_title.text;
    const int margin = int(std::ceil(m_title.shadow.blurRadius));
    return QSize(int(std::ceil(metrics.horizontalAdvance(text))) + 2 * margin,
                 int(std::ceil(metrics.height())) + 2 * margin);
}

void TitleButton::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (m_rendered.isNull() || m_rendered.size() != size() * dpr) {
        QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.setFont(m_title.font);
            painter.setPen(m_title.color);
            const int margin = int(std::ceil(m_title.shadow.blurRadius));
            const QRect area = rect().adjusted(margin, margin, -margin, -margin);
            painter.drawText(area, int(m_title.alignment | Qt::AlignVCenter), m_title.text);
        }
        m_rendered = m_title.shadow.blurRadius > 0 ? withShadow(image, m_title.shadow) : image;
    }
    QPainter painter(this);
    if (isDown())
        painter.setOpacity(0.6);
    painter.drawImage(0, 0, m_rendered);
}

} // namespace sleevelight
