// Start-up: the launch sequence, the window's set-up and the re-layout on window changes.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "interaction/eventmonitor.h"
#include "platform/fonts.h"
#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/panel.h"
#include "platform/views/progressbar.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "player/itunesbridgeprotocol.h"
#include "player/values.h"
#include "preferences/zivpreferences.h"
#include "update/updatesite.h"

#include <QApplication>
#include <QComboBox>
#include <QPalette>
#include <QScreen>
#include <QSlider>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace sleevelight {

void AppDelegate::applicationDidFinishLaunching()
{
    // Every change the player announces refreshes the display.
    connect(iTunesBridge.get(), &iTunesBridgeProtocol::playerInfoChanged, this,
            &AppDelegate::updateTrackInfo);
    connect(iTunesBridge.get(), &iTunesBridgeProtocol::codecInfoRead, this, &AppDelegate::codecInfoRead);

    // The features beyond the display's own hear of every moment from here on.
    createFeatures();

    // The display view reports its frame changes (listened to only after the set-up).
    mView->setPostsFrameChangedNotifications(true);

    // The stars of each side, first to fifth.
    mTrackRatingRight = QList<QPointer<TitleButton>>{mTrackRatingR1, mTrackRatingR2, mTrackRatingR3,
                                                     mTrackRatingR4, mTrackRatingR5};
    mTrackRatingLeft = QList<QPointer<TitleButton>>{mTrackRatingL1, mTrackRatingL2, mTrackRatingL3,
                                                    mTrackRatingL4, mTrackRatingL5};

    // Preferences: stored ones, or on the first start the reset values, written at once.
    // Only a missing or empty file is a first start. A file without the marker but with content
    // (damaged, or written by hand) is not overwritten: the display runs on the reset values.
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (!isFirstStart()) {
        getFromUserDefaults();
        setViewFromPrefValue();
    } else {
        resetPreference(nullptr);
        setViewFromPrefValue();
        if (defaults.isBlank())
            saveToUserDefaults();
    }
    changeViewFromPrefValueWithTimer(false);

    // The panel's font choosers and samples.
    for (QWidget* control :
         std::initializer_list<QWidget*>{mNameTextField, mAlbumTextField, mArtistTextField, mNameFontPopup,
                                         mAlbumFontPopup, mArtistFontPopup})
        control->setEnabled(true);

    // The window has no title bar and moves by its background (the mouse handler drags it).
    mWindow->setWindowTitle(u"Sleevelight"_s);

    mView->setBackgroundColor(Qt::black);
    // What the drift uncovers at the edges, and what the standby view covers.
    QPalette black = mWindow->contentView()->palette();
    black.setColor(QPalette::Window, Qt::black);
    mWindow->contentView()->setPalette(black);
    mWindow->contentView()->setAutoFillBackground(true);

    // The screen the window is on sets the proportions and the scale of the text.
    if (QScreen* screen = mWindow->screen() ? mWindow->screen() : QGuiApplication::primaryScreen()) {
        screenWidth = screen->geometry().width();
        screenHeight = screen->geometry().height();
    }

    if (screenWidth && screenHeight)
        mWindow->setAspectRatio(QSizeF(*screenWidth, *screenHeight));
    mWindow->setMinimumSize(300, 300);

    windowSizeRatio = displayScale();

    // The artwork view starts square, as tall as the display.
    mArtworkView->resize(mView->height(), mArtworkView->height());
    mArtworkView->resize(mArtworkView->width(), mView->height());

    // The text stacks are placed by the constraints below, not by a layout of their parent.

    // The constraints that place the text stacks beside the artwork and on the wide picture.
    // Within the display view, so that the text moves with it when it drifts against burn-in.
    m_constraintLayout = new ConstraintLayout(mView);
    const float artworkWidth = float(mArtworkView->width());
    const LayoutAttribute vertical =
        isNumberTrue(trackInfoPosition()) ? LayoutAttribute::Top : LayoutAttribute::Bottom;
    trackStackViewRightConstraint = ConstraintLayout::make(mTrackStackViewRight, LayoutAttribute::Leading,
                                                           double(artworkWidth + trackInfoLRSpacing));
    trackStackViewLeftConstraint = ConstraintLayout::make(mTrackStackViewLeft, LayoutAttribute::Trailing,
                                                          double(-(artworkWidth + trackInfoLRSpacing)));
    trackStackViewRightConstraint2 =
        ConstraintLayout::make(mTrackStackViewRight, vertical, trackInfoTopSpacing);
    trackStackViewLeftConstraint2 =
        ConstraintLayout::make(mTrackStackViewLeft, vertical, trackInfoTopSpacing);
    trackStackViewWideConstraint =
        ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Trailing, -trackInfoLRSpacing);
    m_wideStackBottomConstraint = ConstraintLayout::make(mTrackStackViewWide, LayoutAttribute::Bottom, -40.0);
    m_wideStackSpacing = mTrackStackViewWide->spacing();
    for (const Constraint& c :
         {trackStackViewRightConstraint, trackStackViewLeftConstraint, trackStackViewRightConstraint2,
          trackStackViewLeftConstraint2, trackStackViewWideConstraint, m_wideStackBottomConstraint})
        installConstraint(c);
    // Constraints the program never rebuilds come with the views, from the interface file.
    for (StackView* stack :
         {mTrackStackViewRight.data(), mTrackStackViewLeft.data(), mTrackStackViewWide.data()}) {
        const QVariant fixed = stack->property("constraints");
        for (const QString& entry : fixed.toString().split(u';', Qt::SkipEmptyParts)) {
            const QString attribute = entry.section(u':', 0, 0).trimmed();
            const double constant = entry.section(u':', 1, 1).trimmed().toDouble();
            static const QHash<QString, LayoutAttribute> names = {{u"top"_s, LayoutAttribute::Top},
                                                                  {u"bottom"_s, LayoutAttribute::Bottom},
                                                                  {u"leading"_s, LayoutAttribute::Leading},
                                                                  {u"trailing"_s, LayoutAttribute::Trailing}};
            if (names.contains(attribute))
                installConstraint(ConstraintLayout::make(stack, names.value(attribute), constant));
        }
    }

    // Nothing shows before the first refresh has decided where it goes.
    mTrackStackViewLeft->hide();
    mTrackStackViewRight->hide();
    mTrackStackViewWide->hide();
    mSound->hide();

    // Every installed font, after whatever the interface file put there.
    const QStringList fonts = FontManager::availableFonts();
    for (QComboBox* popup : {mNameFontPopup.data(), mAlbumFontPopup.data(), mArtistFontPopup.data()})
        popup->addItems(fonts);

    for (ProgressBar* bar : {mSlider.data(), mSlider2.data(), mSlider3.data()})
        bar->setBackgroundColor(QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1.0f));

    // Empty glyphs, and the notice line's look.
    for (int i = 0; i < 5; ++i) {
        Utility::styleButtonTitle((*mTrackRatingRight)[i], charStar[0],
                                  {.size = 0.0, .color = Utility::grayColor()});
        Utility::styleButtonTitle((*mTrackRatingLeft)[i], charStar[0],
                                  {.size = 0.0, .color = Utility::grayColor()});
    }
    Utility::styleButtonTitle(mTrackLovedRight, charLoved[0], {.size = 0.0, .color = Utility::grayColor()});
    Utility::styleButtonTitle(mTrackLovedLeft, charLoved[0], {.size = 0.0, .color = Utility::grayColor()});
    Utility::styleTextField(mAlertInfo, {.size = 24.0, .color = QColor(Qt::yellow), .shadow = true});
    // A word alone wider than its column, at the smallest size the text is fitted to, ends in an
    // ellipsis rather than running past the column or being broken.
    for (TextField* field :
         {mTrackName.data(), mTrackAlbum.data(), mTrackArtist.data(), mTrackNumbers.data(),
          mTrackName2.data(), mTrackAlbum2.data(), mTrackArtist2.data(), mTrackNumbers2.data(),
          mTrackName3.data(), mTrackAlbum3.data(), mTrackArtist3.data(), mTrackNumbers3.data()})
        field->setElidesOverflow(true);

    // The progress tick, the pointer's hiding, the artwork cycling and keeping the display awake.
    Timers::schedule(this, updateTrackProgressTimerInterval, true, [this] { updateTrackProgress(); });
    setHideMouseTimer(Timers::schedule(this, hideMouseTimerInterval, false, [this] { hideMouse(); }));
    scheduleToggleArtworkTimer();
    if (preventSleep())
        setPreventSleepTimer(
            Timers::schedule(this, preventSleepTimerInterval, true, [this] { setScreenSleep(); }));

    // The three input handlers, for the life of the process.
    qApp->installEventFilter(new EventMonitor(this));

    // The first refresh.
    updateTrackInfo();

    // Re-layout whenever the display view's frame changes from now on.
    // Only a new size lays the display out again: the drift against burn-in moves it, whole.
    connect(mView, &FrameView::frameChanged, this, [this, laidOut = QSize()]() mutable {
        if (std::exchange(laidOut, mView->size()) != mView->size())
            updateViewBounds();
    });

    // Closing the panel, however it is closed, throws its unconfirmed edits away.
    connect(mPreferencePanel, &Panel::willClose, this,
            [this] { closePreferencesObserver(mPreferencePanel); });

    // The window's full-screen transitions.
    connect(mWindow, &MainWindow::willEnterFullScreen, this, &AppDelegate::mWindowWillEnterFullScreen);
    connect(mWindow, &MainWindow::didEnterFullScreen, this, &AppDelegate::mWindowDidEnterFullScreen);
    connect(mWindow, &MainWindow::willExitFullScreen, this, &AppDelegate::mWindowWillExitFullScreen);
    connect(mWindow, &MainWindow::didExitFullScreen, this, &AppDelegate::mWindowDidExitFullScreen);

    // With several screens the window may move to one of another size; the scale of the text and
    // the window's proportions follow the screen it is on, and full screen fills that screen.
    if (QWindow* window = mWindow->windowHandle())
        connect(window, &QWindow::screenChanged, this,
                [this](QScreen* screen) { windowMovedToScreen(screen); });

    // Full screen, unless the window already covers the screen.
    const bool screenSized =
        screenWidth && screenHeight && mWindow->width() == *screenWidth && mWindow->height() == *screenHeight;
    if (!screenSized && fullScreenMode())
        mWindow->toggleFullScreen();

    // A new version, shown over the full-screen display. Asked just after launch rather than
    // inside it, so that a slow or silent network never holds back the first frame.
    QTimer::singleShot(0, this, [this] {
        if (updateCheckBuilt && automaticCheckUpdate() && isUpdateAvailable() == 1) {
            checkForUpdate(nullptr);
            if (mCheckForUpdatePanel) {
                mCheckForUpdatePanel->setWindowFlag(Qt::WindowStaysOnTopHint, true);
                mCheckForUpdatePanel->show();
            }
        }
    });
}

void AppDelegate::updateViewBounds()
{
    windowSizeRatio = displayScale();
    updateViews();
}

void AppDelegate::updateViews()
{
    updateViewSizeAndConstraint();
    updateViewPosition();
    updateViewItems();
}

void AppDelegate::windowMovedToScreen(QScreen* screen)
{
    if (screen == nullptr)
        return;
    screenWidth = screen->geometry().width();
    screenHeight = screen->geometry().height();
    mWindow->setAspectRatio(QSizeF(*screenWidth, *screenHeight));
    updateViewBounds();
}

} // namespace sleevelight
