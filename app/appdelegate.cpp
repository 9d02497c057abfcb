#include "app/appdelegate.h"

#include "app/playbuttonnametransformer.h"
#include "platform/powerassertion.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/panel.h"
#include "platform/views/progressbar.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "player/bridgeregistry.h"
#include "preferences/zivpreferences.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>

namespace sleevelight {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent)
{
    // Bridges are registered by name before the application object is made; the one the
    // application talks to answers to "itb". Without it there is nothing to show.
    iTunesBridge = BridgeRegistry::create(BridgeRegistry::applicationBridgeName);
    PlayButtonNameTransformer::registerTransformer();
    powerAssertion = PowerAssertion::createDefault();
    // A hold the desktop refused after all: the next check while playing asks again.
    powerAssertion->lost = [this](quint32 id) {
        if (sleepDisabled() && id == assertionID)
            setSleepDisabled(false);
    };
}

AppDelegate::~AppDelegate() = default;

QStringList AppOutlets::connectOutlets(const QList<QObject*>& roots)
{
    QStringList missing;
    auto connect = [&](const char* name, auto& outlet) {
        using View = std::remove_pointer_t<decltype(outlet.data())>;
        const QString objectName = QString::fromLatin1(name);
        View* found = nullptr;
        for (QObject* root : roots) {
            if (root->objectName() == objectName)
                found = qobject_cast<View*>(root);
            if (found == nullptr)
                found = root->findChild<View*>(objectName);
            if (found != nullptr)
                break;
        }
        if (found == nullptr)
            missing << objectName;
        outlet = found;
    };
#define SL_OUTLET(name) connect(#name, name)
    SL_OUTLET(mWindow);
    SL_OUTLET(mView);
    SL_OUTLET(mArtworkView);
    SL_OUTLET(mVinylView);
    SL_OUTLET(mSound);
    SL_OUTLET(mTrackStackViewRight);
    SL_OUTLET(mTrackStackViewLeft);
    SL_OUTLET(mTrackStackViewWide);
    SL_OUTLET(mTrackStackAlbumNumbersRatingsRight);
    SL_OUTLET(mTrackStackAlbumNumbersRatingsLeft);
    SL_OUTLET(mTrackStackNumbersRatingsRight);
    SL_OUTLET(mTrackStackNumbersRatingsLeft);
    SL_OUTLET(mTrackStackRatingsRight);
    SL_OUTLET(mTrackStackRatingsLeft);
    SL_OUTLET(mTrackStackProgressRight);
    SL_OUTLET(mTrackStackProgressLeft);
    SL_OUTLET(mTrackStackProgressWide);
    SL_OUTLET(mAlertInfo);
    SL_OUTLET(mTrackName);
    SL_OUTLET(mTrackAlbum);
    SL_OUTLET(mTrackNumbers);
    SL_OUTLET(mTrackArtist);
    SL_OUTLET(mSlider);
    SL_OUTLET(mTrackProgressDuration);
    SL_OUTLET(mTrackProgressElapsed);
    SL_OUTLET(mTrackName2);
    SL_OUTLET(mTrackAlbum2);
    SL_OUTLET(mTrackNumbers2);
    SL_OUTLET(mTrackArtist2);
    SL_OUTLET(mSlider2);
    SL_OUTLET(mTrackProgressDuration2);
    SL_OUTLET(mTrackProgressElapsed2);
    SL_OUTLET(mTrackName3);
    SL_OUTLET(mTrackAlbum3);
    SL_OUTLET(mTrackNumbers3);
    SL_OUTLET(mTrackArtist3);
    SL_OUTLET(mSlider3);
    SL_OUTLET(mTrackProgressDuration3);
    SL_OUTLET(mTrackProgressElapsed3);
    SL_OUTLET(mTrackLovedRight);
    SL_OUTLET(mTrackRatingR1);
    SL_OUTLET(mTrackRatingR2);
    SL_OUTLET(mTrackRatingR3);
    SL_OUTLET(mTrackRatingR4);
    SL_OUTLET(mTrackRatingR5);
    SL_OUTLET(mTrackLovedLeft);
    SL_OUTLET(mTrackRatingL1);
    SL_OUTLET(mTrackRatingL2);
    SL_OUTLET(mTrackRatingL3);
    SL_OUTLET(mTrackRatingL4);
    SL_OUTLET(mTrackRatingL5);
    SL_OUTLET(mPreferencePanel);
    SL_OUTLET(mPreferenceView);
    SL_OUTLET(mPreferenceView1);
    SL_OUTLET(mPreferenceView2);
    SL_OUTLET(mPreferenceView3);
    SL_OUTLET(mPlayersList);
    SL_OUTLET(mNameTextField);
    SL_OUTLET(mAlbumTextField);
    SL_OUTLET(mArtistTextField);
    SL_OUTLET(mNameFontPopup);
    SL_OUTLET(mAlbumFontPopup);
    SL_OUTLET(mArtistFontPopup);
    SL_OUTLET(mArtworkLeftRadioButton);
    SL_OUTLET(mArtworkRightRadioButton);
    SL_OUTLET(mArtworkToggleRadioButton);
    SL_OUTLET(mCheckForUpdatePanel);
    SL_OUTLET(mUpdateDescription);
    SL_OUTLET(mUpdateDownload);
    SL_OUTLET(mUpdateDone);
#undef SL_OUTLET
    return missing;
}

void AppDelegate::installConstraint(const Constraint& constraint)
{
    if (m_constraintLayout != nullptr)
        m_constraintLayout->addConstraint(constraint);
}

void AppDelegate::uninstallConstraint(const Constraint& constraint)
{
    if (m_constraintLayout != nullptr)
        m_constraintLayout->removeConstraint(constraint);
}

void AppDelegate::mWindowWillEnterFullScreen()
{
    setIsWindowChangingFullScreen(true);
}

void AppDelegate::mWindowDidEnterFullScreen()
{
    setIsWindowChangingFullScreen(false);
}

void AppDelegate::mWindowWillExitFullScreen()
{
    setIsWindowChangingFullScreen(true);
}

void AppDelegate::mWindowDidExitFullScreen()
{
    setIsWindowChangingFullScreen(false);
}

void AppDelegate::toggleFullScreen(QObject*)
{
    if (mWindow)
        mWindow->toggleFullScreen();
}

void AppDelegate::terminate(QObject*)
{
    QCoreApplication::quit();
}

} // namespace sleevelight
