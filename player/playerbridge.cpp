#include "player/playerbridge.h"

#include "platform/timers.h"
#include "player/bridgeregistry.h"
#include "player/media/decodedpictures.h"
#include "player/media/localreader.h"
#include "player/media/trackfiles.h"
#include "player/media/webfetches.h"
#include "player/playerchoice.h"
#include "player/playersource.h"
#include "player/ratingkeeper.h"
#include "player/sources.h"
#include "player/values.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

const QString lastPlayerKey = u"lastPlayer"_s;
// A track's lyrics shift is kept beside the program's own values, by the track's address.
const QString lyricsShiftKey = u"lyricsShift "_s;
// Asking the bus to start a player again and again would only repeat its refusal.
constexpr double startRetrySeconds = 10.0;
// A new track's files are mostly read within milliseconds: its first refresh waits for them this
// long at most, so that the numbers and the artwork come with the name, not just after it.
constexpr qint64 filesWaitMs = 100;

// The lyrics service: an answer is small, and a track without lyrics is better than a long wait.
constexpr qint64 maxLyricsAnswerBytes = 1024 * 1024;
constexpr double lyricsWaitSeconds = 8.0;

QString lyricsSite()
{
    const QString site = qEnvironmentVariable("SLEEVELIGHT_LYRICS_SITE");
    return isWebAddress(site) ? site : u"https://lrclib.net"_s;
}

} // namespace

PlayerBridge::PlayerBridge(QObject* parent)
    : iTunesBridgeProtocol(parent), m_store(new RatingKeeper(RatingStore::defaultPath(), this))
{
    m_players = new PlayerChoice(this);
    m_web = new WebFetches(this);
    m_webLyrics = new WebFetches(this);
    m_webLyrics->setLimits({.maxBytes = maxLyricsAnswerBytes, .fetchTimeoutSeconds = lyricsWaitSeconds});
    m_lyricsSite = lyricsSite();
    m_reader = new LocalReader(this);
    m_notify = new QTimer(this);
    m_notify->setSingleShot(true);
    m_notify->setInterval(0);
    connect(m_notify, &QTimer::timeout, this, &iTunesBridgeProtocol::playerInfoChanged);

    connect(m_players, &PlayerChoice::followedChanged, this, &PlayerBridge::followedChanged);
    connect(m_players, &PlayerChoice::followedPlayerChanged, this, &PlayerBridge::scheduleNotify);
    connect(m_players, &PlayerChoice::followedPlayerSeeked, this, [this] {
        // While playing the progress timer follows the position; otherwise only a refresh shows a seek.
        if (SourcePlayer* player = m_players->followed(); player && !player->isPlaying())
            scheduleNotify();
        Q_EMIT positionJumped();
    });
    connect(m_web, &WebFetches::arrived, this, [this](const QString& address) {
        if (const SourcePlayer* player = track(); player && player->track().artUrl == address)
            scheduleNotify();
    });
    connect(m_webLyrics, &WebFetches::arrived, this, [this](const QString& address) {
        if (m_filesAsked && m_filesAsked->lyricsAddress == address)
            scheduleNotify();
    });
    connect(m_reader, &LocalReader::finished, this, &PlayerBridge::filesRead);
    // What the store says of the track shown, or of the player to start, comes a moment later.
    connect(m_store, &RatingKeeper::known, this, [this](const QString& key) {
        const SourcePlayer* player = track();
        const QString shown = player != nullptr ? player->track().storeKey() : QString();
        if (key == lastPlayerKey || (!shown.isEmpty() && (key == shown || key == lyricsShiftKey + shown)))
            scheduleNotify();
    });
    connect(m_players, &PlayerChoice::choiceLeft, this, [this] {
        const SourcePlayer* player = m_players->followed();
        Q_EMIT chosenPlayerLeft(player != nullptr ? player->identity() : QString());
    });
}

PlayerBridge::~PlayerBridge() = default;

void PlayerBridge::registerAsApplicationBridge()
{
    BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName, [] {
        auto bridge = std::make_unique<PlayerBridge>();
        for (PlayerSource* source : applicationSources())
            bridge->addSource(source);
        return bridge;
    });
    Image::setDecodedStore(std::make_shared<DecodedPictures>());
}

void PlayerBridge::addSource(PlayerSource* source)
{
    source->setParent(this);
    m_sources << source;
    m_players->addSource(source);
}

void PlayerBridge::scheduleNotify()
{
    // Players often send several signals for one change; they are answered by one refresh.
    if (m_notify->isActive())
        return;
    files(); // a new track's files are asked for at once
    const qint64 waited = m_filesAskedAt.isValid() ? m_filesAskedAt.elapsed() : filesWaitMs;
    m_notify->start(m_filesPending && waited < filesWaitMs ? int(filesWaitMs - waited) : 0);
}

const TrackFiles* PlayerBridge::files()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return nullptr;
    const Track& metadata = player->track();
    // A web picture is fetched only when the disk has none kept from before (see filesRead); a
    // source that reads pictures itself hands them over.
    const std::optional<QByteArray> webPicture =
        isWebAddress(metadata.artUrl) ? m_web->fetched(metadata.artUrl) : player->picture();
    // The web is asked for lyrics only when allowed, and only for tracks with none of their own
    // (see filesRead); it is sent the artist, title, album and length.
    const QString lyricsAddress =
        m_lyricsFromWeb ? lyrics::serviceAddress(m_lyricsSite, metadata.title.value_or(QString()),
                                                 metadata.artist.value_or(QString()),
                                                 metadata.album.value_or(QString()), metadata.lengthUs)
                        : QString();
    const std::optional<QByteArray> webLyrics = m_webLyrics->fetched(lyricsAddress);
    const FilesKey key{metadata.url,        metadata.artUrl, webPicture.has_value(),
                       metadata.lyricsText, lyricsAddress,   webLyrics.has_value()};
    if (key != m_filesAsked) {
        m_filesAsked = key;
        m_codecInfoAwaited = false; // it was asked of another track
        const bool toRead = !localPath(metadata.url).isEmpty() || !metadata.artUrl.isEmpty() ||
                            !metadata.lyricsText.isEmpty() || !lyricsAddress.isEmpty();
        if (toRead) {
            m_filesTicket =
                m_reader->read({metadata.url, metadata.artUrl, webPicture.value_or(QByteArray()),
                                metadata.lyricsText, lyricsAddress, webLyrics.value_or(QByteArray())});
            m_filesPending = true;
            m_filesAskedAt.start();
        } else {
            // Nothing to read: a stream without a picture.
            ++m_filesTicket;
            m_filesPending = false;
            m_filesFor = key;
            m_files = std::make_unique<TrackFiles>();
        }
    }
    // While a track's files are read again (its art changed, its web picture arrived), what was
    // read before for the same track stands.
    if (m_files && m_filesFor && (*m_filesFor == key || m_filesFor->trackUrl == key.trackUrl))
        return m_files.get();
    return nullptr;
}

void PlayerBridge::filesRead(quint64 ticket, const TrackFiles& files)
{
    if (ticket != m_filesTicket)
        return;
    m_filesPending = false;
    m_filesFor = m_filesAsked;
    m_files = std::make_unique<TrackFiles>(files);
    if (!files.artFound && m_filesFor && isWebAddress(m_filesFor->artUrl))
        m_web->bytes(m_filesFor->artUrl);
    if (files.lyricsToFetch && m_filesFor)
        m_webLyrics->bytes(m_filesFor->lyricsAddress);
    m_notify->start(0);
    if (std::exchange(m_codecInfoAwaited, false))
        Q_EMIT codecInfoRead();
}

void PlayerBridge::followedChanged()
{
    if (SourcePlayer* player = m_players->followed()) {
        const QString name = player->startName();
        if (!name.isEmpty() && name != lastPlayerName())
            m_store->setValue(lastPlayerKey, name);
    }
    scheduleNotify();
}

QString PlayerBridge::lastPlayerName() const
{
    return m_store->value(lastPlayerKey).value_or(QString());
}

void PlayerBridge::startLastPlayer()
{
    if (!m_players->isReady() || !m_players->players().isEmpty())
        return;
    if (m_lastStart.isValid() && m_lastStart.elapsed() < Timers::milliseconds(startRetrySeconds))
        return;
    const QString name = lastPlayerName();
    if (name.isEmpty())
        return;
    const QList<PlayerSource*> sources = findChildren<PlayerSource*>(Qt::FindDirectChildrenOnly);
    if (std::any_of(sources.cbegin(), sources.cend(),
                    [&](PlayerSource* source) { return source->startPlayer(name); }))
        m_lastStart.start();
}

SourcePlayer* PlayerBridge::track() const
{
    SourcePlayer* player = m_players->followed();
    return player != nullptr && !player->track().isEmpty() ? player : nullptr;
}

QVariant PlayerBridge::isRunning()
{
    return m_players->followed() != nullptr;
}

QVariant PlayerBridge::playerState()
{
    const SourcePlayer* player = m_players->followed();
    if (player == nullptr)
        return 0;
    switch (player->status()) {
    case PlaybackStatus::Playing:
        return player->rate() < 0.0 ? 5 : 2;
    case PlaybackStatus::Paused:
        return 3;
    case PlaybackStatus::Stopped:
        return 1;
    case PlaybackStatus::Unknown:
        break;
    }
    // Followed, but it has not said yet what it does.
    return 0;
}

std::optional<QVariantMap> PlayerBridge::trackInfo()
{
    if (m_players->followed() == nullptr)
        startLastPlayer();
    const SourcePlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    Track metadata = player->track();
    addNumbersFromFile(metadata);
    QVariantMap info;
    if (const std::optional<QString> name = metadata.displayName())
        info.insert(BridgeKey::trackName, *name);
    if (metadata.album)
        info.insert(BridgeKey::trackAlbum, *metadata.album);
    if (metadata.artist)
        info.insert(BridgeKey::trackArtist, *metadata.artist);
    if (const QString numbers = trackNumbersText(metadata.trackNumber, metadata.discNumber);
        !numbers.isEmpty())
        info.insert(BridgeKey::trackNumbers, numbers);
    if (metadata.lengthUs)
        info.insert(BridgeKey::trackDuration, formatTime(*metadata.lengthUs));
    if (metadata.year)
        info.insert(BridgeKey::trackYear, *metadata.year);
    info.insert(BridgeKey::trackLoved, iTrackLoved());
    info.insert(BridgeKey::trackRating, iTrackRating());
    return info;
}

// Some players (mpv among them) leave out the track and disc numbers and the year, but name the
// file they play, whose tags have them. What the player does say is kept.
void PlayerBridge::addNumbersFromFile(Track& metadata)
{
    if (metadata.trackNumber && metadata.discNumber && metadata.year)
        return;
    const TrackFiles* read = files();
    if (read == nullptr)
        return;
    if (!metadata.trackNumber)
        metadata.trackNumber = read->numbers.trackNumber;
    if (!metadata.discNumber)
        metadata.discNumber = read->numbers.discNumber;
    if (!metadata.year)
        metadata.year = read->numbers.year;
}

std::optional<QVariantMap> PlayerBridge::trackProgress()
{
    SourcePlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    const qint64 position = player->position();
    QVariantMap progress{{BridgeKey::trackElapsed, formatTime(position)}};
    if (const std::optional<qint64> length = player->track().lengthUs)
        progress.insert(BridgeKey::trackProgressRatio,
                        std::clamp(double(position) / double(*length), 0.0, 1.0));
    return progress;
}

std::optional<QList<QByteArray>> PlayerBridge::artworkImages()
{
    const TrackFiles* read = files();
    if (read == nullptr || read->pictures.isEmpty())
        return std::nullopt;
    return read->pictures;
}

QImage PlayerBridge::artworkPreview(qsizetype index)
{
    const TrackFiles* read = files();
    return read == nullptr ? QImage() : read->previews.value(index);
}

std::optional<QVariantMap> PlayerBridge::nextTrackInfo()
{
    const SourcePlayer* player = track();
    if (player == nullptr || !player->nextTrack())
        return std::nullopt;
    const Track& next = *player->nextTrack();
    QVariantMap info;
    if (const std::optional<QString> name = next.displayName())
        info.insert(BridgeKey::trackName, *name);
    if (next.artist)
        info.insert(BridgeKey::trackArtist, *next.artist);
    return info;
}

lyrics::Lyrics PlayerBridge::trackLyrics()
{
    const TrackFiles* read = files();
    return read == nullptr ? lyrics::Lyrics() : read->lyrics;
}

std::optional<qint64> PlayerBridge::trackPositionMs()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    return player->extrapolatedPosition() / 1000;
}

qint64 PlayerBridge::lyricsShiftMs()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return 0;
    bool ok = false;
    const qint64 ms =
        m_store->value(lyricsShiftKey + player->track().storeKey()).value_or(QString()).toLongLong(&ok);
    return ok ? ms : 0;
}

void PlayerBridge::setLyricsFromWeb(bool allowed)
{
    if (std::exchange(m_lyricsFromWeb, allowed) != allowed)
        scheduleNotify();
}

void PlayerBridge::setLyricsShiftMs(qint64 ms)
{
    if (const SourcePlayer* player = track(); player != nullptr && !player->track().storeKey().isEmpty())
        m_store->setValue(lyricsShiftKey + player->track().storeKey(), QString::number(ms));
}

QVariant PlayerBridge::soundVolume()
{
    const SourcePlayer* player = m_players->followed();
    if (player == nullptr || !player->volume())
        return {};
    return qRound(*player->volume() * 100.0);
}

void PlayerBridge::setSoundVolume(const QVariant& volume)
{
    SourcePlayer* player = m_players->followed();
    const std::optional<double> percent = finiteNumber(volume);
    if (player == nullptr || !percent || *percent < 0.0)
        return;
    // The display writes back every second what it just read; only a real change goes to the
    // player, or a stale value could undo a change the user just made there.
    if (player->volume() && qRound(*player->volume() * 100.0) == qRound(*percent))
        return;
    player->setVolume(*percent / 100.0);
}

QVariant PlayerBridge::iTrackLoved()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return 0;
    std::optional<bool> loved = player->track().loved;
    if (!player->keepsRatings()) {
        const std::optional<RatingStore::Entry> kept = m_store->entry(player->track().storeKey());
        loved = kept ? kept->loved : std::nullopt;
    }
    return loved.value_or(false) ? 1 : 0;
}

void PlayerBridge::setITrackLoved(const QVariant& loved)
{
    SourcePlayer* player = track();
    const std::optional<double> value = finiteNumber(loved);
    if (player == nullptr || !value)
        return;
    if (!player->keepsRatings())
        m_store->setLoved(player->track().storeKey(), *value != 0.0);
    player->setLoved(*value != 0.0);
    scheduleNotify();
}

QVariant PlayerBridge::iTrackRating()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return 0;
    const Track& metadata = player->track();
    if (!player->keepsRatings())
        if (const std::optional<RatingStore::Entry> kept = m_store->entry(metadata.storeKey());
            kept && kept->rating)
            return *kept->rating;
    return metadata.rating ? qRound(*metadata.rating * 100.0) : 0;
}

void PlayerBridge::setITrackRating(const QVariant& rating)
{
    SourcePlayer* player = track();
    const std::optional<double> value = finiteNumber(rating);
    if (player == nullptr || !value)
        return;
    const int percent = std::clamp(qRound(*value), 0, 100);
    // The store keeps what a player cannot; players that take a rating get it too.
    if (!player->keepsRatings())
        m_store->setRating(player->track().storeKey(), percent);
    player->setRating(percent);
    scheduleNotify();
}

QVariant PlayerBridge::iCodecInfo()
{
    const SourcePlayer* player = track();
    if (player == nullptr)
        return {};
    const Track& metadata = player->track();
    const TrackFiles* read = files();
    QString text = read != nullptr ? read->codecInfo : QString();
    if (text.isEmpty() && !metadata.encodingText.isEmpty())
        text =
            metadata.url.isEmpty() ? metadata.encodingText : metadata.encodingText + u", "_s + metadata.url;
    if (text.isEmpty())
        text = metadata.url.left(maxTrackTextLength);
    return text.isEmpty() ? QVariant() : QVariant(text);
}

bool PlayerBridge::isReadingCodecInfo()
{
    m_codecInfoAwaited = track() != nullptr && files() == nullptr;
    return m_codecInfoAwaited;
}

QString PlayerBridge::followNextPlayer()
{
    const SourcePlayer* player = m_players->followNext();
    return player != nullptr ? player->identity() : QString();
}

QString PlayerBridge::followPlayer(const QString& name)
{
    const SourcePlayer* player = m_players->follow(name);
    return player != nullptr ? player->identity() : followedPlayerName();
}

QString PlayerBridge::followedPlayerName()
{
    const SourcePlayer* player = m_players->followed();
    return player != nullptr ? player->identity() : QString();
}

QStringList PlayerBridge::playerNames()
{
    QStringList names;
    for (const SourcePlayer* player : m_players->present())
        names << player->identity();
    return names;
}

void PlayerBridge::setPlayerRules(const QStringList& preferred, const QStringList& ignored)
{
    m_players->setRules(preferred, ignored);
}

void PlayerBridge::setMusicServers(const QStringList& servers, const QString& musicFolder)
{
    for (PlayerSource* source : std::as_const(m_sources))
        source->applySettings({servers, musicFolder});
}

void PlayerBridge::playPause()
{
    if (SourcePlayer* player = m_players->followed())
        player->playPause();
}

void PlayerBridge::gotoPreviousTrack()
{
    if (SourcePlayer* player = m_players->followed())
        player->previous();
}

void PlayerBridge::gotoNextTrack()
{
    if (SourcePlayer* player = m_players->followed())
        player->next();
}

} // namespace sleevelight
