// The full refresh from the player, and the light one every second.

#include "app/appdelegate.h"

#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "player/titles.h"
#include "player/values.h"

namespace sleevelight {

namespace {

// A state the bridge gives that is no number, no whole number or outside 0-5 counts as not running.
PlayerState stateFrom(const QVariant& answer)
{
    const std::optional<qint64> raw = exactInteger(answer);
    return raw ? playerStateFromRaw(*raw).value_or(PlayerState::notRunning) : PlayerState::notRunning;
}

// What large type shows of a streaming service's or a browser's title: the title without the noise
// ("(Official Video)", "- Remastered 2009"), and the artist from "Artist - Title" when the player
// gave none. The player's own strings stay what the rating store keys on.
void cleanUpTitle(QVariant& name, QVariant& artist)
{
    if (name.typeId() != QMetaType::QString)
        return;
    QString title = titles::cleanTitle(name.toString());
    if (artist.toString().trimmed().isEmpty()) {
        if (const std::optional<titles::ArtistAndTitle> split = titles::splitArtistFromTitle(title)) {
            artist = split->artist;
            title = titles::cleanTitle(split->title);
        }
    }
    name = title;
}

} // namespace

void AppDelegate::updateTrackInfo()
{
    const PlayerState state = stateFrom(iTunesBridge->playerState());
    setPlayerState(state);
    if (state == PlayerState::notRunning && !startItunesWithApp())
        return;

    const std::optional<QVariantMap> info = iTunesBridge->trackInfo();
    if (!info) {
        if (state == PlayerState::stopped)
            colorTrackName();
        return;
    }
    QVariant name = stringFor(*info, BridgeKey::trackName);
    QVariant artist = stringFor(*info, BridgeKey::trackArtist);
    if (m_live.cleanUpTitles)
        cleanUpTitle(name, artist);
    if (prevTrackName.isValid() && !(name == prevTrackName))
        tellFeatures(&DisplayFeature::trackWillChange);
    setTrackName(name);
    setTrackAlbum(stringFor(*info, BridgeKey::trackAlbum));
    setTrackArtist(artist);
    setTrackYear(numberFor(*info, BridgeKey::trackYear));
    setTrackNumbers(stringFor(*info, BridgeKey::trackNumbers));
    setTrackDuration(stringFor(*info, BridgeKey::trackDuration));
    setTrackLoved(numberFor(*info, BridgeKey::trackLoved));
    setTrackRating(numberFor(*info, BridgeKey::trackRating));

    applyTrackProgress();

    // Only the name tells tracks apart; an absent name differs from an empty one.
    const bool isNewTrack = !(trackName() == prevTrackName);
    if (isNewTrack)
        m_codecInfoAwaited = false; // what was being read belongs to the track that went
    tellFeatures(&DisplayFeature::trackInfoUpdated, isNewTrack);

    getArtworkImage(isNewTrack);
    colorTrackName();
    changeArtworkPosition(isNewTrack);
    updateViewSizeAndConstraint();
    updateViewPosition();
    updateViewItems();
    prevTrackName = trackName();

    if (preventSleep() && playerState() == PlayerState::playing)
        setScreenSleep();
}

void AppDelegate::applyTrackProgress()
{
    const std::optional<QVariantMap> progress = iTunesBridge->trackProgress();
    if (!progress)
        return;
    setTrackProgress(numberFor(*progress, BridgeKey::trackProgressRatio));
    // A progress without its elapsed text keeps the text that stands.
    if (const QVariant elapsed = stringFor(*progress, BridgeKey::trackElapsed); elapsed.isValid())
        setTrackElapsed(elapsed.toString());
}

void AppDelegate::colorTrackName()
{
    const PlayerState state = playerState();
    const bool inactive = state == PlayerState::stopped || state == PlayerState::paused;
    const QColor color =
        inactive ? QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f) : QColor::fromRgbF(1.0f, 1.0f, 0.0f, 1.0f);
    for (TextField* field : {mTrackName.data(), mTrackName2.data(), mTrackName3.data()})
        if (field != nullptr)
            field->setTextColor(color);
    if (inactive)
        setVinylImage(Image());
}

void AppDelegate::updateTrackProgress()
{
    const PlayerState state = playerState();
    if (state == PlayerState::notRunning)
        return;
    if (isActive(state))
        applyTrackProgress();
    tellFeatures(&DisplayFeature::trackProgressUpdated);
    // Keeps the volume slider in step with changes made in the player.
    setSoundVolume(iTunesBridge->soundVolume());
}

} // namespace sleevelight
