#include "platform/views/fadeoverlay.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace sleevelight {

FadeOverlay::FadeOverlay(QWidget* covered) : QWidget(covered), m_fade(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    covered->installEventFilter(this);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    connect(m_fade, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        hide();
        m_picture = QPixmap();
    });
}

void FadeOverlay::fadeOut(int milliseconds)
{
    QWidget* covered = parentWidget();
    if (milliseconds <= 0 || !covered->isVisible() || covered->size().isEmpty())
        return;
    m_picture = covered->grab();
    setGeometry(covered->rect());
    raise();
    show();
    m_fade->stop();
    m_fade->setDuration(milliseconds);
    m_fade->start();
}

bool FadeOverlay::eventFilter(QObject* watched, QEvent* event)
{
    // A picture of another size no longer lies over what it showed.
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible()) {
        m_fade->stop();
        hide();
        m_picture = QPixmap();
    }
    return QWidget::eventFilter(watched, event);
}

void FadeOverlay::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setOpacity(m_fade->currentValue().toReal());
    painter.drawPixmap(0, 0, m_picture);
}

} // namespace sleevelight
