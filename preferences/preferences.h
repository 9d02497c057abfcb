#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <variant>
#include <vector>

namespace sleevelight {

using namespace Qt::StringLiterals;

class UserDefaults;

enum class ArtworkPositionMode : int
{
    Left = 1,
    Right = 2,
    Toggle = 3,
};

// Accepts the raw values 1 to 3 only.
std::optional<ArtworkPositionMode> artworkPositionModeFromRaw(qint64 raw);

// Every preference the user can set. The member initialisers are the defaults: what a first
// start stores, what Reset in the panel brings back.
struct Preferences
{
    bool fullScreenMode = true;
    bool preventSleep = true;
    bool isShowVinyl = false;
    bool isShowAlbumName = true;
    bool isShowAlbumNumber = true;
    bool isShowRatings = false;
    bool isShowProgress = true;
    bool isShowMultiArtworks = true;
    qint64 toggleArtworkInterval = 30;
    QString nameFont = u"HelveticaNeue-Medium"_s;
    QString albumFont = u"HelveticaNeue-Italic"_s;
    QString artistFont = u"HelveticaNeue"_s;
    qint64 maxFontSize = 72;
    ArtworkPositionMode artworkPositionMode = ArtworkPositionMode::Toggle;
    bool startItunesWithApp = false;
    bool automaticCheckUpdate = true;
    // Added since the first version.
    bool cleanUpTitles = true;
    // A soft, dim copy of the artwork fills the window behind everything.
    bool ambientBackground = false;
    // A new track, and a new picture, crossfade into the one shown.
    bool transitions = true;
    // Minutes without anything playing before the standby view; 0 never.
    qint64 standbyDelay = 5;
    // The composition drifts a few pixels now and then while playing.
    bool shiftAgainstBurnIn = true;
    // A track's lyrics, where it has any, stand in the place of its album and numbers (key y).
    bool showLyrics = false;
    // The next track of the player's queue under the progress.
    bool showNextUp = false;
    // Tracks without lyrics of their own have them looked up on the web (lrclib.net), which is
    // sent the artist, title, album and length.
    bool lyricsFromWeb = false;
    // Names of players (desktop entry, identity or bus name) to follow whenever they are on the
    // bus, the first listed first, and never to follow.
    QStringList preferredPlayers;
    QStringList ignoredPlayers;
    // Music servers to follow, "[password@]host[:port]" or a socket's path; none: MPD_HOST and
    // MPD_PORT, else the local one.
    QStringList mpdServers;
    // Where those servers' songs are on this machine, when they are; none: a local server's word.
    QString mpdMusicFolder;
    // Taps and swipes on a touch panel (and swipes of the mouse in full screen) work the player,
    // and a swipe's direction the other way round.
    bool touchGestures = true;
    bool reverseSwipes = false;
    // Standby turns the screen off, where the window system offers a way, instead of the clock.
    bool standbyScreenOff = false;
    // A page for phones on the network, at this port, for those who carry the token (made when
    // the remote is first turned on).
    bool remoteControl = false;
    qint64 remotePort = 8470;
    QString remoteToken;

    bool operator==(const Preferences&) const = default;
};

// One preference as the settings file stores it: its key and the member that holds it.
struct PreferenceField
{
    using Member = std::variant<bool Preferences::*, qint64 Preferences::*, QString Preferences::*,
                                ArtworkPositionMode Preferences::*, QStringList Preferences::*>;
    // Whether a file that lacks the key reads it as a defaults database does (a missing boolean is
    // false, a missing integer 0), as the first version's keys always have, or as the default, as
    // every key added since does, so that an upgrade brings defaults and not zeros.
    enum class Missing
    {
        ReadsEmpty,
        ReadsDefault,
    };

    QString key;
    Member member;
    Missing missing = Missing::ReadsDefault;

    QVariant value(const Preferences& preferences) const;
    // False when the value is not of the member's kind; nothing is changed then.
    bool setValue(Preferences& preferences, const QVariant& value) const;
};

// The table that drives loading, saving, applying and resetting: one line per preference.
const std::vector<PreferenceField>& preferenceFields();
const PreferenceField* preferenceField(const QString& key);
// The key of the preference that member holds.
QString preferenceKey(PreferenceField::Member member);

// What the file holds, read by the rules of each key; text that is missing, empty or not text
// reads as the default, as does a position outside the three.
Preferences readPreferences(const UserDefaults& defaults);
void writePreferences(const Preferences& preferences, UserDefaults& defaults);

// The keys whose values differ between the two.
QStringList changedKeys(const Preferences& before, const Preferences& after);

} // namespace sleevelight
