#include "platform/views/progressbar.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace sleevelight {

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int ProgressBar::filledWidth() const
{
    bool ok = false;
    const double v = m_value.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return 0;
    return int(std::lround(std::clamp(v, 0.0, 1.0) * width()));
}

void ProgressBar::setValue(const QVariant& value)
{
    const int before = filledWidth();
    m_value = value;
    // Only the pixels that changed are painted again.
    const int after = filledWidth();
    if (before != after)
        update(QRect(std::min(before, after), 0, std::abs(after - before), height()));
}

void ProgressBar::setBackgroundColor(const QColor& color)
{
    m_background = color;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.fillRect(QRect(0, 0, filledWidth(), height()), m_fill);
}

} // namespace sleevelight
