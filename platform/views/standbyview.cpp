#include "platform/views/standbyview.h"

#include "platform/timers.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>
#include <QTime>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// Dim enough to keep a panel from wearing, bright enough to read across a room.
const QColor clockColor = QColor::fromRgbF(0.42f, 0.42f, 0.42f);
const QColor lineColor = QColor::fromRgbF(0.30f, 0.30f, 0.30f);

} // namespace

StandbyView::StandbyView(QWidget* parent) : QWidget(parent), m_fade(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    parent->installEventFilter(this);
    connect(m_fade, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_fade, &QVariantAnimation::finished, this, [this] {
        if (!m_showing) {
            hide();
            Timers::invalidate(m_minute);
            m_minute = nullptr;
        }
    });
}

void StandbyView::setClockFont(const QFont& font)
{
    m_font = font;
    update();
}

void StandbyView::setLastTrack(const QString& name, const QString& artist)
{
    m_track = artist.isEmpty() || name.isEmpty() ? QString(name + artist) : QString(name + u" — "_s + artist);
    update();
}

QFont StandbyView::clockFont() const
{
    QFont font = m_font;
    font.setPixelSize(std::max(12, height() / 5));
    return font;
}

QFont StandbyView::lineFont() const
{
    QFont font = m_font;
    font.setStyleName(QString());
    font.setWeight(QFont::Normal);
    font.setPixelSize(std::max(8, height() / 28));
    return font;
}

QSize StandbyView::blockSize() const
{
    const QFontMetrics clock(clockFont());
    const QFontMetrics line(lineFont());
    const int width = std::max(clock.horizontalAdvance(u"00:00"_s),
                               std::min(line.horizontalAdvance(m_track), this->width() * 9 / 10));
    return {width, clock.height() + (m_track.isEmpty() ? 0 : line.height() * 3 / 2)};
}

void StandbyView::fadeIn(int milliseconds)
{
    const qreal from = isVisible() ? m_fade->currentValue().toReal() : 0.0;
    m_showing = true;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    if (m_minute == nullptr)
        nextMinute();
    m_fade->stop();
    m_fade->setStartValue(from);
    m_fade->setEndValue(1.0);
    m_fade->setDuration(std::max(1, int(milliseconds * (1.0 - from))));
    m_fade->start();
}

void StandbyView::fadeOut(int milliseconds)
{
    if (!isVisible() || !m_showing)
        return;
    m_showing = false;
    const qreal from = m_fade->currentValue().toReal();
    m_fade->stop();
    m_fade->setStartValue(from);
    m_fade->setEndValue(0.0);
    m_fade->setDuration(std::max(1, int(milliseconds * from)));
    m_fade->start();
}

void StandbyView::nextMinute()
{
    const QTime now = QTime::currentTime();
    m_time = now.toString(u"HH:mm"_s);
    const QSize block = blockSize();
    const int freeX = std::max(0, width() - block.width());
    const int freeY = std::max(0, height() - block.height());
    m_block = QRect(QPoint(int(QRandomGenerator::global()->bounded(freeX + 1)),
                           int(QRandomGenerator::global()->bounded(freeY + 1))),
                    block);
    update();
    // Just after the minute turns, so the clock never shows a minute late.
    const int untilNextMinute = 60'000 - (now.second() * 1000 + now.msec()) + 50;
    Timers::invalidate(m_minute);
    m_minute = Timers::schedule(this, untilNextMinute / 1000.0, false, [this] { nextMinute(); });
}

bool StandbyView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible()) {
        setGeometry(parentWidget()->rect());
        nextMinute();
    }
    return QWidget::eventFilter(watched, event);
}

void StandbyView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(m_fade->currentValue().toReal());
    painter.fillRect(rect(), Qt::black);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont clock = clockFont();
    const int clockHeight = QFontMetrics(clock).height();
    painter.setFont(clock);
    painter.setPen(clockColor);
    painter.drawText(QRect(m_block.topLeft(), QSize(m_block.width(), clockHeight)), Qt::AlignCenter, m_time);
    if (!m_track.isEmpty()) {
        const QFont line = lineFont();
        painter.setFont(line);
        painter.setPen(lineColor);
        const QString shown = QFontMetrics(line).elidedText(m_track, Qt::ElideRight, m_block.width());
        painter.drawText(QRect(m_block.left(), m_block.top() + clockHeight, m_block.width(),
                               m_block.height() - clockHeight),
                         Qt::AlignHCenter | Qt::AlignBottom, shown);
    }
}

} // namespace sleevelight
