#include "platform/views/mainwindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <cmath>

namespace sleevelight {

namespace {

// A round window button in the colours people know: red close, yellow minimise, green zoom.
class WindowButton : public QToolButton
{
public:
    WindowButton(const QColor& color, QWidget* parent) : QToolButton(parent), m_color(color)
    {
        setFixedSize(14, 14);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(m_color.darker(130));
        painter.setBrush(underMouse() ? m_color.lighter(115) : m_color);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor m_color;
};

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowFlag(Qt::FramelessWindowHint);
    const QColor colors[] = {QColor(0xff, 0x5f, 0x57), QColor(0xfe, 0xbc, 0x2e), QColor(0x28, 0xc8, 0x40)};
    const char* names[] = {"closeButton", "miniaturizeButton", "zoomButton"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new WindowButton(colors[i], this);
        button->setObjectName(QString::fromLatin1(names[i]));
        button->hide();
        m_buttons.append(button);
    }
    connect(m_buttons[CloseButton], &QAbstractButton::clicked, this, &QWidget::close);
    connect(m_buttons[MiniaturizeButton], &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(m_buttons[ZoomButton], &QAbstractButton::clicked, this, &MainWindow::toggleFullScreen);
    placeButtons();
}

QAbstractButton* MainWindow::standardWindowButton(StandardButton which) const
{
    return m_buttons.value(which);
}

void MainWindow::placeButtons()
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i]) {
            m_buttons[i]->move(12 + i * 20, 12);
            m_buttons[i]->raise();
        }
    }
}

void MainWindow::toggleFullScreen()
{
    if (isFullScreen()) {
        Q_EMIT willExitFullScreen();
        showNormal();
    } else {
        Q_EMIT willEnterFullScreen();
        showFullScreen();
        // Without a window manager (a bare X server driving a spare screen) nobody resizes a
        // full-screen window: cover the screen ourselves if it has not happened by then.
        QTimer::singleShot(500, this, [this] {
            if (isFullScreen() && screen() != nullptr && geometry() != screen()->geometry())
                setGeometry(screen()->geometry());
        });
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool was = change->oldState() & Qt::WindowFullScreen;
        const bool is = isFullScreen();
        if (!was && is)
            Q_EMIT didEnterFullScreen();
        else if (was && !is)
            Q_EMIT didExitFullScreen();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    placeButtons();
    if (m_adjusting || m_aspectRatio.isEmpty() || isFullScreen() || isMaximized() || !isVisible())
        return;
    const int wanted = int(std::lround(width() * m_aspectRatio.height() / m_aspectRatio.width()));
    if (std::abs(wanted - height()) > 1 && wanted >= minimumHeight()) {
        m_adjusting = true;
        resize(width(), wanted);
        m_adjusting = false;
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}

void MainWindow::makeKeyAndOrderFront()
{
    show();
    raise();
    activateWindow();
}

QPoint MainWindow::mouseLocationOutsideOfEventStream() const
{
    return mapFromGlobal(QCursor::pos());
}

bool MainWindow::performWindowDrag()
{
    QWindow* window = windowHandle();
    return window != nullptr && window->startSystemMove();
}

} // namespace sleevelight
