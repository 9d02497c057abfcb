// The preferences: stored in the settings file, edited as a working copy, applied as live values.

#include "app/appdelegate.h"

#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"

using namespace sleevelight;

namespace {

namespace Key {
const QString fullScreenMode = QStringLiteral("fullScreenMode");
const QString preventSleep = QStringLiteral("preventSleep");
const QString isShowVinyl = QStringLiteral("isShowVinyl");
const QString isShowAlbumName = QStringLiteral("isShowAlbumName");
const QString isShowAlbumNumber = QStringLiteral("isShowAlbumNumber");
const QString isShowRatings = QStringLiteral("isShowRatings");
const QString isShowProgress = QStringLiteral("isShowProgress");
const QString isShowMultiArtworks = QStringLiteral("isShowMultiArtworks");
const QString toggleArtworkInterval = QStringLiteral("toggleArtworkInterval");
const QString nameFont = QStringLiteral("nameFont");
const QString albumFont = QStringLiteral("albumFont");
const QString artistFont = QStringLiteral("artistFont");
const QString maxFontSize = QStringLiteral("maxFontSize");
const QString artworkPositionMode = QStringLiteral("artworkPositionMode");
const QString startItunesWithApp = QStringLiteral("startItunesWithApp");
const QString automaticCheckUpdate = QStringLiteral("automaticCheckUpdate");
} // namespace Key

namespace Reset {
const QString nameFont = QStringLiteral("HelveticaNeue-Medium");
const QString albumFont = QStringLiteral("HelveticaNeue-Italic");
const QString artistFont = QStringLiteral("HelveticaNeue");
} // namespace Reset

// A font name that is missing, empty or not text (a list written by another program) is taken
// as the row's reset value rather than as no font at all.
QString fontFrom(const UserDefaults& defaults, const QString& key, const QString& reset)
{
    const std::optional<QString> name = defaults.stringForKey(key);
    return (name && !name->trimmed().isEmpty()) ? *name : reset;
}

void setShown(QWidget* view, bool shown)
{
    if (view != nullptr)
        view->setHidden(!shown);
}

} // namespace

void AppDelegate::getFromUserDefaults()
{
    const UserDefaults& defaults = UserDefaults::standardUserDefaults();
    // A file without the first-start marker was never written by this program, or is damaged:
    // reading its missing keys as false and 0 would show (and on confirming, store) a display
    // with nothing on it. Its working copy is the one the display started with.
    if (!defaults.stringForKey(Key::automaticCheckUpdate)) {
        resetWorkingCopy();
        setPrefAutomaticCheckUpdate(true);
        return;
    }
    setPrefFullScreenMode(defaults.boolForKey(Key::fullScreenMode));
    setPrefPreventSleep(defaults.boolForKey(Key::preventSleep));
    setPrefIsShowVinyl(defaults.boolForKey(Key::isShowVinyl));
    setPrefIsShowAlbumName(defaults.boolForKey(Key::isShowAlbumName));
    setPrefIsShowAlbumNumber(defaults.boolForKey(Key::isShowAlbumNumber));
    setPrefIsShowRatings(defaults.boolForKey(Key::isShowRatings));
    setPrefIsShowProgress(defaults.boolForKey(Key::isShowProgress));
    setPrefIsShowMultiArtworks(defaults.boolForKey(Key::isShowMultiArtworks));
    setPrefToggleArtworkInterval(defaults.integerForKey(Key::toggleArtworkInterval));
    setPrefNameFont(fontFrom(defaults, Key::nameFont, Reset::nameFont));
    setPrefAlbumFont(fontFrom(defaults, Key::albumFont, Reset::albumFont));
    setPrefArtistFont(fontFrom(defaults, Key::artistFont, Reset::artistFont));
    setPrefMaxFontSize(defaults.integerForKey(Key::maxFontSize));
    prefArtworkPositionMode = artworkPositionModeFromRaw(defaults.integerForKey(Key::artworkPositionMode))
                                  .value_or(ArtworkPositionMode::Toggle);
    setPrefStartItunesWithApp(defaults.boolForKey(Key::startItunesWithApp));
    setPrefAutomaticCheckUpdate(defaults.boolForKey(Key::automaticCheckUpdate));
}

void AppDelegate::saveToUserDefaults()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(prefFullScreenMode(), Key::fullScreenMode);
    defaults.setBool(prefPreventSleep(), Key::preventSleep);
    defaults.setBool(prefIsShowVinyl(), Key::isShowVinyl);
    defaults.setBool(prefIsShowAlbumName(), Key::isShowAlbumName);
    defaults.setBool(prefIsShowAlbumNumber(), Key::isShowAlbumNumber);
    defaults.setBool(prefIsShowRatings(), Key::isShowRatings);
    defaults.setBool(prefIsShowProgress(), Key::isShowProgress);
    defaults.setBool(prefIsShowMultiArtworks(), Key::isShowMultiArtworks);
    defaults.setInteger(prefToggleArtworkInterval(), Key::toggleArtworkInterval);
    defaults.setObject(prefNameFont(), Key::nameFont);
    defaults.setObject(prefAlbumFont(), Key::albumFont);
    defaults.setObject(prefArtistFont(), Key::artistFont);
    defaults.setInteger(prefMaxFontSize(), Key::maxFontSize);
    defaults.setInteger(qint64(prefArtworkPositionMode), Key::artworkPositionMode);
    defaults.setBool(prefStartItunesWithApp(), Key::startItunesWithApp);
    defaults.setBool(prefAutomaticCheckUpdate(), Key::automaticCheckUpdate);
    defaults.synchronize();
}

void AppDelegate::setViewFromPrefValue()
{
    setFullScreenMode(prefFullScreenMode());
    setPreventSleep(prefPreventSleep());
    setIsShowVinyl(prefIsShowVinyl());
    setIsShowAlbumName(prefIsShowAlbumName());
    setIsShowAlbumNumber(prefIsShowAlbumNumber());
    setIsShowRatings(prefIsShowRatings());
    setIsShowProgress(prefIsShowProgress());
    setIsShowMultiArtworks(prefIsShowMultiArtworks());
    setToggleArtworkInterval(prefToggleArtworkInterval());
    setNameFont(prefNameFont());
    setAlbumFont(prefAlbumFont());
    setArtistFont(prefArtistFont());
    setMaxFontSize(float(prefMaxFontSize()));
    artworkPositionMode = prefArtworkPositionMode;
    setStartItunesWithApp(prefStartItunesWithApp());
    setAutomaticCheckUpdate(prefAutomaticCheckUpdate());
}

void AppDelegate::changeViewFromPrefValueWithTimer(bool withTimer)
{
    if (artworkPositionMode == ArtworkPositionMode::Toggle) {
        if (currentArtworkPosition == LayoutAttribute::Right)
            nextArtworkPosition = LayoutAttribute::Left;
        else if (currentArtworkPosition == LayoutAttribute::Left)
            nextArtworkPosition = LayoutAttribute::Right;
    }

    for (TextField* album : {mTrackAlbum.data(), mTrackAlbum2.data(), mTrackAlbum3.data()})
        setShown(album, isShowAlbumName());
    for (TextField* numbers : {mTrackNumbers.data(), mTrackNumbers2.data(), mTrackNumbers3.data()})
        setShown(numbers, isShowAlbumNumber());

    if (!isShowRatings()) {
        setShown(mTrackStackRatingsRight, false);
        setShown(mTrackStackRatingsLeft, false);
    } else if (isWideArtworkImage) {
        setShown(mTrackStackRatingsLeft, false);
        setShown(mTrackStackRatingsRight, false);
    } else if (currentArtworkPosition == LayoutAttribute::Left) {
        setShown(mTrackStackRatingsLeft, false);
        setShown(mTrackStackRatingsRight, true);
    } else {
        setShown(mTrackStackRatingsLeft, true);
        setShown(mTrackStackRatingsRight, false);
    }

    for (StackView* progress : {mTrackStackProgressRight.data(), mTrackStackProgressLeft.data(),
                                mTrackStackProgressWide.data()})
        setShown(progress, isShowProgress());

    const bool anyOfTheRow = isShowAlbumName() || isShowAlbumNumber() || isShowRatings();
    setShown(mTrackStackAlbumNumbersRatingsRight, anyOfTheRow);
    setShown(mTrackStackAlbumNumbersRatingsLeft, anyOfTheRow);

    if (withTimer) {
        updatePreventSleepTimer();
        if (toggleArtworkTimer() != nullptr) {
            Timers::invalidate(toggleArtworkTimer());
            setToggleArtworkTimer(nullptr);
            scheduleToggleArtworkTimer();
        }
    }
}

void AppDelegate::scheduleToggleArtworkTimer()
{
    // A stored interval below one second (damaged, or written by hand) would spin the processor.
    const double seconds = double(std::max<qint64>(1, toggleArtworkInterval()));
    setToggleArtworkTimer(Timers::schedule(this, seconds, true, [this] { toggleArtworkImage(); }));
}

void AppDelegate::resetPreference(QObject*)
{
    resetWorkingCopy();
    setButtonFromPrefValue();
}

void AppDelegate::resetWorkingCopy()
{
    setPrefFullScreenMode(true);
    setPrefPreventSleep(true);
    setPrefIsShowVinyl(false);
    setPrefIsShowAlbumName(true);
    setPrefIsShowAlbumNumber(true);
    setPrefIsShowRatings(false);
    setPrefIsShowProgress(true);
    setPrefIsShowMultiArtworks(true);
    setPrefToggleArtworkInterval(30);
    setPrefNameFont(Reset::nameFont);
    setPrefAlbumFont(Reset::albumFont);
    setPrefArtistFont(Reset::artistFont);
    setPrefMaxFontSize(72);
    prefArtworkPositionMode = ArtworkPositionMode::Toggle;
    setPrefStartItunesWithApp(false);
}
