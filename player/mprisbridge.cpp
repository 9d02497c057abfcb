#include "player/mprisbridge.h"

#include "platform/timers.h"
#include "player/bridgeregistry.h"
#include "player/decodedpictures.h"
#include "player/localreader.h"
#include "player/mprisnames.h"
#include "player/mprisplayer.h"
#include "player/mprisplayermanager.h"
#include "player/ratingstore.h"
#include "player/trackfiles.h"
#include "player/values.h"
#include "player/webfetches.h"

#include <QDBusMessage>
#include <QTimer>

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
    return mpris::isWebAddress(site) ? site : u"https://lrclib.net"_s;
}

} // namespace

MprisBridge::MprisBridge(const QDBusConnection& bus, QObject* parent)
    : iTunesBridgeProtocol(parent), m_bus(bus), m_store(std::make_unique<RatingStore>())
{
    m_players = new MprisPlayerManager(bus, this);
    m_web = new WebFetches(this);
    m_webLyrics = new WebFetches(this);
    m_webLyrics->setLimits({.maxBytes = maxLyricsAnswerBytes, .fetchTimeoutSeconds = lyricsWaitSeconds});
    m_lyricsSite = lyricsSite();
    m_reader = new LocalReader(this);
    m_notify = new QTimer(this);
    m_notify->setSingleShot(true);
    m_notify->setInterval(0);
    connect(m_notify, &QTimer::timeout, this, &iTunesBridgeProtocol::playerInfoChanged);

    connect(m_players, &MprisPlayerManager::followedChanged, this, &MprisBridge::followedChanged);
    connect(m_players, &MprisPlayerManager::followedPlayerChanged, this, &MprisBridge::scheduleNotify);
    connect(m_players, &MprisPlayerManager::followedPlayerSeeked, this, [this] {
        // While playing the progress timer follows the position; otherwise only a refresh shows a seek.
        if (MprisPlayer* player = m_players->followed(); player && !player->isPlaying())
            scheduleNotify();
        Q_EMIT positionJumped();
    });
    connect(m_web, &WebFetches::arrived, this, [this](const QString& address) {
        if (const MprisPlayer* player = track(); player && player->metadata().artUrl == address)
            scheduleNotify();
    });
    connect(m_webLyrics, &WebFetches::arrived, this, [this](const QString& address) {
        if (m_filesAsked && m_filesAsked->lyricsAddress == address)
            scheduleNotify();
    });
    connect(m_reader, &LocalReader::finished, this, &MprisBridge::filesRead);
    connect(m_players, &MprisPlayerManager::choiceLeft, this, [this] {
        const MprisPlayer* player = m_players->followed();
        Q_EMIT chosenPlayerLeft(player != nullptr ? player->identity() : QString());
    });
}

MprisBridge::~MprisBridge() = default;

void MprisBridge::registerAsApplicationBridge()
{
    BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName,
                                  [] { return std::make_unique<MprisBridge>(); });
    Image::setDecodedStore(std::make_shared<DecodedPictures>());
}

void MprisBridge::scheduleNotify()
{
    // Players often send several signals for one change; they are answered by one refresh.
    if (m_notify->isActive())
        return;
    files(); // a new track's files are asked for at once
    const qint64 waited = m_filesAskedAt.isValid() ? m_filesAskedAt.elapsed() : filesWaitMs;
    m_notify->start(m_filesPending && waited < filesWaitMs ? int(filesWaitMs - waited) : 0);
}

const TrackFiles* MprisBridge::files()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return nullptr;
    const mpris::TrackMetadata& metadata = player->metadata();
    // A web picture is fetched only when the disk has none kept from before (see filesRead).
    const std::optional<QByteArray> webPicture = m_web->fetched(metadata.artUrl);
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
        const bool toRead = !mpris::localPath(metadata.url).isEmpty() ||
                            !mpris::localPath(metadata.artUrl).isEmpty() ||
                            metadata.artUrl.startsWith("data:"_L1, Qt::CaseInsensitive) ||
                            mpris::isWebAddress(metadata.artUrl) || !metadata.lyricsText.isEmpty() ||
                            !lyricsAddress.isEmpty();
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

void MprisBridge::filesRead(quint64 ticket, const TrackFiles& files)
{
    if (ticket != m_filesTicket)
        return;
    m_filesPending = false;
    m_filesFor = m_filesAsked;
    m_files = std::make_unique<TrackFiles>(files);
    if (!files.artFound && m_filesFor && mpris::isWebAddress(m_filesFor->artUrl))
        m_web->bytes(m_filesFor->artUrl);
    if (files.lyricsToFetch && m_filesFor)
        m_webLyrics->bytes(m_filesFor->lyricsAddress);
    m_notify->start(0);
    if (std::exchange(m_codecInfoAwaited, false))
        Q_EMIT codecInfoRead();
}

void MprisBridge::followedChanged()
{
    if (MprisPlayer* player = m_players->followed()) {
        const QString name = mpris::startableName(player->busName());
        if (name != lastPlayerName()) {
            m_lastPlayerName = name;
            m_store->setValue(lastPlayerKey, name);
        }
    }
    scheduleNotify();
}

QString MprisBridge::lastPlayerName() const
{
    if (!m_lastPlayerNameRead) {
        m_lastPlayerName = m_store->value(lastPlayerKey);
        m_lastPlayerNameRead = true;
    }
    return m_lastPlayerName;
}

void MprisBridge::startLastPlayer()
{
    if (!m_players->isReady() || !m_players->players().isEmpty())
        return;
    if (m_lastStart.isValid() && m_lastStart.elapsed() < Timers::milliseconds(startRetrySeconds))
        return;
    const QString name = lastPlayerName();
    if (!name.startsWith(mpris::busNamePrefix))
        return;
    m_lastStart.start();
    QDBusMessage start = QDBusMessage::createMethodCall(mpris::busService, mpris::busPath,
                                                        mpris::busInterface, u"StartServiceByName"_s);
    start << name << 0u;
    // The player's arrival on the bus is what counts, not the bus's answer.
    m_bus.send(start);
}

MprisPlayer* MprisBridge::track() const
{
    MprisPlayer* player = m_players->followed();
    return player != nullptr && !player->metadata().isEmpty() ? player : nullptr;
}

QVariant MprisBridge::isRunning()
{
    return m_players->followed() != nullptr;
}

QVariant MprisBridge::playerState()
{
    const MprisPlayer* player = m_players->followed();
    if (player == nullptr)
        return 0;
    const QString status = player->playbackStatus();
    if (status == "Playing"_L1)
        return player->rate() < 0.0 ? 5 : 2;
    if (status == "Paused"_L1)
        return 3;
    if (status == "Stopped"_L1)
        return 1;
    // Followed, but it has not said yet what it does.
    return 0;
}

std::optional<QVariantMap> MprisBridge::trackInfo()
{
    if (m_players->followed() == nullptr)
        startLastPlayer();
    const MprisPlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    mpris::TrackMetadata metadata = player->metadata();
    addNumbersFromFile(metadata);
    QVariantMap info;
    if (const std::optional<QString> name = metadata.displayName())
        info.insert(BridgeKey::trackName, *name);
    if (metadata.album)
        info.insert(BridgeKey::trackAlbum, *metadata.album);
    if (metadata.artist)
        info.insert(BridgeKey::trackArtist, *metadata.artist);
    if (const QString numbers = mpris::trackNumbersText(metadata.trackNumber, metadata.discNumber);
        !numbers.isEmpty())
        info.insert(BridgeKey::trackNumbers, numbers);
    if (metadata.lengthUs)
        info.insert(BridgeKey::trackDuration, mpris::formatTime(*metadata.lengthUs));
    if (metadata.year)
        info.insert(BridgeKey::trackYear, *metadata.year);
    info.insert(BridgeKey::trackLoved, iTrackLoved());
    info.insert(BridgeKey::trackRating, iTrackRating());
    return info;
}

// Some players (mpv among them) leave out the track and disc numbers and the year, but name the
// file they play, whose tags have them. What the player does say is kept.
void MprisBridge::addNumbersFromFile(mpris::TrackMetadata& metadata)
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

std::optional<QVariantMap> MprisBridge::trackProgress()
{
    MprisPlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    const qint64 position = player->position();
    QVariantMap progress{{BridgeKey::trackElapsed, mpris::formatTime(position)}};
    if (const std::optional<qint64> length = player->metadata().lengthUs)
        progress.insert(BridgeKey::trackProgressRatio,
                        std::clamp(double(position) / double(*length), 0.0, 1.0));
    return progress;
}

std::optional<QList<QByteArray>> MprisBridge::artworkImages()
{
    const TrackFiles* read = files();
    if (read == nullptr || read->pictures.isEmpty())
        return std::nullopt;
    return read->pictures;
}

QImage MprisBridge::artworkPreview(qsizetype index)
{
    const TrackFiles* read = files();
    return read == nullptr ? QImage() : read->previews.value(index);
}

lyrics::Lyrics MprisBridge::trackLyrics()
{
    const TrackFiles* read = files();
    return read == nullptr ? lyrics::Lyrics() : read->lyrics;
}

std::optional<qint64> MprisBridge::trackPositionMs()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return std::nullopt;
    return player->extrapolatedPosition() / 1000;
}

qint64 MprisBridge::lyricsShiftMs()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return 0;
    bool ok = false;
    const qint64 ms = m_store->value(lyricsShiftKey + player->metadata().storeKey()).toLongLong(&ok);
    return ok ? ms : 0;
}

void MprisBridge::setLyricsFromWeb(bool allowed)
{
    if (std::exchange(m_lyricsFromWeb, allowed) != allowed)
        scheduleNotify();
}

void MprisBridge::setLyricsShiftMs(qint64 ms)
{
    if (const MprisPlayer* player = track(); player != nullptr && !player->metadata().storeKey().isEmpty())
        m_store->setValue(lyricsShiftKey + player->metadata().storeKey(), QString::number(ms));
}

QVariant MprisBridge::soundVolume()
{
    const MprisPlayer* player = m_players->followed();
    if (player == nullptr || !player->volume())
        return {};
    return qRound(*player->volume() * 100.0);
}

void MprisBridge::setSoundVolume(const QVariant& volume)
{
    MprisPlayer* player = m_players->followed();
    const std::optional<double> percent = finiteNumber(volume);
    if (player == nullptr || !percent || *percent < 0.0)
        return;
    // The display writes back every second what it just read; only a real change goes to the
    // player, or a stale value could undo a change the user just made there.
    if (player->volume() && qRound(*player->volume() * 100.0) == qRound(*percent))
        return;
    player->setVolume(*percent / 100.0);
}

QVariant MprisBridge::iTrackLoved()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return 0;
    return m_store->entry(player->metadata().storeKey()).loved.value_or(false) ? 1 : 0;
}

void MprisBridge::setITrackLoved(const QVariant& loved)
{
    const MprisPlayer* player = track();
    const std::optional<double> value = finiteNumber(loved);
    if (player == nullptr || !value)
        return;
    m_store->setLoved(player->metadata().storeKey(), *value != 0.0);
    scheduleNotify();
}

QVariant MprisBridge::iTrackRating()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return 0;
    const mpris::TrackMetadata& metadata = player->metadata();
    if (const std::optional<int> stored = m_store->entry(metadata.storeKey()).rating)
        return *stored;
    return metadata.userRating ? qRound(*metadata.userRating * 100.0) : 0;
}

void MprisBridge::setITrackRating(const QVariant& rating)
{
    MprisPlayer* player = track();
    const std::optional<double> value = finiteNumber(rating);
    if (player == nullptr || !value)
        return;
    const int percent = std::clamp(qRound(*value), 0, 100);
    const mpris::TrackMetadata& metadata = player->metadata();
    m_store->setRating(metadata.storeKey(), percent);

    // Players that publish a way to rate get the rating too.
    if (player->publishes(u"Rating"_s))
        player->setPlayerProperty(u"Rating"_s, percent / 100.0);
    const QString name = mpris::startableName(player->busName());
    if (name == mpris::rhythmboxBusName && !metadata.url.isEmpty()) {
        const QVariantMap properties{{u"rating"_s, percent / 20.0}};
        player->sendToOwner(mpris::rhythmboxDbPath, mpris::rhythmboxDbInterface, u"SetEntryProperties"_s,
                            {metadata.url, properties});
    }
    scheduleNotify();
}

QVariant MprisBridge::iCodecInfo()
{
    const MprisPlayer* player = track();
    if (player == nullptr)
        return {};
    const mpris::TrackMetadata& metadata = player->metadata();
    const TrackFiles* read = files();
    QString text = read != nullptr ? read->codecInfo : QString();
    if (text.isEmpty() && !metadata.encodingText.isEmpty())
        text =
            metadata.url.isEmpty() ? metadata.encodingText : metadata.encodingText + u", "_s + metadata.url;
    if (text.isEmpty())
        text = metadata.url.left(mpris::maxTextLength);
    return text.isEmpty() ? QVariant() : QVariant(text);
}

bool MprisBridge::isReadingCodecInfo()
{
    m_codecInfoAwaited = track() != nullptr && files() == nullptr;
    return m_codecInfoAwaited;
}

QString MprisBridge::followNextPlayer()
{
    const MprisPlayer* player = m_players->followNext();
    return player != nullptr ? player->identity() : QString();
}

QStringList MprisBridge::playerNames()
{
    QStringList names;
    for (const MprisPlayer* player : m_players->present())
        names << player->identity();
    return names;
}

void MprisBridge::setPlayerRules(const QStringList& preferred, const QStringList& ignored)
{
    m_players->setRules(preferred, ignored);
}

void MprisBridge::playPause()
{
    if (MprisPlayer* player = m_players->followed())
        player->playPause();
}

void MprisBridge::gotoPreviousTrack()
{
    if (MprisPlayer* player = m_players->followed())
        player->previous();
}

void MprisBridge::gotoNextTrack()
{
    if (MprisPlayer* player = m_players->followed())
        player->next();
}

} // namespace sleevelight
