#include "interaction/eventmonitor.h"

#include "app/appdelegate.h"
#include "interaction/keycommands.h"
#include "platform/views/mainwindow.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

namespace sleevelight {

namespace {

bool userWasActive(AppDelegate* delegate)
{
    return tellUserWasActive(delegate->features);
}

} // namespace

bool EventMonitor::isGesture(const QMouseEvent* mouse) const
{
    // What a finger does is a gesture's (a swipe does not move the window) while gestures are on.
    return m_delegate->livePreferences().touchGestures && mouse->pointingDevice() != nullptr &&
           mouse->pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen;
}

EventMonitor::EventMonitor(AppDelegate* delegate) : QObject(delegate), m_delegate(delegate) {}

bool EventMonitor::eventFilter(QObject* watched, QEvent* event)
{
    // A key is offered to the focused object first, before the menu's shortcuts (space is one)
    // and before the window sees it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (userWasActive(m_delegate)) {
            // It only woke the display: no shortcut takes it, and the press that follows is dropped.
            m_wakingKey = key->key();
            key->accept();
            return true;
        }
        // The playback keys are the display's own, with their notices, whatever the menu says.
        if (!m_delegate->isPanelVisible() &&
            isPlaybackCommand(keyCommand(key->key(), key->nativeScanCode(), QGuiApplication::platformName(),
                                         key->modifiers())))
            key->accept();
        return false;
    }
    // Input reaches a window first and is then passed on to its widgets, each pass seen by an
    // application-wide filter; taking it at the window sees each event exactly once.
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // A key that wakes the display from standby does only that: no button takes it either.
        if (std::exchange(m_wakingKey, 0) == key->key() || userWasActive(m_delegate))
            return true;
        m_delegate->handleKeyDown(key);
        // Space, the arrows and the media keys worked the player; a focused button would take
        // them once more.
        return !m_delegate->isPanelVisible() &&
               isPlaybackCommand(keyCommand(key->key(), key->nativeScanCode(),
                                            QGuiApplication::platformName(), key->modifiers()));
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (userWasActive(m_delegate))
            return true;
        if (mouse->button() == Qt::LeftButton && !isGesture(mouse))
            m_delegate->handleLeftMouse(mouse);
        break;
    }
    case QEvent::MouseMove: {
        userWasActive(m_delegate);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (isGesture(mouse))
            break;
        if (mouse->buttons() & Qt::LeftButton)
            m_delegate->handleLeftMouse(mouse);
        else if (mouse->buttons() == Qt::NoButton)
            m_delegate->handleMouseMoved(mouse);
        break;
    }
    case QEvent::Leave:
        // The pointer left the window without a last movement over it: the buttons go too.
        if (MainWindow* window = m_delegate->mWindow; window && watched == window->windowHandle())
            for (MainWindow::StandardButton which :
                 {MainWindow::CloseButton, MainWindow::MiniaturizeButton, MainWindow::ZoomButton})
                if (QAbstractButton* button = window->standardWindowButton(which))
                    button->hide();
        break;
    default:
        break;
    }
    return false;
}

} // namespace sleevelight
