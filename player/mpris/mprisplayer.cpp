#include "player/mpris/mprisplayer.h"

#include "platform/timers.h"
#include "player/mpris/mprismetadata.h"
#include "player/mpris/mprisnames.h"
#include "player/mpris/mprisplayerproxy.h"
#include "player/mpris/mprispropertiesproxy.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {
const QString playbackStatusKey = u"PlaybackStatus"_s;
const QString metadataKey = u"Metadata"_s;
const QString rateKey = u"Rate"_s;
const QString volumeKey = u"Volume"_s;
const QString positionKey = u"Position"_s;

} // namespace

MprisPlayer::MprisPlayer(const QDBusConnection& bus, const QString& busLabel, const QString& busName,
                         const QString& owner, QObject* parent)
    : SourcePlayer(parent), m_bus(bus), m_busLabel(busLabel), m_busName(busName), m_owner(owner)
{
    setNames({mpris::startableName(busName).mid(mpris::busNamePrefix.size())});
    m_properties = new OrgFreedesktopDBusPropertiesInterface(owner, mpris::objectPath, bus, this);
    m_player = new OrgMprisMediaPlayer2PlayerInterface(owner, mpris::objectPath, bus, this);
    m_properties->setTimeout(mpris::callTimeoutMs);
    m_player->setTimeout(mpris::callTimeoutMs);
    connect(m_properties, &OrgFreedesktopDBusPropertiesInterface::PropertiesChanged, this,
            &MprisPlayer::onPropertiesChanged);
    connect(m_player, &OrgMprisMediaPlayer2PlayerInterface::Seeked, this, [this](qlonglong position) {
        m_positionReported = true;
        anchorPosition(position);
        Q_EMIT seeked();
    });
    load();
}

MprisPlayer::~MprisPlayer() = default;

QString MprisPlayer::identity() const
{
    return m_identity.isEmpty() ? names().constLast() : m_identity;
}

bool MprisPlayer::isMirror() const
{
    return m_busName == mpris::playerctldBusName;
}

QString MprisPlayer::startName() const
{
    // Services of the system bus are the system's to start.
    return m_busLabel.isEmpty() ? mpris::startableName(m_busName) : QString();
}

void MprisPlayer::load()
{
    // The player's name for people, asked once and never waited for.
    auto* root = new QDBusPendingCallWatcher(m_properties->GetAll(mpris::rootInterface), this);
    connect(root, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QVariantMap> reply = *call;
        if (reply.isError())
            return;
        const QVariant identity = mpris::plainValue(reply.value().value(u"Identity"_s));
        const QVariant entry = mpris::plainValue(reply.value().value(u"DesktopEntry"_s));
        if (identity.typeId() == QMetaType::QString)
            m_identity = identity.toString().simplified().left(maxTrackTextLength);
        const QString desktopEntry = entry.typeId() == QMetaType::QString
                                         ? entry.toString().simplified().left(maxTrackTextLength)
                                         : QString();
        QStringList names = this->names();
        for (const QString& name : {m_identity, desktopEntry})
            if (!name.isEmpty())
                names.prepend(name);
        setNames(names);
        Q_EMIT identified();
        // Players that offer their queue tell what comes next.
        if (const QVariant trackList = mpris::plainValue(reply.value().value(u"HasTrackList"_s));
            trackList.typeId() == QMetaType::Bool && trackList.toBool()) {
            m_hasTrackList = true;
            for (const char* signal :
                 {"TrackListReplaced", "TrackAdded", "TrackRemoved", "TrackMetadataChanged"})
                m_bus.connect(m_owner, mpris::objectPath, mpris::trackListInterface,
                              QString::fromLatin1(signal), this, SLOT(askNextTrack()));
            askNextTrack();
        }
    });

    auto* watcher = new QDBusPendingCallWatcher(m_properties->GetAll(mpris::playerInterface), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QVariantMap> reply = *call;
        const bool first = !isLoaded();
        setLoaded();
        if (!reply.isError())
            applyProperties(reply.value());
        // A player that answered with an error is still followed; it simply says nothing yet.
        if (first)
            Q_EMIT changed();
    });
}

void MprisPlayer::onPropertiesChanged(const QString& interface, const QVariantMap& changedProperties,
                                      const QStringList& invalidated)
{
    if (interface == mpris::trackListInterface) {
        askNextTrack();
        return;
    }
    if (interface != mpris::playerInterface)
        return;
    applyProperties(changedProperties);
    for (const QString& name : invalidated.mid(0, 32))
        fetchProperty(name);
}

void MprisPlayer::fetchProperty(const QString& name)
{
    auto* watcher = new QDBusPendingCallWatcher(m_properties->Get(mpris::playerInterface, name), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, name](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *call;
        if (!reply.isError())
            applyProperties({{name, reply.value().variant()}});
    });
}

void MprisPlayer::applyProperties(const QVariantMap& properties)
{
    bool anyChange = false;
    bool statusMoved = false;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        const QString& key = it.key();
        m_published.insert(key);
        const QVariant value = mpris::plainValue(it.value());
        if (key == playbackStatusKey) {
            const QString text = value.toString();
            if (text.isEmpty())
                continue;
            // A state outside the MPRIS set ("Stoped" has been seen) counts as stopped: the track
            // is still shown.
            const PlaybackStatus status = text == "Playing"_L1  ? PlaybackStatus::Playing
                                          : text == "Paused"_L1 ? PlaybackStatus::Paused
                                                                : PlaybackStatus::Stopped;
            if (!applyStatus(status))
                continue;
            statusMoved = anyChange = true;
            m_lastPoll.invalidate();
        } else if (key == rateKey) {
            const std::optional<double> rate = mpris::numberFrom(value);
            if (!rate || !applyRate(*rate))
                continue;
            anyChange = true;
        } else if (key == metadataKey) {
            const Track metadata = mpris::parseMetadata(value.toMap());
            const bool newTrack = !isSameTrack(metadata, track());
            if (!applyTrack(metadata))
                continue;
            if (newTrack) {
                m_positionReported = false;
                m_lastPoll.invalidate();
                askNextTrack();
            }
            anyChange = true;
        } else if (key == volumeKey) {
            if (const std::optional<double> volume = mpris::numberFrom(value); volume && *volume >= 0.0)
                applyVolume(*volume);
        }
    }
    // Read after the state and the track, so that a Position sent beside them is kept.
    if (const auto position = properties.constFind(positionKey); position != properties.cend())
        if (const std::optional<double> us = mpris::numberFrom(*position)) {
            m_positionReported = m_positionReported || *us > 0.0;
            anchorPosition(static_cast<qint64>(*us));
        }
    if (statusMoved)
        Q_EMIT statusChanged();
    if (anyChange)
        Q_EMIT changed();
}

void MprisPlayer::askPosition()
{
    if (m_pollInFlight || (m_lastPoll.isValid() && m_lastPoll.elapsed() < Timers::milliseconds(1.0)))
        return;
    m_pollInFlight = true;
    m_lastPoll.start();
    auto* watcher = new QDBusPendingCallWatcher(m_properties->Get(mpris::playerInterface, positionKey), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        m_pollInFlight = false;
        QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError())
            return;
        const std::optional<double> us = mpris::numberFrom(reply.value().variant());
        if (!us)
            return;
        // Some players never report a position and answer 0 throughout; the clock then runs on.
        if (*us == 0.0 && isPlaying() && !m_positionReported)
            return;
        m_positionReported = m_positionReported || *us > 0.0;
        anchorPosition(static_cast<qint64>(*us));
    });
}

void MprisPlayer::askNextTrack()
{
    if (!m_hasTrackList)
        return;
    if (m_nextAsked) {
        m_nextAgain = true;
        return;
    }
    m_nextAsked = true;
    auto* tracks =
        new QDBusPendingCallWatcher(m_properties->Get(mpris::trackListInterface, u"Tracks"_s), this);
    connect(tracks, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *call;
        QList<QDBusObjectPath> ids;
        if (!reply.isError()) {
            const QVariant value = reply.value().variant();
            if (value.userType() == qMetaTypeId<QDBusArgument>() &&
                value.value<QDBusArgument>().currentSignature() == "ao"_L1)
                value.value<QDBusArgument>() >> ids;
            else
                ids = value.value<QList<QDBusObjectPath>>();
        }
        const auto current = std::find_if(
            ids.cbegin(), ids.cend(), [this](const QDBusObjectPath& id) { return id.path() == track().id; });
        if (current == ids.cend() || current + 1 == ids.cend()) {
            nextTrackKnown(std::nullopt);
            return;
        }
        QDBusMessage ask = QDBusMessage::createMethodCall(m_owner, mpris::objectPath,
                                                          mpris::trackListInterface, u"GetTracksMetadata"_s);
        ask << QVariant::fromValue(QList<QDBusObjectPath>{*(current + 1)});
        auto* metadata = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, mpris::callTimeoutMs), this);
        connect(metadata, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
            answer->deleteLater();
            const QVariant first = answer->reply().arguments().value(0);
            QList<QVariantMap> tracks;
            if (first.userType() == qMetaTypeId<QDBusArgument>() &&
                first.value<QDBusArgument>().currentSignature() == "aa{sv}"_L1)
                first.value<QDBusArgument>() >> tracks;
            const Track next = tracks.isEmpty() ? Track() : mpris::parseMetadata(tracks.constFirst());
            nextTrackKnown(next.isEmpty() ? std::nullopt : std::optional<Track>(next));
        });
    });
}

void MprisPlayer::nextTrackKnown(const std::optional<Track>& next)
{
    m_nextAsked = false;
    if (applyNextTrack(next))
        Q_EMIT changed();
    if (std::exchange(m_nextAgain, false))
        askNextTrack();
}

void MprisPlayer::playPause()
{
    m_player->PlayPause();
}

void MprisPlayer::previous()
{
    m_player->Previous();
}

void MprisPlayer::next()
{
    m_player->Next();
}

void MprisPlayer::seek(qint64 positionUs)
{
    positionUs = std::max<qint64>(0, positionUs);
    // The track id makes a player ignore a seek meant for the track before; a player that gives
    // none is moved by the distance instead.
    if (track().id.startsWith(u'/'))
        m_player->SetPosition(QDBusObjectPath(track().id), positionUs);
    else
        m_player->Seek(positionUs - extrapolatedPosition());
    anchorPosition(positionUs);
}

void MprisPlayer::setRating(int percent)
{
    if (publishes(u"Rating"_s))
        setPlayerProperty(u"Rating"_s, percent / 100.0);
    if (startName() == mpris::rhythmboxBusName && !track().url.isEmpty()) {
        const QVariantMap properties{{u"rating"_s, percent / 20.0}};
        sendToOwner(mpris::rhythmboxDbPath, mpris::rhythmboxDbInterface, u"SetEntryProperties"_s,
                    {track().url, properties});
    }
}

void MprisPlayer::setVolume(double volume)
{
    applyVolume(volume);
    setPlayerProperty(volumeKey, volume);
}

void MprisPlayer::setPlayerProperty(const QString& name, const QVariant& value)
{
    m_properties->Set(mpris::playerInterface, name, QDBusVariant(value));
}

void MprisPlayer::sendToOwner(const QString& path, const QString& interface, const QString& method,
                              const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_owner, path, interface, method);
    message.setArguments(arguments);
    m_bus.send(message);
}

} // namespace sleevelight
