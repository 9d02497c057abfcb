// The preferences: stored in the settings file, edited as a working copy, applied as live values.

#include "app/appdelegate.h"

#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/frameview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "preferences/preferences.h"

#include <QMetaMethod>
#include <QMetaProperty>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// A file without this key was never written by this program (the first start writes it), or is
// damaged.
const QString firstStartMarker = u"automaticCheckUpdate"_s;

void setShown(QWidget* view, bool shown)
{
    if (view != nullptr)
        view->setHidden(!shown);
}

// "isShowVinyl" → "prefIsShowVinyl": the working copy's property of a preference.
QByteArray workingPropertyName(const QString& key)
{
    return "pref" + key.left(1).toUpper().toLatin1() + key.mid(1).toLatin1();
}

} // namespace

void AppDelegate::notifyPreferences(const QStringList& keys, bool working)
{
    const QMetaObject* meta = metaObject();
    for (const QString& key : keys) {
        const QByteArray name = working ? workingPropertyName(key) : key.toLatin1();
        if (const int index = meta->indexOfProperty(name.constData()); index >= 0)
            meta->property(index).notifySignal().invoke(this, Qt::DirectConnection);
        if (working)
            Q_EMIT preferenceChanged(key);
    }
}

void AppDelegate::setWorkingPreferences(const Preferences& preferences)
{
    const QStringList changed = changedKeys(m_working, preferences);
    m_working = preferences;
    notifyPreferences(changed, true);
}

void AppDelegate::setLivePreferences(const Preferences& preferences)
{
    const QStringList changed = changedKeys(m_live, preferences);
    m_live = preferences;
    tellFeatures(&DisplayFeature::livePreferencesChanged);
    notifyPreferences(changed, false);
}

QVariant AppDelegate::preference(const QString& key) const
{
    const PreferenceField* field = preferenceField(key);
    return field != nullptr ? field->value(m_working) : QVariant();
}

void AppDelegate::setPreference(const QString& key, const QVariant& value)
{
    Preferences next = m_working;
    if (const PreferenceField* field = preferenceField(key); field != nullptr && field->setValue(next, value))
        setWorkingPreferences(next);
}

void AppDelegate::setLivePreference(const QString& key, const QVariant& value)
{
    Preferences next = m_live;
    if (const PreferenceField* field = preferenceField(key); field != nullptr && field->setValue(next, value))
        setLivePreferences(next);
}

void AppDelegate::getFromUserDefaults()
{
    // Reading the missing keys of a file this program never wrote as false and 0 would show (and
    // on confirming, store) a display with nothing on it. Its working copy is the one the display
    // started with.
    if (isFirstStart()) {
        resetWorkingCopy();
        setPrefAutomaticCheckUpdate(true);
        return;
    }
    setWorkingPreferences(readPreferences(UserDefaults::standardUserDefaults()));
}

void AppDelegate::saveToUserDefaults()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    writePreferences(m_working, defaults);
    defaults.synchronize();
}

bool AppDelegate::isFirstStart() const
{
    return !UserDefaults::standardUserDefaults().stringForKey(firstStartMarker).has_value();
}

bool AppDelegate::flipStoredPreference(bool Preferences::*member)
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    const QString key = preferenceKey(member);
    const bool shown = !defaults.boolForKey(key);
    Preferences live = m_live;
    live.*member = shown;
    setLivePreferences(live);
    defaults.setBool(shown, key);
    defaults.synchronize();
    return shown;
}

void AppDelegate::setViewFromPrefValue()
{
    setLivePreferences(m_working);
}

void AppDelegate::changeViewFromPrefValueWithTimer(bool withTimer)
{
    if (m_live.artworkPositionMode == ArtworkPositionMode::Toggle) {
        if (currentArtworkPosition == LayoutAttribute::Right)
            nextArtworkPosition = LayoutAttribute::Left;
        else if (currentArtworkPosition == LayoutAttribute::Left)
            nextArtworkPosition = LayoutAttribute::Right;
    }

    showTrackRows();

    if (withTimer) {
        updatePreventSleepTimer();
        if (toggleArtworkTimer() != nullptr) {
            Timers::invalidate(toggleArtworkTimer());
            setToggleArtworkTimer(nullptr);
            scheduleToggleArtworkTimer();
        }
    }
}

void AppDelegate::showTrackRows()
{
    for (TextField* album : {mTrackAlbum.data(), mTrackAlbum2.data()})
        setShown(album, isShowAlbumName());
    for (TextField* numbers : {mTrackNumbers.data(), mTrackNumbers2.data()})
        setShown(numbers, isShowAlbumNumber());
    setShown(mTrackAlbum3, isShowAlbumName());
    setShown(mTrackNumbers3, isShowAlbumNumber());

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

    for (StackView* progress :
         {mTrackStackProgressRight.data(), mTrackStackProgressLeft.data(), mTrackStackProgressWide.data()})
        setShown(progress, isShowProgress());

    const bool anyOfTheRow = isShowAlbumName() || isShowAlbumNumber() || isShowRatings();
    setShown(mTrackStackAlbumNumbersRatingsRight, anyOfTheRow);
    setShown(mTrackStackAlbumNumbersRatingsLeft, anyOfTheRow);
    tellFeatures(&DisplayFeature::trackRowsShown);
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
    // Reset leaves the update check as the user set it, and the remote's token: phones paired
    // stay paired.
    Preferences defaults;
    defaults.automaticCheckUpdate = m_working.automaticCheckUpdate;
    defaults.remoteToken = m_working.remoteToken;
    setWorkingPreferences(defaults);
}

} // namespace sleevelight
