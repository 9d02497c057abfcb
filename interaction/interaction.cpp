// Keyboard commands, clicks and drags, the pointer, notices, the heart and the stars.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "interaction/keycommands.h"
#include "platform/timers.h"
#include "platform/userdefaults.h"
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

using namespace sleevelight;

namespace {

// What NSNumber's intValue gives: the number truncated, 0 for anything that is not a number.
qint64 integerValue(const QVariant& value)
{
    if (!isNumber(value))
        return 0;
    const double number = value.toDouble();
    return std::isfinite(number) ? qint64(number) : 0;
}

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

    const bool running = playerState() != PlayerState::notRunning;
    switch (keyCommand(event->key(), event->nativeScanCode(), QGuiApplication::platformName())) {
    case KeyCommand::Rating: {
        if (!running)
            break;
        const qint64 rating = integerValue(trackRating());
        // A rating between the stars (81 to 99) goes to five stars, not beyond the top of the range.
        setTrackRating(rating <= 99 ? std::clamp<qint64>(rating + 20, 0, 100) : 0);
        clickTrackRating(nullptr);
        break;
    }
    case KeyCommand::Help:
        showAlertInfo(helpText);
        break;
    case KeyCommand::CodecInfo:
        showAlertInfo(iTunesBridge->iCodecInfo().toString());
        break;
    case KeyCommand::Vinyl: {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        const QString key = QStringLiteral("isShowVinyl");
        if (defaults.boolForKey(key)) {
            setIsShowVinyl(false);
            showAlertInfo(QStringLiteral("Hide Vinyl Record"));
        } else {
            setIsShowVinyl(true);
            showAlertInfo(QStringLiteral("Show Vinyl Record"));
        }
        defaults.setBool(isShowVinyl(), key);
        defaults.synchronize();
        updateTrackInfo();
        if (mWindow)
            mWindow->invalidateShadow();
        break;
    }
    case KeyCommand::Loved:
        if (running)
            clickTrackLoved(nullptr);
        break;
    case KeyCommand::NextArtwork:
        if (running)
            showNextArtworkImage(true);
        break;
    case KeyCommand::MultiArtworks: {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        const QString key = QStringLiteral("isShowMultiArtworks");
        if (defaults.boolForKey(key)) {
            setIsShowMultiArtworks(false);
            currentArtworkNumber = 0;
            showAlertInfo(QStringLiteral("Show Main Artwork"));
        } else {
            setIsShowMultiArtworks(true);
            showAlertInfo(QStringLiteral("Show Multiple Artworks"));
        }
        defaults.setBool(isShowMultiArtworks(), key);
        defaults.synchronize();
        break;
    }
    case KeyCommand::None:
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

void AppDelegate::showAlertInfo(const QString& text)
{
    setAlertInfo(text);
    // The notice line is one line high; the list of keys and the file information take several.
    if (mAlertInfo) {
        const int needed = mAlertInfo->sizeHint().height();
        if (needed > mAlertInfo->height())
            mAlertInfo->resize(mAlertInfo->width(), needed);
    }
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
    const float size = maxFontSize() * 0.5f * windowSizeRatio;
    const bool wasLoved = isNumberTrue(trackLoved());
    const QString glyph = wasLoved ? charLoved[0] : charLoved[1];
    const QColor color = wasLoved ? Utility::grayColor() : Utility::redColor();
    for (TitleButton* heart : {mTrackLovedRight.data(), mTrackLovedLeft.data()})
        if (heart != nullptr)
            Utility::styleButtonTitle(heart, glyph, std::nullopt, double(size), color, true,
                                      TextAlignment::Natural);
    setTrackLoved(QVariant(!wasLoved));
    setITrackLoved(trackLoved());
}

void AppDelegate::drawStar(int position, bool filled)
{
    const float size = maxFontSize() * 0.5f * windowSizeRatio;
    const QString glyph = filled ? charStar[1] : charStar[0];
    const QColor color = filled ? Utility::starColor() : Utility::grayColor();
    for (const auto& stars : {mTrackRatingRight, mTrackRatingLeft}) {
        if (!stars || position < 1 || position > stars->size())
            continue;
        if (TitleButton* star = (*stars)[position - 1])
            Utility::styleButtonTitle(star, glyph, std::nullopt, double(size), color, true,
                                      TextAlignment::Natural);
    }
}

void AppDelegate::clickTrackRating(QObject* sender)
{
    const QVariant tagValue = sender != nullptr ? sender->property("tag") : QVariant();
    const int tag = tagValue.isValid() ? tagValue.toInt() : 0;

    if (tag >= 2 && tag <= 5) {
        for (int i = 1; i <= 5; ++i)
            drawStar(i, false);
        for (int i = 1; i <= tag; ++i)
            drawStar(i, true);
        setTrackRating(20 * tag);
    } else if (tag == 1) {
        for (int i = 2; i <= 5; ++i)
            drawStar(i, false);
        const bool oneStar = isNumber(trackRating()) && trackRating().toDouble() == 20.0;
        drawStar(1, !oneStar);
        setTrackRating(oneStar ? 0 : 20);
    } else if (tag == 0) {
        for (int i = 1; i <= 5; ++i)
            drawStar(i, false);
        const qint64 filled = integerValue(trackRating()) / 20;
        for (int i = 1; i <= std::min<qint64>(filled, 5); ++i)
            drawStar(i, true);
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
