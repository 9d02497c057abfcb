#pragma once

#include "app/displayconstants.h"
#include "app/observable.h"
#include "app/outlets.h"
#include "app/playerstate.h"
#include "display/artworkplace.h"
#include "display/displayfeature.h"
#include "display/utility.h"
#include "platform/constraints.h"
#include "platform/image.h"
#include "preferences/preferences.h"

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <cmath>
#include <memory>
#include <optional>

class QKeyEvent;
class QMouseEvent;
class QScreen;

namespace sleevelight {

using namespace Qt::StringLiterals;

class PowerAssertion;
class iTunesBridgeProtocol;

// The application object: every field of the display, its views and timers, and every
// operation on them. Each section below names the file that defines it; the slots of each
// subsystem stand in its own section.
class AppDelegate : public QObject, public AppOutlets, public DisplayConstants
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
    Q_PROPERTY(Image artworkImage READ artworkImage WRITE setArtworkImage NOTIFY artworkImageChanged)
    Q_PROPERTY(Image artworkImageHolder READ artworkImageHolder WRITE setArtworkImageHolder NOTIFY
                   artworkImageHolderChanged)
    Q_PROPERTY(Image vinylImage READ vinylImage WRITE setVinylImage NOTIFY vinylImageChanged)

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
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

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
    SL_OBSERVABLE(Image, artworkImage, setArtworkImage)
    SL_OBSERVABLE(Image, artworkImageHolder, setArtworkImageHolder)
    SL_OBSERVABLE(Image, vinylImage, setVinylImage)

    SL_OBSERVABLE(PlayerState, playerState, setPlayerState)

    SL_OBSERVABLE(QTimer*, toggleArtworkTimer, setToggleArtworkTimer)
    SL_OBSERVABLE(QTimer*, preventSleepTimer, setPreventSleepTimer)
    SL_OBSERVABLE(QTimer*, hideMouseTimer, setHideMouseTimer)
    SL_OBSERVABLE(QTimer*, resetAlertInfoTimer, setResetAlertInfoTimer)
    SL_OBSERVABLE(bool, isWindowChangingFullScreen, setIsWindowChangingFullScreen)
    SL_OBSERVABLE(bool, sleepDisabled, setSleepDisabled)

    SL_OBSERVABLE(QString, alertInfo, setAlertInfo)
    SL_OBSERVABLE(QVariant, trackInfoPosition, setTrackInfoPosition)

    // ---- Preferences: the working copy and the live values (preferences/preferencestore.cpp) ----
    SL_PREFERENCE(bool, fullScreenMode, FullScreenMode)
    SL_PREFERENCE(bool, preventSleep, PreventSleep)
    SL_PREFERENCE(bool, isShowVinyl, IsShowVinyl)
    SL_PREFERENCE(bool, isShowAlbumName, IsShowAlbumName)
    SL_PREFERENCE(bool, isShowAlbumNumber, IsShowAlbumNumber)
    SL_PREFERENCE(bool, isShowRatings, IsShowRatings)
    SL_PREFERENCE(bool, isShowProgress, IsShowProgress)
    SL_PREFERENCE(bool, isShowMultiArtworks, IsShowMultiArtworks)
    SL_PREFERENCE(qint64, toggleArtworkInterval, ToggleArtworkInterval)
    SL_PREFERENCE(QString, nameFont, NameFont)
    SL_PREFERENCE(QString, albumFont, AlbumFont)
    SL_PREFERENCE(QString, artistFont, ArtistFont)
    SL_PREFERENCE(bool, startItunesWithApp, StartItunesWithApp)
    SL_PREFERENCE(bool, automaticCheckUpdate, AutomaticCheckUpdate)
    qint64 prefMaxFontSize() const { return m_working.maxFontSize; }
    void setPrefMaxFontSize(qint64 value) { setPreference(u"maxFontSize"_s, value); }
    // The display sizes its text in fractions of the largest size.
    float maxFontSize() const { return float(m_live.maxFontSize); }
    void setMaxFontSize(float value) { setLivePreference(u"maxFontSize"_s, qint64(std::lround(value))); }

    const Preferences& workingPreferences() const { return m_working; }
    const Preferences& livePreferences() const { return m_live; }
    // Replace the whole copy; the properties of what changed notify.
    void setWorkingPreferences(const Preferences& preferences);
    void setLivePreferences(const Preferences& preferences);
    // One preference by its key, as the panel's controls edit it; a value of the wrong kind is
    // ignored. A preference without a property of its own is bound through these.
    Q_INVOKABLE QVariant preference(const QString& key) const;
    Q_INVOKABLE void setPreference(const QString& key, const QVariant& value);
    void setLivePreference(const QString& key, const QVariant& value);

    // The settings file was never written by this program (or is damaged).
    bool isFirstStart() const;
    void getFromUserDefaults();
    void saveToUserDefaults();
    void setViewFromPrefValue();
    void changeViewFromPrefValueWithTimer(bool withTimer);
    // Shows the rows of the text stacks the preferences and the lyrics ask for.
    void showTrackRows();
    // Turns a stored switch over (the keys v and m): the live value and the file follow what the
    // file held; returns the new value.
    bool flipStoredPreference(bool Preferences::*member);

    // ---- The player link and the actions that go straight to it (app/playeractions.cpp) ----
    std::unique_ptr<iTunesBridgeProtocol> iTunesBridge;
    // Pass-through to the bridge; they store nothing.
    QVariant soundVolume() const;
    void setSoundVolume(const QVariant& volume);
    QVariant iTrackLoved() const;
    void setITrackLoved(const QVariant& loved);
    QVariant iTrackRating() const;
    void setITrackRating(const QVariant& rating);

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
    Constraint trackStackViewRightConstraint;
    Constraint trackStackViewLeftConstraint;
    Constraint trackStackViewRightConstraint2;
    Constraint trackStackViewLeftConstraint2;
    Constraint trackStackViewWideConstraint;
    QVariant prevTrackName = QString();
    qint64 currentArtworkNumber = 0;
    qint64 prevArtworkNumber = 0;
    LayoutAttribute currentArtworkPosition = LayoutAttribute::Right;
    LayoutAttribute nextArtworkPosition = LayoutAttribute::Left;
    double artworkImageRatio = 1.0;
    bool isWideArtworkImage = false;
    std::optional<QPointF> mouseDownPosition;
    int currentNumbersRatingsOrientation = 0; // 0 horizontal, 1 vertical

    // ---- Start-up, window and shutdown (app/launch.cpp; the window's transitions app/appdelegate.cpp) ----
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

    // ---- Track refresh and progress (app/trackrefresh.cpp) ----
    void updateTrackInfo();
    void updateTrackProgress();

    // ---- Artwork (display/artwork.cpp) ----
    void getArtworkImage(bool isNewTrack);
    void getArtworkImageSize();
    void changeArtworkPosition(bool isNewTrack);
    void applyArtworkImageWithHolder();
    // The device pixels a picture of that size takes on screen in the layout it would get.
    QSize artworkPixelBound(const QSizeF& pictureSize) const;
    void applyVinylImage();
    void showNextArtworkImage(bool forced);
    void toggleArtworkImage();

    // ---- Layout (display/layout.cpp) ----
    void updateViewSizeAndConstraint();
    void updateViewPosition();
    void setWindowAspectRatioConstraints();
    // The scale of every size: the display view's shorter side against the 1080 lines the layout
    // was drawn up for.
    float displayScale() const;
    ArtworkPlace artworkPlace(double pictureRatio) const;
    // The width of the text beside the artwork, or below it across the display.
    double textColumnWidth() const;

    // ---- Track text and glyphs (display/trackitems.cpp) ----
    void updateViewItems();
    void alignNumbersAndRatings();
    void applyTrackInfoWithAttribute(float aRatio);
    // The heart and the stars of both side stacks: all glyphs are drawn here.
    void refreshLovedAndRating();
    void drawHeart(bool loved);
    void drawRating();
    void drawStar(int position, bool filled);

    // ---- Keyboard, mouse and notices (interaction/interaction.cpp) ----
    // The three handlers see every input event of the application and always let it go on.
    void handleKeyDown(QKeyEvent* event);
    // What a command key does, pressed or sent from elsewhere (the remote).
    void runKeyCommand(KeyCommand command);
    void handleLeftMouse(QMouseEvent* event);
    // The preferences or the update panel shows; keys and presses are theirs then.
    bool isPanelVisible() const;
    void handleMouseMoved(QMouseEvent* event);
    void showAlertInfo(const QString& text);
    void resetAlertInfo();
    // Key c: the file information, or a notice that it is being read and then the information,
    // unless another notice or another track comes first.
    void showCodecInfo();
    void codecInfoRead();
    bool m_codecInfoAwaited = false;
    static inline const QString readingCodecInfoText = u"Reading the file information…"_s;
    void hideMouse();
    static inline const QString helpText =
        u"(c): file information \r\n(l): set track loved \r\n(m): toggle showing main/multiple artwork \r\n"
        "(n): show next artwork \r\n(p): follow the next player, (u): show/hide the next track \r\n"
        "(s): set track rating \r\n(space \u2190 \u2192): play/pause, previous/next track \r\n"
        "(v): show/hide vinyl \r\n(y): show/hide lyrics, ([ ]) sooner/later \r\n(h): help, (r): the remote's address"_s;

    // ---- Features beyond the display's own: each a class of its own (app/features.cpp makes them) ----
    void createFeatures();
    QList<DisplayFeature*> features;
    // The feature of that class; null before the launch made them.
    template <typename Feature> Feature* feature() const
    {
        for (DisplayFeature* made : features)
            if (auto* found = qobject_cast<Feature*>(made))
                return found;
        return nullptr;
    }
    // Tells every feature of a moment of the display, in the order they were made.
    template <typename... Args, typename... Given>
    void tellFeatures(void (DisplayFeature::*moment)(Args...), Given&&... arguments)
    {
        for (DisplayFeature* made : features)
            (made->*moment)(arguments...);
    }

    // ---- Display sleep (interaction/screensleep.cpp) ----
    void setScreenSleep();
    void disableScreenSleepWithReason(const QString& reason);
    void enableScreenSleep();
    void updatePreventSleepTimer();
    static inline const QString screenSleepReason = u"Disabling Screen Sleep"_s;
    std::unique_ptr<PowerAssertion> powerAssertion;

    // ---- Preferences panel (preferences/preferencespanel.cpp) ----
    void setButtonFromPrefValue();

    // ---- Update check (update/update.cpp) ----
    QString versionString() const;
    int isUpdateAvailable();

    // Actions the interface files send, each with the sending object, by subsystem.
public Q_SLOTS:
    // The player (app/playeractions.cpp).
    void playPause(QObject* sender);
    void gotoPreviousTrack(QObject* sender);
    void gotoNextTrack(QObject* sender);

public Q_SLOTS:
    // The window (app/appdelegate.cpp).
    void toggleFullScreen(QObject* sender);
    void terminate(QObject* sender);

public Q_SLOTS:
    // The heart, the stars and the help and donation pages (interaction/interaction.cpp).
    void clickTrackLoved(QObject* sender);
    void clickTrackRating(QObject* sender);
    void openHelp(QObject* sender);
    void openDonate(QObject* sender);

public Q_SLOTS:
    // The preferences panel (preferences/preferencespanel.cpp; reset preferences/preferencestore.cpp).
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

public Q_SLOTS:
    // The update panel (update/update.cpp).
    void checkForUpdate(QObject* sender);
    void checkForUpdateDownload(QObject* sender);
    void checkForUpdateDone(QObject* sender);

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
    // A preference of the working copy changed, by its key (every preference, with or without a
    // property of its own).
    void preferenceChanged(const QString& key);

private:
    // -- app --
    void installConstraint(const Constraint& constraint);
    void uninstallConstraint(const Constraint& constraint);
    void applyTrackProgress();
    void colorTrackName();
    ConstraintLayout* m_constraintLayout = nullptr;

    QVariant m_trackName = QString();
    QVariant m_trackAlbum = QString();
    QVariant m_trackArtist = QString();
    QVariant m_trackYear;
    QVariant m_trackNumbers = QString();
    QString m_trackElapsed = u"0:00"_s;
    QVariant m_trackDuration = QString();
    QVariant m_trackProgress;
    QVariant m_trackLoved = 0;
    QVariant m_trackRating = 0;
    Image m_artworkImage;
    Image m_artworkImageHolder;
    Image m_vinylImage;
    PlayerState m_playerState = PlayerState::notRunning;

    QTimer* m_toggleArtworkTimer = nullptr;
    QTimer* m_preventSleepTimer = nullptr;
    QTimer* m_hideMouseTimer = nullptr;
    QTimer* m_resetAlertInfoTimer = nullptr;
    bool m_isWindowChangingFullScreen = false;
    bool m_sleepDisabled = false;

    QString m_alertInfo;
    QVariant m_trackInfoPosition = 1;

    // -- player --
    QVariant m_lastSoundVolume;
    // -- display --
    // The bytes of the picture staged last, to notice one that arrives late for the same track.
    QByteArray m_stagedArtworkBytes;
    // A picture with a preview, or too slow to decode in the window's time, is decoded aside, the
    // preview or the placeholder shown meanwhile; once it is ready, the next refresh stages it.
    QFutureWatcher<QImage>* m_artworkDecoding = nullptr;
    Image m_artworkDecodingFor;
    bool m_artworkDecoded = false;
    void decodeArtworkAside(const Image& image, const QSize& bound);
    // Stages the picture at currentArtworkNumber, or the placeholder (bringing the number back
    // inside the list when nothing is there).
    void stageArtwork(const QList<QByteArray>& artworks);
    TextStyle glyphStyle(const QColor& color) const;
    void moveFirstArrangedViewToEnd(StackView* stack);
    // The arrangement of the last layout, and where its text begins and ends: the side stacks'
    // distance from the top, and the width the numbers and the stars share.
    Arrangement m_arrangement = Arrangement::Side;
    double m_textTop = 0.0;
    double m_textRowWidth = 0.0;
    // The least width of the text beside the artwork, and the name's font and size it was measured for.
    mutable std::pair<QString, double> m_leastTextWidthFor;
    mutable double m_leastTextWidth = 0.0;
    // Where a wide picture shows in the display view, and the wide stack's distance from the
    // bottom that keeps the stack on it.
    QRectF m_picture;
    Constraint m_wideStackBottomConstraint;
    // The wide stack's spacing as the interface file sets it for 1080 lines.
    double m_wideStackSpacing = 0.0;
    // Places the notice line where the text is not.
    void placeAlertInfo();
    // Shrinks the track text when the shown stack would run past the bottom of the display.
    void fitTrackInfoToView();
    // What the last fitting was for, and the scale it found.
    QStringList m_trackInfoFitFor;
    float m_trackInfoFitRatio = 0.0f;
    // -- interaction --
    bool isInDisplayView(const QPointF& windowPosition) const;
    void showStandardWindowButtons(bool show);
    void showHiddenPointer();
    bool m_followingPointer = false; // the window moves itself with this drag
    // -- preferences --
    Preferences m_working; // what the panel edits
    Preferences m_live;    // what the display shows
    void notifyPreferences(const QStringList& keys, bool working);
    void resetWorkingCopy();
    // The artwork timer, never faster than once a second whatever the stored interval says.
    void scheduleToggleArtworkTimer();
};

} // namespace sleevelight

#undef SL_OBSERVABLE
#undef SL_PREFERENCE
