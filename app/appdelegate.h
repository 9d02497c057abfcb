#pragma once

#include "app/playerstate.h"
#include "platform/constraints.h"
#include "platform/image.h"

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <memory>
#include <optional>

class QComboBox;
class QKeyEvent;
class QMouseEvent;
class QPushButton;
class QRadioButton;
class QScreen;
class QSlider;
class QWidget;
class ZivPreferences;
class iTunesBridgeProtocol;

namespace sleevelight {
class FrameView;
class ImageView;
class MainWindow;
class Panel;
class PowerAssertion;
class ProgressBar;
class StackView;
class TextField;
class TitleButton;
} // namespace sleevelight

// Getter and setter of an observable property kept in m_<name>; the setter notifies only on change.
#define SL_OBSERVABLE(Type, name, Setter)                                                                    \
    Type name() const                                                                                        \
    {                                                                                                        \
        return m_##name;                                                                                     \
    }                                                                                                        \
    void Setter(Type const& value)                                                                           \
    {                                                                                                        \
        if (m_##name == value)                                                                               \
            return;                                                                                          \
        m_##name = value;                                                                                    \
        Q_EMIT name##Changed();                                                                              \
    }

// The application object: every field of the display, its views and timers, and every
// operation on them. The operations are defined in the folder of their subsystem.
class AppDelegate : public QObject
{
    Q_OBJECT

    // Track information, shown by the views bound to it.
    Q_PROPERTY(QVariant trackName READ trackName WRITE setTrackName NOTIFY trackNameChanged)
    Q_PROPERTY(QVariant trackAlbum READ trackAlbum WRITE setTrackAlbum NOTIFY trackAlbumChanged)
    Q_PROPERTY(QVariant trackArtist READ trackArtist WRITE setTrackArtist NOTIFY trackArtistChanged)
    Q_PROPERTY(QVariant trackYear READ trackYear WRITE setTrackYear NOTIFY trackYearChanged)
    Q_PROPERTY(QVariant trackNumbers READ trackNumbers WRITE setTrackNumbers NOTIFY trackNumbersChanged)
    Q_PROPERTY(QString trackElapsed READ trackElapsed WRITE setTrackElapsed NOTIFY trackElapsedChanged)
    Q_PROPERTY(QVariant trackDuration READ trackDuration WRITE setTrackDuration NOTIFY trackDurationChanged)
    Q_PROPERTY(QVariant trackProgress READ trackProgress WRITE setTrackProgress NOTIFY trackProgressChanged)
    Q_PROPERTY(QVariant trackLoved READ trackLoved WRITE setTrackLoved NOTIFY trackLovedChanged)
    Q_PROPERTY(QVariant trackRating READ trackRating WRITE setTrackRating NOTIFY trackRatingChanged)
    Q_PROPERTY(
        sleevelight::Image artworkImage READ artworkImage WRITE setArtworkImage NOTIFY artworkImageChanged)
    Q_PROPERTY(sleevelight::Image artworkImageHolder READ artworkImageHolder WRITE setArtworkImageHolder
                   NOTIFY artworkImageHolderChanged)
    Q_PROPERTY(sleevelight::Image vinylImage READ vinylImage WRITE setVinylImage NOTIFY vinylImageChanged)

    // The player.
    Q_PROPERTY(PlayerState playerState READ playerState WRITE setPlayerState NOTIFY playerStateChanged)
    Q_PROPERTY(QVariant soundVolume READ soundVolume WRITE setSoundVolume NOTIFY soundVolumeChanged)
    Q_PROPERTY(QVariant iTrackLoved READ iTrackLoved WRITE setITrackLoved NOTIFY iTrackLovedChanged)
    Q_PROPERTY(QVariant iTrackRating READ iTrackRating WRITE setITrackRating NOTIFY iTrackRatingChanged)

    // Timers and flags.
    Q_PROPERTY(QTimer* toggleArtworkTimer READ toggleArtworkTimer NOTIFY toggleArtworkTimerChanged)
    Q_PROPERTY(QTimer* preventSleepTimer READ preventSleepTimer NOTIFY preventSleepTimerChanged)
    Q_PROPERTY(QTimer* hideMouseTimer READ hideMouseTimer NOTIFY hideMouseTimerChanged)
    Q_PROPERTY(QTimer* resetAlertInfoTimer READ resetAlertInfoTimer NOTIFY resetAlertInfoTimerChanged)
    Q_PROPERTY(bool isWindowChangingFullScreen READ isWindowChangingFullScreen WRITE
                   setIsWindowChangingFullScreen NOTIFY isWindowChangingFullScreenChanged)
    Q_PROPERTY(bool sleepDisabled READ sleepDisabled WRITE setSleepDisabled NOTIFY sleepDisabledChanged)

    // Preferences: the working copy the panel edits, and the live values the display reads.
    Q_PROPERTY(bool prefFullScreenMode READ prefFullScreenMode WRITE setPrefFullScreenMode NOTIFY
                   prefFullScreenModeChanged)
    Q_PROPERTY(
        bool prefPreventSleep READ prefPreventSleep WRITE setPrefPreventSleep NOTIFY prefPreventSleepChanged)
    Q_PROPERTY(
        bool prefIsShowVinyl READ prefIsShowVinyl WRITE setPrefIsShowVinyl NOTIFY prefIsShowVinylChanged)
    Q_PROPERTY(bool prefIsShowAlbumName READ prefIsShowAlbumName WRITE setPrefIsShowAlbumName NOTIFY
                   prefIsShowAlbumNameChanged)
    Q_PROPERTY(bool prefIsShowAlbumNumber READ prefIsShowAlbumNumber WRITE setPrefIsShowAlbumNumber NOTIFY
                   prefIsShowAlbumNumberChanged)
    Q_PROPERTY(bool prefIsShowRatings READ prefIsShowRatings WRITE setPrefIsShowRatings NOTIFY
                   prefIsShowRatingsChanged)
    Q_PROPERTY(bool prefIsShowProgress READ prefIsShowProgress WRITE setPrefIsShowProgress NOTIFY
                   prefIsShowProgressChanged)
    Q_PROPERTY(bool prefIsShowMultiArtworks READ prefIsShowMultiArtworks WRITE setPrefIsShowMultiArtworks
                   NOTIFY prefIsShowMultiArtworksChanged)
    Q_PROPERTY(qint64 prefToggleArtworkInterval READ prefToggleArtworkInterval WRITE
                   setPrefToggleArtworkInterval NOTIFY prefToggleArtworkIntervalChanged)
    Q_PROPERTY(QString prefNameFont READ prefNameFont WRITE setPrefNameFont NOTIFY prefNameFontChanged)
    Q_PROPERTY(QString prefAlbumFont READ prefAlbumFont WRITE setPrefAlbumFont NOTIFY prefAlbumFontChanged)
    Q_PROPERTY(
        QString prefArtistFont READ prefArtistFont WRITE setPrefArtistFont NOTIFY prefArtistFontChanged)
    Q_PROPERTY(
        qint64 prefMaxFontSize READ prefMaxFontSize WRITE setPrefMaxFontSize NOTIFY prefMaxFontSizeChanged)
    Q_PROPERTY(bool prefStartItunesWithApp READ prefStartItunesWithApp WRITE setPrefStartItunesWithApp NOTIFY
                   prefStartItunesWithAppChanged)
    Q_PROPERTY(bool prefAutomaticCheckUpdate READ prefAutomaticCheckUpdate WRITE setPrefAutomaticCheckUpdate
                   NOTIFY prefAutomaticCheckUpdateChanged)

    Q_PROPERTY(bool fullScreenMode READ fullScreenMode WRITE setFullScreenMode NOTIFY fullScreenModeChanged)
    Q_PROPERTY(bool preventSleep READ preventSleep WRITE setPreventSleep NOTIFY preventSleepChanged)
    Q_PROPERTY(bool isShowVinyl READ isShowVinyl WRITE setIsShowVinyl NOTIFY isShowVinylChanged)
    Q_PROPERTY(
        bool isShowAlbumName READ isShowAlbumName WRITE setIsShowAlbumName NOTIFY isShowAlbumNameChanged)
    Q_PROPERTY(bool isShowAlbumNumber READ isShowAlbumNumber WRITE setIsShowAlbumNumber NOTIFY
                   isShowAlbumNumberChanged)
    Q_PROPERTY(bool isShowRatings READ isShowRatings WRITE setIsShowRatings NOTIFY isShowRatingsChanged)
    Q_PROPERTY(bool isShowProgress READ isShowProgress WRITE setIsShowProgress NOTIFY isShowProgressChanged)
    Q_PROPERTY(bool isShowMultiArtworks READ isShowMultiArtworks WRITE setIsShowMultiArtworks NOTIFY
                   isShowMultiArtworksChanged)
    Q_PROPERTY(qint64 toggleArtworkInterval READ toggleArtworkInterval WRITE setToggleArtworkInterval NOTIFY
                   toggleArtworkIntervalChanged)
    Q_PROPERTY(QString nameFont READ nameFont WRITE setNameFont NOTIFY nameFontChanged)
    Q_PROPERTY(QString albumFont READ albumFont WRITE setAlbumFont NOTIFY albumFontChanged)
    Q_PROPERTY(QString artistFont READ artistFont WRITE setArtistFont NOTIFY artistFontChanged)
    Q_PROPERTY(float maxFontSize READ maxFontSize WRITE setMaxFontSize NOTIFY maxFontSizeChanged)
    Q_PROPERTY(bool startItunesWithApp READ startItunesWithApp WRITE setStartItunesWithApp NOTIFY
                   startItunesWithAppChanged)
    Q_PROPERTY(bool automaticCheckUpdate READ automaticCheckUpdate WRITE setAutomaticCheckUpdate NOTIFY
                   automaticCheckUpdateChanged)

    // The notice line and the vertical anchoring of the text.
    Q_PROPERTY(QString alertInfo READ alertInfo WRITE setAlertInfo NOTIFY alertInfoChanged)
    Q_PROPERTY(QVariant trackInfoPosition READ trackInfoPosition WRITE setTrackInfoPosition NOTIFY
                   trackInfoPositionChanged)

public:
    enum class ArtworkPositionMode : int
    {
        Left = 1,
        Right = 2,
        Toggle = 3,
    };
    // Accepts the raw values 1 to 3 only.
    static std::optional<ArtworkPositionMode> artworkPositionModeFromRaw(qint64 raw);

    using LayoutAttribute = sleevelight::LayoutAttribute;

    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // ---- Outlets: views the interface files make and own ----
    QPointer<sleevelight::MainWindow> mWindow;
    QPointer<sleevelight::FrameView> mView;
    QPointer<sleevelight::ImageView> mArtworkView;
    QPointer<sleevelight::ImageView> mVinylView;
    QPointer<QSlider> mSound;
    QPointer<sleevelight::StackView> mTrackStackViewRight, mTrackStackViewLeft, mTrackStackViewWide;
    QPointer<sleevelight::StackView> mTrackStackAlbumNumbersRatingsRight, mTrackStackAlbumNumbersRatingsLeft;
    QPointer<sleevelight::StackView> mTrackStackNumbersRatingsRight, mTrackStackNumbersRatingsLeft;
    QPointer<sleevelight::StackView> mTrackStackRatingsRight, mTrackStackRatingsLeft;
    QPointer<sleevelight::StackView> mTrackStackProgressRight, mTrackStackProgressLeft,
        mTrackStackProgressWide;
    QPointer<sleevelight::TextField> mAlertInfo;
    QPointer<sleevelight::TextField> mTrackName, mTrackAlbum, mTrackNumbers, mTrackArtist;
    QPointer<sleevelight::ProgressBar> mSlider;
    QPointer<sleevelight::TextField> mTrackProgressDuration, mTrackProgressElapsed;
    QPointer<sleevelight::TextField> mTrackName2, mTrackAlbum2, mTrackNumbers2, mTrackArtist2;
    QPointer<sleevelight::ProgressBar> mSlider2;
    QPointer<sleevelight::TextField> mTrackProgressDuration2, mTrackProgressElapsed2;
    QPointer<sleevelight::TextField> mTrackName3, mTrackAlbum3, mTrackNumbers3, mTrackArtist3;
    QPointer<sleevelight::ProgressBar> mSlider3;
    QPointer<sleevelight::TextField> mTrackProgressDuration3, mTrackProgressElapsed3;
    QPointer<sleevelight::TitleButton> mTrackLovedRight, mTrackRatingR1, mTrackRatingR2, mTrackRatingR3,
        mTrackRatingR4, mTrackRatingR5;
    QPointer<sleevelight::TitleButton> mTrackLovedLeft, mTrackRatingL1, mTrackRatingL2, mTrackRatingL3,
        mTrackRatingL4, mTrackRatingL5;
    QPointer<ZivPreferences> mPreferencePanel;
    QPointer<QWidget> mPreferenceView, mPreferenceView1, mPreferenceView2;
    QPointer<sleevelight::TextField> mNameTextField, mAlbumTextField, mArtistTextField;
    QPointer<QComboBox> mNameFontPopup, mAlbumFontPopup, mArtistFontPopup;
    QPointer<QRadioButton> mArtworkLeftRadioButton, mArtworkRightRadioButton, mArtworkToggleRadioButton;
    QPointer<sleevelight::Panel> mCheckForUpdatePanel;
    QPointer<sleevelight::TextField> mUpdateDescription;
    QPointer<QPushButton> mUpdateDownload, mUpdateDone;

    // Connects every outlet to the view of its name under `roots`; returns the names not found.
    QStringList connectOutlets(const QList<QObject*>& roots);

    // ---- Plain collections of views ----
    std::optional<QList<QPointer<sleevelight::TitleButton>>> mTrackRatingRight;
    std::optional<QList<QPointer<sleevelight::TitleButton>>> mTrackRatingLeft;
    QList<QPointer<QRadioButton>> mArtworkRadioButtons; // built on first use

    // ---- Observable properties ----
    SL_OBSERVABLE(QVariant, trackName, setTrackName)
    SL_OBSERVABLE(QVariant, trackAlbum, setTrackAlbum)
    SL_OBSERVABLE(QVariant, trackArtist, setTrackArtist)
    SL_OBSERVABLE(QVariant, trackYear, setTrackYear)
    SL_OBSERVABLE(QVariant, trackNumbers, setTrackNumbers)
    SL_OBSERVABLE(QString, trackElapsed, setTrackElapsed)
    SL_OBSERVABLE(QVariant, trackDuration, setTrackDuration)
    SL_OBSERVABLE(QVariant, trackProgress, setTrackProgress)
    SL_OBSERVABLE(QVariant, trackLoved, setTrackLoved)
    SL_OBSERVABLE(QVariant, trackRating, setTrackRating)
    SL_OBSERVABLE(sleevelight::Image, artworkImage, setArtworkImage)
    SL_OBSERVABLE(sleevelight::Image, artworkImageHolder, setArtworkImageHolder)
    SL_OBSERVABLE(sleevelight::Image, vinylImage, setVinylImage)

    SL_OBSERVABLE(PlayerState, playerState, setPlayerState)

    // Pass-through to the bridge; they store nothing.
    QVariant soundVolume() const;
    void setSoundVolume(const QVariant& volume);
    QVariant iTrackLoved() const;
    void setITrackLoved(const QVariant& loved);
    QVariant iTrackRating() const;
    void setITrackRating(const QVariant& rating);

    SL_OBSERVABLE(QTimer*, toggleArtworkTimer, setToggleArtworkTimer)
    SL_OBSERVABLE(QTimer*, preventSleepTimer, setPreventSleepTimer)
    SL_OBSERVABLE(QTimer*, hideMouseTimer, setHideMouseTimer)
    SL_OBSERVABLE(QTimer*, resetAlertInfoTimer, setResetAlertInfoTimer)
    SL_OBSERVABLE(bool, isWindowChangingFullScreen, setIsWindowChangingFullScreen)
    SL_OBSERVABLE(bool, sleepDisabled, setSleepDisabled)

    SL_OBSERVABLE(bool, prefFullScreenMode, setPrefFullScreenMode)
    SL_OBSERVABLE(bool, prefPreventSleep, setPrefPreventSleep)
    SL_OBSERVABLE(bool, prefIsShowVinyl, setPrefIsShowVinyl)
    SL_OBSERVABLE(bool, prefIsShowAlbumName, setPrefIsShowAlbumName)
    SL_OBSERVABLE(bool, prefIsShowAlbumNumber, setPrefIsShowAlbumNumber)
    SL_OBSERVABLE(bool, prefIsShowRatings, setPrefIsShowRatings)
    SL_OBSERVABLE(bool, prefIsShowProgress, setPrefIsShowProgress)
    SL_OBSERVABLE(bool, prefIsShowMultiArtworks, setPrefIsShowMultiArtworks)
    SL_OBSERVABLE(qint64, prefToggleArtworkInterval, setPrefToggleArtworkInterval)
    SL_OBSERVABLE(QString, prefNameFont, setPrefNameFont)
    SL_OBSERVABLE(QString, prefAlbumFont, setPrefAlbumFont)
    SL_OBSERVABLE(QString, prefArtistFont, setPrefArtistFont)
    SL_OBSERVABLE(qint64, prefMaxFontSize, setPrefMaxFontSize)
    SL_OBSERVABLE(bool, prefStartItunesWithApp, setPrefStartItunesWithApp)
    SL_OBSERVABLE(bool, prefAutomaticCheckUpdate, setPrefAutomaticCheckUpdate)
    ArtworkPositionMode prefArtworkPositionMode = ArtworkPositionMode::Toggle;

    SL_OBSERVABLE(bool, fullScreenMode, setFullScreenMode)
    SL_OBSERVABLE(bool, preventSleep, setPreventSleep)
    SL_OBSERVABLE(bool, isShowVinyl, setIsShowVinyl)
    SL_OBSERVABLE(bool, isShowAlbumName, setIsShowAlbumName)
    SL_OBSERVABLE(bool, isShowAlbumNumber, setIsShowAlbumNumber)
    SL_OBSERVABLE(bool, isShowRatings, setIsShowRatings)
    SL_OBSERVABLE(bool, isShowProgress, setIsShowProgress)
    SL_OBSERVABLE(bool, isShowMultiArtworks, setIsShowMultiArtworks)
    SL_OBSERVABLE(qint64, toggleArtworkInterval, setToggleArtworkInterval)
    SL_OBSERVABLE(QString, nameFont, setNameFont)
    SL_OBSERVABLE(QString, albumFont, setAlbumFont)
    SL_OBSERVABLE(QString, artistFont, setArtistFont)
    SL_OBSERVABLE(float, maxFontSize, setMaxFontSize)
    SL_OBSERVABLE(bool, startItunesWithApp, setStartItunesWithApp)
    SL_OBSERVABLE(bool, automaticCheckUpdate, setAutomaticCheckUpdate)
    ArtworkPositionMode artworkPositionMode = ArtworkPositionMode::Toggle;

    SL_OBSERVABLE(QString, alertInfo, setAlertInfo)
    SL_OBSERVABLE(QVariant, trackInfoPosition, setTrackInfoPosition)

    // ---- The player link ----
    std::unique_ptr<iTunesBridgeProtocol> iTunesBridge;

    // ---- Timer intervals and counters ----
    static constexpr double updateTrackProgressTimerInterval = 1.0;
    static constexpr double preventSleepTimerInterval = 180.0;
    static constexpr double hideMouseTimerInterval = 15.0;
    static constexpr double resetAlertInfoTimerInterval = 10.0;
    static constexpr qint64 pauseDurationCounterMax = 4;
    qint64 pauseDurationCounter = 0;
    quint32 assertionID = 0;

    // ---- Screen, layout and artwork working state ----
    std::optional<double> screenWidth;
    std::optional<double> screenHeight;
    float windowSizeRatio = 1.0f;
    sleevelight::Constraint trackStackViewRightConstraint;
    sleevelight::Constraint trackStackViewLeftConstraint;
    sleevelight::Constraint trackStackViewRightConstraint2;
    sleevelight::Constraint trackStackViewLeftConstraint2;
    sleevelight::Constraint trackStackViewWideConstraint;
    QVariant prevTrackName = QString();
    qint64 currentArtworkNumber = 0;
    qint64 prevArtworkNumber = 0;
    LayoutAttribute currentArtworkPosition = LayoutAttribute::Right;
    LayoutAttribute nextArtworkPosition = LayoutAttribute::Left;
    double artworkImageRatio = 1.0;
    bool isWideArtworkImage = false;
    std::optional<QPointF> mouseDownPosition;
    int currentNumbersRatingsOrientation = 0; // 0 horizontal, 1 vertical

    // ---- Layout and text constants ----
    static constexpr double viewSafeMargin = 50.0;
    static constexpr float defaultFontSize = 72.0f;
    static constexpr float trackInfoSpacing = 40.0f;
    static constexpr float trackInfoTopSpacing = 50.0f;
    static constexpr float trackInfoLRSpacing = 35.0f;
    static constexpr int nameWrapLength = 24;
    static constexpr int albumWrapLength = 40;
    static constexpr int artistWrapLength = 32;
    static constexpr float albumFontRatio1 = 0.67f;
    static constexpr float artistFontRatio1 = 0.75f;
    static constexpr float numbersFontRatio1 = 0.5f;
    static constexpr float nameFontRatio2 = 0.83f;
    static constexpr float albumFontRatio2 = 0.55f;
    static constexpr float artistFontRatio2 = 0.67f;
    static constexpr float nameFontRatio3 = 0.55f;
    static constexpr float albumFontRatio3 = 0.33f;
    static constexpr float numbersFontRatio3 = 0.25f;
    static constexpr float artistFontRatio3 = 0.42f;
    static constexpr float trackDurationRatio3 = 0.28f;
    const QStringList charLoved = {QStringLiteral("\u2661"), QStringLiteral("\u2665")};
    const QStringList charStar = {QStringLiteral("\u2606"), QStringLiteral("\u2605")};

    // ---- Start-up, window and shutdown ----
    void applicationDidFinishLaunching();
    void applicationWillTerminate() {}
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    void updateViewBounds();
    void updateViews();
    void mWindowWillEnterFullScreen();
    void mWindowDidEnterFullScreen();
    void mWindowWillExitFullScreen();
    void mWindowDidExitFullScreen();
    // The window is now on another screen (with several screens).
    void windowMovedToScreen(QScreen* screen);

    // ---- Track refresh and progress ----
    void updateTrackInfo();
    void updateTrackProgress();

    // ---- Artwork ----
    void getArtworkImage(bool isNewTrack);
    void getArtworkImageSize();
    void changeArtworkPosition(bool isNewTrack);
    void applyArtworkImageWithHolder();
    void applyVinylImage();
    void showNextArtworkImage(bool forced);
    void toggleArtworkImage();

    // ---- Layout ----
    void updateViewSizeAndConstraint();
    void updateViewPosition();
    void setWindowAspectRatioConstraints();

    // ---- Track text and glyphs ----
    void updateViewItems();
    void alignNumbersAndRatings();
    void applyTrackInfoWithAttribute(float aRatio);

    // ---- Keyboard, mouse and notices ----
    // The three handlers see every input event of the application and always let it go on.
    void handleKeyDown(QKeyEvent* event);
    void handleLeftMouse(QMouseEvent* event);
    void handleMouseMoved(QMouseEvent* event);
    void showAlertInfo(const QString& text);
    void resetAlertInfo();
    void hideMouse();
    static inline const QString helpText = QStringLiteral(
        "(c): file information \r\n(l): set track loved \r\n(m): toggle showing main/multiple artwork \r\n"
        "(n): show next artwork \r\n(s): set track rating \r\n(v): show/hide vinyl \r\n(h): help");

    // ---- Display sleep ----
    void setScreenSleep();
    void disableScreenSleepWithReason(const QString& reason);
    void enableScreenSleep();
    void updatePreventSleepTimer();
    static inline const QString screenSleepReason = QStringLiteral("Disabling Screen Sleep");
    std::unique_ptr<sleevelight::PowerAssertion> powerAssertion;

    // ---- Preferences ----
    void getFromUserDefaults();
    void saveToUserDefaults();
    void setViewFromPrefValue();
    void changeViewFromPrefValueWithTimer(bool withTimer);
    void setButtonFromPrefValue();

    // ---- Update check ----
    QString versionString() const;
    int isUpdateAvailable();

public Q_SLOTS:
    // Actions the interface files send, each with the sending object.
    void playPause(QObject* sender);
    void gotoPreviousTrack(QObject* sender);
    void gotoNextTrack(QObject* sender);
    void clickTrackLoved(QObject* sender);
    void clickTrackRating(QObject* sender);
    void openHelp(QObject* sender);
    void openDonate(QObject* sender);
    void openPreference(QObject* sender);
    void selectPreferenceView(QObject* sender);
    void setPreferenceDone(QObject* sender);
    void closePreferences(QObject* sender);
    void closePreferencesObserver(QObject* sender);
    void resetPreference(QObject* sender);
    void namePopupSelectDone(QObject* sender);
    void albumPopupSelectDone(QObject* sender);
    void artistPopupSelectDone(QObject* sender);
    void radioButtonChanged(QObject* sender);
    void checkForUpdate(QObject* sender);
    void checkForUpdateDownload(QObject* sender);
    void checkForUpdateDone(QObject* sender);
    void toggleFullScreen(QObject* sender);
    void terminate(QObject* sender);

Q_SIGNALS:
    void trackNameChanged();
    void trackAlbumChanged();
    void trackArtistChanged();
    void trackYearChanged();
    void trackNumbersChanged();
    void trackElapsedChanged();
    void trackDurationChanged();
    void trackProgressChanged();
    void trackLovedChanged();
    void trackRatingChanged();
    void artworkImageChanged();
    void artworkImageHolderChanged();
    void vinylImageChanged();
    void playerStateChanged();
    void soundVolumeChanged();
    void iTrackLovedChanged();
    void iTrackRatingChanged();
    void toggleArtworkTimerChanged();
    void preventSleepTimerChanged();
    void hideMouseTimerChanged();
    void resetAlertInfoTimerChanged();
    void isWindowChangingFullScreenChanged();
    void sleepDisabledChanged();
    void prefFullScreenModeChanged();
    void prefPreventSleepChanged();
    void prefIsShowVinylChanged();
    void prefIsShowAlbumNameChanged();
    void prefIsShowAlbumNumberChanged();
    void prefIsShowRatingsChanged();
    void prefIsShowProgressChanged();
    void prefIsShowMultiArtworksChanged();
    void prefToggleArtworkIntervalChanged();
    void prefNameFontChanged();
    void prefAlbumFontChanged();
    void prefArtistFontChanged();
    void prefMaxFontSizeChanged();
    void prefStartItunesWithAppChanged();
    void prefAutomaticCheckUpdateChanged();
    void fullScreenModeChanged();
    void preventSleepChanged();
    void isShowVinylChanged();
    void isShowAlbumNameChanged();
    void isShowAlbumNumberChanged();
    void isShowRatingsChanged();
    void isShowProgressChanged();
    void isShowMultiArtworksChanged();
    void toggleArtworkIntervalChanged();
    void nameFontChanged();
    void albumFontChanged();
    void artistFontChanged();
    void maxFontSizeChanged();
    void startItunesWithAppChanged();
    void automaticCheckUpdateChanged();
    void alertInfoChanged();
    void trackInfoPositionChanged();

private:
    void installConstraint(const sleevelight::Constraint& constraint);
    void uninstallConstraint(const sleevelight::Constraint& constraint);
    void colorTrackName();
    sleevelight::ConstraintLayout* m_constraintLayout = nullptr;

    QVariant m_trackName = QString();
    QVariant m_trackAlbum = QString();
    QVariant m_trackArtist = QString();
    QVariant m_trackYear;
    QVariant m_trackNumbers = QString();
    QString m_trackElapsed = QStringLiteral("0:00");
    QVariant m_trackDuration = QString();
    QVariant m_trackProgress;
    QVariant m_trackLoved = 0;
    QVariant m_trackRating = 0;
    sleevelight::Image m_artworkImage;
    sleevelight::Image m_artworkImageHolder;
    sleevelight::Image m_vinylImage;
    PlayerState m_playerState = PlayerState::notRunning;

    QTimer* m_toggleArtworkTimer = nullptr;
    QTimer* m_preventSleepTimer = nullptr;
    QTimer* m_hideMouseTimer = nullptr;
    QTimer* m_resetAlertInfoTimer = nullptr;
    bool m_isWindowChangingFullScreen = false;
    bool m_sleepDisabled = false;

    // Preferences start at their reset values; launch replaces them with the stored ones.
    bool m_prefFullScreenMode = true;
    bool m_prefPreventSleep = true;
    bool m_prefIsShowVinyl = false;
    bool m_prefIsShowAlbumName = true;
    bool m_prefIsShowAlbumNumber = true;
    bool m_prefIsShowRatings = false;
    bool m_prefIsShowProgress = true;
    bool m_prefIsShowMultiArtworks = true;
    qint64 m_prefToggleArtworkInterval = 30;
    QString m_prefNameFont = QStringLiteral("HelveticaNeue-Medium");
    QString m_prefAlbumFont = QStringLiteral("HelveticaNeue-Italic");
    QString m_prefArtistFont = QStringLiteral("HelveticaNeue");
    qint64 m_prefMaxFontSize = 72;
    bool m_prefStartItunesWithApp = false;
    bool m_prefAutomaticCheckUpdate = true;

    bool m_fullScreenMode = true;
    bool m_preventSleep = true;
    bool m_isShowVinyl = false;
    bool m_isShowAlbumName = true;
    bool m_isShowAlbumNumber = true;
    bool m_isShowRatings = false;
    bool m_isShowProgress = true;
    bool m_isShowMultiArtworks = true;
    qint64 m_toggleArtworkInterval = 30;
    QString m_nameFont = QStringLiteral("HelveticaNeue-Medium");
    QString m_albumFont = QStringLiteral("HelveticaNeue-Italic");
    QString m_artistFont = QStringLiteral("HelveticaNeue");
    float m_maxFontSize = 72.0f;
    bool m_startItunesWithApp = false;
    bool m_automaticCheckUpdate = true;

    QString m_alertInfo;
    QVariant m_trackInfoPosition = 1;

    // Each subsystem keeps its own private state below, in its own section.
    // -- player --
    QVariant m_lastSoundVolume;
    // -- display --
    // The bytes of the picture staged last, to notice one that arrives late for the same track.
    QByteArray m_stagedArtworkBytes;
    // A picture too slow to decode in the window's time is decoded aside, the placeholder shown
    // meanwhile; once it is ready, the next refresh stages it.
    QFutureWatcher<QImage>* m_artworkDecoding = nullptr;
    bool m_artworkDecoded = false;
    void decodeArtworkAside(const sleevelight::Image& image, const QSize& bound);
    // Stages the picture at currentArtworkNumber, or the placeholder (bringing the number back
    // inside the list when nothing is there).
    void stageArtwork(const QList<QByteArray>& artworks);
    // The device pixels a picture of that size takes on screen in the layout it would get.
    QSize artworkPixelBound(const QSizeF& pictureSize) const;
    // The heart and the stars of both side stacks, for the current loved state and rating.
    void refreshLovedAndRating();
    void moveFirstArrangedViewToEnd(sleevelight::StackView* stack);
    // Shrinks the track text when the shown stack would run past the bottom of the display.
    void fitTrackInfoToView();
    // What the last fitting was for, and the scale it found.
    QStringList m_trackInfoFitFor;
    float m_trackInfoFitRatio = 0.0f;
    // -- interaction --
    bool isPanelVisible() const;
    bool isInDisplayView(const QPointF& windowPosition) const;
    void showStandardWindowButtons(bool show);
    void showHiddenPointer();
    void drawStar(int position, bool filled);
    bool m_followingPointer = false; // the window moves itself with this drag
    // -- preferences --
    void resetWorkingCopy();
    // The artwork timer, never faster than once a second whatever the stored interval says.
    void scheduleToggleArtworkTimer();
    // -- update --
};

#undef SL_OBSERVABLE
