#include "platform/views/fadeoverlay.h"

#include <QBackingStore>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// What the window last showed where `covered` lies: copied out of the window's backing store,
// which holds it already, rather than drawn again. X11's and the offscreen platform's backing store
// is one picture that lasts from frame to frame; Wayland's buffers come and go between frames, so
// there the widget is drawn again.
QImage shownPicture(QWidget* covered)
{
    static const bool lastingStore =
        QGuiApplication::platformName() == "xcb"_L1 || QGuiApplication::platformName() == "offscreen"_L1;
    if (QBackingStore* store = lastingStore ? covered->backingStore() : nullptr) {
        if (const auto* shown = dynamic_cast<const QImage*>(store->paintDevice());
            shown && !shown->isNull()) {
            const qreal ratio = shown->devicePixelRatio();
            const QRect area(covered->mapTo(covered->window(), QPoint(0, 0)) * ratio,
                             covered->size() * ratio);
            if (shown->rect().contains(area)) {
                QImage picture = shown->copy(area);
                picture.setDevicePixelRatio(ratio);
                return picture;
            }
        }
    }
    return covered->grab().toImage();
}

} // namespace

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
        m_picture = QImage();
    });
}

void FadeOverlay::fadeOut(int milliseconds)
{
    QWidget* covered = parentWidget();
    if (milliseconds <= 0 || !covered->isVisible() || covered->size().isEmpty())
        return;
    m_picture = shownPicture(covered);
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
        m_picture = QImage();
    }
    return QWidget::eventFilter(watched, event);
}

void FadeOverlay::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setOpacity(m_fade->currentValue().toReal());
    painter.drawImage(0, 0, m_picture);
}

} // namespace sleevelight
