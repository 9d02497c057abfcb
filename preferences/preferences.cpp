#include "preferences/preferences.h"

#include "platform/userdefaults.h"
#include "player/values.h"

namespace sleevelight {

namespace {

template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// A list of names as the settings file gives it back: a list, or one name alone, which the file
// cannot tell from a plain text. Empty entries are dropped; anything else is no list.
std::optional<QStringList> nameList(const QVariant& value)
{
    QStringList names;
    if (value.typeId() == QMetaType::QStringList)
        names = value.toStringList();
    else if (isString(value))
        names = QStringList{value.toString()};
    else
        return std::nullopt;
    for (QString& name : names)
        name = name.trimmed();
    names.removeAll(QString());
    return names;
}

PreferenceField field(const char* key, PreferenceField::Member member,
                      PreferenceField::Missing missing = PreferenceField::Missing::ReadsDefault)
{
    return PreferenceField{QString::fromLatin1(key), member, missing};
}

} // namespace

std::optional<ArtworkPositionMode> artworkPositionModeFromRaw(qint64 raw)
{
    if (raw < 1 || raw > 3)
        return std::nullopt;
    return static_cast<ArtworkPositionMode>(raw);
}

const std::vector<PreferenceField>& preferenceFields()
{
    using P = Preferences;
    constexpr auto firstVersion = PreferenceField::Missing::ReadsEmpty;
    static const std::vector<PreferenceField> fields = {
        field("fullScreenMode", &P::fullScreenMode, firstVersion),
        field("preventSleep", &P::preventSleep, firstVersion),
        field("isShowVinyl", &P::isShowVinyl, firstVersion),
        field("isShowAlbumName", &P::isShowAlbumName, firstVersion),
        field("isShowAlbumNumber", &P::isShowAlbumNumber, firstVersion),
        field("isShowRatings", &P::isShowRatings, firstVersion),
        field("isShowProgress", &P::isShowProgress, firstVersion),
        field("isShowMultiArtworks", &P::isShowMultiArtworks, firstVersion),
        field("toggleArtworkInterval", &P::toggleArtworkInterval, firstVersion),
        field("nameFont", &P::nameFont, firstVersion),
        field("albumFont", &P::albumFont, firstVersion),
        field("artistFont", &P::artistFont, firstVersion),
        field("maxFontSize", &P::maxFontSize, firstVersion),
        field("artworkPositionMode", &P::artworkPositionMode, firstVersion),
        field("startItunesWithApp", &P::startItunesWithApp, firstVersion),
        field("automaticCheckUpdate", &P::automaticCheckUpdate, firstVersion),
        field("cleanUpTitles", &P::cleanUpTitles),
        field("ambientBackground", &P::ambientBackground),
        field("transitions", &P::transitions),
        field("standbyDelay", &P::standbyDelay),
        field("shiftAgainstBurnIn", &P::shiftAgainstBurnIn),
        field("showLyrics", &P::showLyrics),
        field("showNextUp", &P::showNextUp),
        field("lyricsFromWeb", &P::lyricsFromWeb),
        field("preferredPlayers", &P::preferredPlayers),
        field("ignoredPlayers", &P::ignoredPlayers),
        field("mpdServers", &P::mpdServers),
        field("mpdMusicFolder", &P::mpdMusicFolder),
        field("touchGestures", &P::touchGestures),
        field("reverseSwipes", &P::reverseSwipes),
        field("standbyScreenOff", &P::standbyScreenOff),
        field("remoteControl", &P::remoteControl),
        field("remotePort", &P::remotePort),
        field("remoteToken", &P::remoteToken),
    };
    return fields;
}

const PreferenceField* preferenceField(const QString& key)
{
    for (const PreferenceField& field : preferenceFields())
        if (field.key == key)
            return &field;
    return nullptr;
}

QString preferenceKey(PreferenceField::Member member)
{
    for (const PreferenceField& field : preferenceFields())
        if (field.member == member)
            return field.key;
    return {};
}

QVariant PreferenceField::value(const Preferences& preferences) const
{
    return std::visit(
        Overloaded{
            [&](ArtworkPositionMode Preferences::*m) { return QVariant(qint64(preferences.*m)); },
            [&](auto m) { return QVariant::fromValue(preferences.*m); },
        },
        member);
}

bool PreferenceField::setValue(Preferences& preferences, const QVariant& value) const
{
    return std::visit(Overloaded{
                          [&](bool Preferences::*m) {
                              if (!isNumber(value))
                                  return false;
                              preferences.*m = value.toBool();
                              return true;
                          },
                          [&](qint64 Preferences::*m) {
                              const std::optional<qint64> number = exactInteger(value);
                              if (number)
                                  preferences.*m = *number;
                              return number.has_value();
                          },
                          [&](QString Preferences::*m) {
                              if (!isString(value))
                                  return false;
                              preferences.*m = value.toString();
                              return true;
                          },
                          [&](ArtworkPositionMode Preferences::*m) {
                              const std::optional<ArtworkPositionMode> mode =
                                  artworkPositionModeFromRaw(exactInteger(value).value_or(0));
                              if (mode)
                                  preferences.*m = *mode;
                              return mode.has_value();
                          },
                          [&](QStringList Preferences::*m) {
                              const std::optional<QStringList> names = nameList(value);
                              if (names)
                                  preferences.*m = *names;
                              return names.has_value();
                          },
                      },
                      member);
}

Preferences readPreferences(const UserDefaults& defaults)
{
    Preferences preferences;
    for (const PreferenceField& field : preferenceFields()) {
        const bool stored = defaults.objectForKey(field.key).isValid();
        if (!stored && field.missing == PreferenceField::Missing::ReadsDefault)
            continue;
        std::visit(
            Overloaded{
                [&](bool Preferences::*m) { preferences.*m = defaults.boolForKey(field.key); },
                [&](qint64 Preferences::*m) { preferences.*m = defaults.integerForKey(field.key); },
                [&](QString Preferences::*m) {
                    // A font name that is missing, empty or not text (a list written by
                    // another program) is the default rather than no font at all.
                    const std::optional<QString> text = defaults.stringForKey(field.key);
                    if (text && !text->trimmed().isEmpty())
                        preferences.*m = *text;
                },
                [&](ArtworkPositionMode Preferences::*m) {
                    if (const auto mode = artworkPositionModeFromRaw(defaults.integerForKey(field.key)))
                        preferences.*m = *mode;
                },
                [&](QStringList Preferences::*m) {
                    preferences.*m = nameList(defaults.objectForKey(field.key)).value_or(QStringList());
                },
            },
            field.member);
    }
    return preferences;
}

void writePreferences(const Preferences& preferences, UserDefaults& defaults)
{
    for (const PreferenceField& field : preferenceFields()) {
        std::visit(Overloaded{
                       [&](bool Preferences::*m) { defaults.setBool(preferences.*m, field.key); },
                       [&](qint64 Preferences::*m) { defaults.setInteger(preferences.*m, field.key); },
                       [&](QString Preferences::*m) { defaults.setObject(preferences.*m, field.key); },
                       [&](ArtworkPositionMode Preferences::*m) {
                           defaults.setInteger(qint64(preferences.*m), field.key);
                       },
                       [&](QStringList Preferences::*m) {
                           // The file writes an empty list as "@Invalid()"; an empty text reads back as none.
                           const QStringList& names = preferences.*m;
                           defaults.setObject(names.isEmpty() ? QVariant(QString()) : QVariant(names),
                                              field.key);
                       },
                   },
                   field.member);
    }
}

QStringList changedKeys(const Preferences& before, const Preferences& after)
{
    QStringList keys;
    for (const PreferenceField& field : preferenceFields())
        if (field.value(before) != field.value(after))
            keys << field.key;
    return keys;
}

} // namespace sleevelight
