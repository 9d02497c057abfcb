#include "remote/pairingview.h"

#include "remote/qrcode.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace sleevelight {

using namespace Qt::StringLiterals;

namespace {
constexpr int shownMs = 60'000;
}

PairingView::PairingView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    parent->installEventFilter(this);
    hide();
}

void PairingView::showAddress(const QString& address)
{
    m_address = address;
    m_code = qrCode(address.toUtf8());
    setGeometry(parentWidget()->rect());
    raise();
    show();
    update();
    QTimer::singleShot(shownMs, this, [this, address] {
        if (m_address == address)
            hide();
    });
}

void PairingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const int shorter = std::min(width(), height());
    // The code as large as leaves room for the lines beneath, whole pixels a module so it stays sharp.
    const int room = shorter * 7 / 10;
    const int modules = std::max(1, m_code.width());
    const int side = std::max(1, room / modules) * modules;
    const QRect code((width() - side) / 2, std::max(0, (height() - side) / 2 - shorter / 12), side, side);
    painter.drawImage(code, m_code);

    QFont font = painter.font();
    font.setPixelSize(std::max(10, shorter / 40));
    painter.setFont(font);
    painter.setPen(QColor(220, 220, 220));
    const QRect lines(0, code.bottom() + shorter / 40, width(), shorter / 6);
    painter.drawText(lines, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere,
                     u"Scan with a phone on this network, or open\n"_s + m_address);
}

void PairingView::mousePressEvent(QMouseEvent* event)
{
    hide();
    event->accept();
}

bool PairingView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

} // namespace sleevelight
