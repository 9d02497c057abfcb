// Keyboard commands, clicks and drags, the pointer, notices, the heart and the stars.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "interaction/keycommands.h"
#include "platform/timers.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "platform/workspace.h"
#include "player/itunesbridgeprotocol.h"
#include "player/values.h"
#include "preferences/zivpreferences.h"

#include <QAbstractButton>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

bool isPointerHidden()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::BlankCursor;
}

// The main window's coordinates of a place on the screen.
QPointF windowLocation(const MainWindow* window, const QPointF& global)
{
    if (const QWindow* handle = window->windowHandle())
        return handle->mapFromGlobal(global);
    return window->mapFromGlobal(global);
}

} // namespace

bool AppDelegate::isPanelVisible() const
{
    return (mPreferencePanel && mPreferencePanel->isVisible()) ||
           (mCheckForUpdatePanel && mCheckForUpdatePanel->isVisible());
}

bool AppDelegate::isInDisplayView(const QPointF& windowPosition) const
{
    if (!mView || !mWindow)
        return false;
    const QRectF frame(mView->mapTo(mWindow.data(), QPoint(0, 0)), mView->size());
    return frame.contains(windowPosition);
}

void AppDelegate::handleKeyDown(QKeyEvent* event)
{
    if (isPanelVisible())
        return;

    runKeyCommand(keyCommand(event->key(), event->nativeScanCode(), QGuiApplication::platformName(),
                             event->modifiers()));
}

void AppDelegate::runKeyCommand(KeyCommand command)
{
    const bool running = playerState() != PlayerState::notRunning;
    switch (command) {
    case KeyCommand::Rating: {
        if (!running)
            break;
        const qint64 rating = truncatedInteger(trackRating());
        // A rating between the stars (81 to 99) goes to five stars, not beyond the top of the range.
        setTrackRating(rating <= 99 ? std::clamp<qint64>(rating + 20, 0, 100) : 0);
        clickTrackRating(nullptr);
        break;
    }
    case KeyCommand::Help:
        showAlertInfo(helpText);
        break;
    case KeyCommand::CodecInfo:
        showCodecInfo();
        break;
    case KeyCommand::Vinyl:
        showAlertInfo(flipStoredPreference(&Preferences::isShowVinyl) ? u"Show Vinyl Record"_s
                                                                      : u"Hide Vinyl Record"_s);
        updateTrackInfo();
        if (mWindow)
            mWindow->invalidateShadow();
        break;
    case KeyCommand::Loved:
        if (running)
            clickTrackLoved(nullptr);
        break;
    case KeyCommand::NextArtwork:
        if (running)
            showNextArtworkImage(true);
        break;
    case KeyCommand::MultiArtworks:
        if (flipStoredPreference(&Preferences::isShowMultiArtworks)) {
            showAlertInfo(u"Show Multiple Artworks"_s);
        } else {
            currentArtworkNumber = 0;
            showAlertInfo(u"Show Main Artwork"_s);
        }
        break;
    case KeyCommand::None:
        break;
    default:
        // The keys of the features beyond the display's own.
        for (DisplayFeature* made : std::as_const(features))
            if (made->keyPressed(command))
                break;
        break;
    }
}

void AppDelegate::handleLeftMouse(QMouseEvent* event)
{
    if (!mWindow)
        return;
    // Events of every window of the application come here; their places are taken in the main
    // window's coordinates, whichever window they arrived at.
    const QPointF location = windowLocation(mWindow, event->globalPosition());

    if (event->type() == QEvent::MouseButtonPress) {
        mouseDownPosition = location;
        m_followingPointer = false;
        if (isPanelVisible())
            return;
        if (isInDisplayView(location))
            mWindow->makeKeyAndOrderFront();
        return;
    }

    showHiddenPointer();
    if (!mouseDownPosition || !isInDisplayView(location))
        return;
    const QPointF delta = location - *mouseDownPosition;
    if (!m_followingPointer && std::abs(delta.x()) < 5.0 && std::abs(delta.y()) < 5.0)
        return;
    // A window that covers the screen stays where it is.
    if (mWindow->isFullScreen() || mWindow->isMaximized())
        return;
    if (m_followingPointer || !mWindow->performWindowDrag()) {
        // No window manager to hand the move to: the window follows the pointer itself, the
        // pressed point staying under it, for the rest of the gesture.
        m_followingPointer = true;
        mWindow->move((event->globalPosition() - *mouseDownPosition).toPoint());
    }
}

void AppDelegate::handleMouseMoved(QMouseEvent* event)
{
    showHiddenPointer();
    if (!hideMouseTimer())
        setHideMouseTimer(Timers::schedule(this, hideMouseTimerInterval, false, [this] { hideMouse(); }));
    if (!mWindow)
        return;
    showStandardWindowButtons(isInDisplayView(windowLocation(mWindow, event->globalPosition())));
}

void AppDelegate::showStandardWindowButtons(bool show)
{
    if (!mWindow)
        return;
    for (MainWindow::StandardButton which :
         {MainWindow::CloseButton, MainWindow::MiniaturizeButton, MainWindow::ZoomButton}) {
        if (QAbstractButton* button = mWindow->standardWindowButton(which))
            button->setVisible(show);
    }
}

void AppDelegate::showHiddenPointer()
{
    if (isPointerHidden())
        QGuiApplication::restoreOverrideCursor();
}

void AppDelegate::showCodecInfo()
{
    const bool reading = iTunesBridge->isReadingCodecInfo();
    showAlertInfo(reading ? readingCodecInfoText : iTunesBridge->iCodecInfo().toString());
    m_codecInfoAwaited = reading;
}

void AppDelegate::codecInfoRead()
{
    if (std::exchange(m_codecInfoAwaited, false))
        showAlertInfo(iTunesBridge->iCodecInfo().toString());
}

void AppDelegate::showAlertInfo(const QString& text)
{
    m_codecInfoAwaited = false;
    setAlertInfo(text);
    // The notice line is one line high; the list of keys and the file information take several.
    placeAlertInfo();
    if (QTimer* timer = resetAlertInfoTimer()) {
        Timers::invalidate(timer);
        setResetAlertInfoTimer(nullptr);
    }
    setResetAlertInfoTimer(
        Timers::schedule(this, resetAlertInfoTimerInterval, false, [this] { resetAlertInfo(); }));
}

void AppDelegate::resetAlertInfo()
{
    setAlertInfo(QString());
}

void AppDelegate::hideMouse()
{
    // Hidden once; the next movement of the pointer shows it again.
    if (!isPointerHidden())
        QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    if (QTimer* timer = hideMouseTimer()) {
        Timers::invalidate(timer);
        setHideMouseTimer(nullptr);
    }
}

void AppDelegate::clickTrackLoved(QObject*)
{
    const bool loved = !isNumberTrue(trackLoved());
    drawHeart(loved);
    setTrackLoved(QVariant(loved));
    setITrackLoved(trackLoved());
}

void AppDelegate::clickTrackRating(QObject* sender)
{
    const QVariant tagValue = sender != nullptr ? sender->property("tag") : QVariant();
    const int tag = tagValue.isValid() ? tagValue.toInt() : 0;

    if (tag >= 2 && tag <= 5) {
        for (int position = 1; position <= 5; ++position)
            drawStar(position, position <= tag);
        setTrackRating(20 * tag);
    } else if (tag == 1) {
        for (int position = 2; position <= 5; ++position)
            drawStar(position, false);
        const bool oneStar = finiteNumber(trackRating()) == 20.0;
        drawStar(1, !oneStar);
        setTrackRating(oneStar ? 0 : 20);
    } else if (tag == 0) {
        drawRating();
    }
    setITrackRating(trackRating());
}

void AppDelegate::openHelp(QObject*)
{
    QString site = QStringLiteral(SLEEVELIGHT_SITE);
    while (site.endsWith(u'/'))
        site.chop(1);
    Workspace::openURL(QUrl(site + u"/help", QUrl::StrictMode));
}

void AppDelegate::openDonate(QObject*)
{
    Workspace::openURL(QUrl(QStringLiteral(SLEEVELIGHT_DONATE_URL), QUrl::StrictMode));
}

} // namespace sleevelight
