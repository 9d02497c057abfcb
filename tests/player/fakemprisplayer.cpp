#include "tests/player/fakemprisplayer.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace sleevelight::test {

namespace {
const QString mprisPath = u"/org/mpris/MediaPlayer2"_s;
const QString rhythmDbPath = u"/org/gnome/Rhythmbox3/RhythmDB"_s;
const QString playerInterface = u"org.mpris.MediaPlayer2.Player"_s;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;
const QString trackListInterface = u"org.mpris.MediaPlayer2.TrackList"_s;

int g_connections = 0;
} // namespace

FakeMprisPlayer::FakeMprisPlayer(const QString& busName, const QVariantMap& playerProperties,
                                 const QString& busAddress)
    : identity(u"Fake "_s + busName.section(u'.', 3, 3)), properties(playerProperties),
      m_connectionName(u"fake-mpris-%1"_s.arg(++g_connections)),
      m_bus(busAddress.isEmpty()
                ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
                : QDBusConnection::connectToBus(busAddress, m_connectionName))
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    m_bus.registerVirtualObject(mprisPath, this);
    m_bus.registerVirtualObject(rhythmDbPath, this);
    m_onBus =
        m_bus.interface()->registerService(busName).value() == QDBusConnectionInterface::ServiceRegistered;
}

FakeMprisPlayer::~FakeMprisPlayer()
{
    leave();
}

void FakeMprisPlayer::leave()
{
    if (!m_bus.isConnected())
        return;
    m_bus.unregisterObject(mprisPath);
    m_bus.unregisterObject(rhythmDbPath);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_bus = QDBusConnection(m_connectionName);
    m_onBus = false;
}

QVariantMap FakeMprisPlayer::playing(const QVariantMap& metadata, const QString& status)
{
    return {{u"PlaybackStatus"_s, status},
            {u"Rate"_s, 1.0},
            {u"Volume"_s, 0.5},
            {u"Position"_s, qint64(0)},
            {u"Metadata"_s, metadata}};
}

QVariantMap trackMetadata(const QString& title, const QString& artUrl)
{
    QVariantMap metadata{
        {u"mpris:trackid"_s, QVariant::fromValue(QDBusObjectPath(u"/track/%1"_s.arg(qHash(title))))},
        {u"xesam:title"_s, title},
        {u"xesam:album"_s, u"Album"_s},
        {u"xesam:artist"_s, QStringList{u"Artist"_s}},
        {u"xesam:url"_s, u"file:///nowhere/%1.flac"_s.arg(title)},
        {u"mpris:length"_s, qint64(200'000'000)}};
    if (!artUrl.isEmpty())
        metadata.insert(u"mpris:artUrl"_s, artUrl);
    return metadata;
}

void FakeMprisPlayer::change(const QVariantMap& changed, const QStringList& invalidated)
{
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        properties.insert(it.key(), it.value());
    m_bus.send(propertiesChanged(changed, invalidated));
}

QDBusMessage FakeMprisPlayer::propertiesChanged(const QVariantMap& changed, const QStringList& invalidated)
{
    QDBusMessage signal = QDBusMessage::createSignal(mprisPath, propertiesInterface, u"PropertiesChanged"_s);
    signal << playerInterface << changed << invalidated;
    return signal;
}

void FakeMprisPlayer::seek(qint64 positionUs)
{
    properties.insert(u"Position"_s, positionUs);
    QDBusMessage signal = QDBusMessage::createSignal(mprisPath, playerInterface, u"Seeked"_s);
    signal << positionUs;
    m_bus.send(signal);
}

QString FakeMprisPlayer::introspect(const QString&) const
{
    return {};
}

bool FakeMprisPlayer::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const QString member = message.member();
    const QVariantList args = message.arguments();
    QString call = member;
    if ((member == "Get"_L1 || member == "Set"_L1) && args.size() >= 2)
        call += u' ' + args.at(1).toString();
    if (recordsCalls) {
        calls << call;
        messages << message;
    }

    if (answers == Answers::never)
        return true;
    if (answers == Answers::withErrors) {
        connection.send(
            message.createErrorReply(u"org.mpris.MediaPlayer2.Fake.Broken"_s, u"broken on purpose"_s));
        return true;
    }

    QDBusMessage reply = message.createReply();
    const QString name = args.value(1).toString();
    // The queue (TrackList): the ids of trackList, and the metadata of those asked for.
    QList<QDBusObjectPath> ids;
    for (const QVariantMap& track : std::as_const(trackList))
        ids << track.value(u"mpris:trackid"_s).value<QDBusObjectPath>();
    if (member == "GetAll"_L1 && message.interface() == propertiesInterface)
        reply = message.createReply(QVariant::fromValue(
            args.value(0).toString() == playerInterface
                ? properties
                : QVariantMap{{u"Identity"_s, identity}, {u"HasTrackList"_s, !trackList.isEmpty()}}));
    else if (member == "Get"_L1 && args.value(0).toString() == trackListInterface && name == "Tracks"_L1)
        reply = message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(ids))));
    else if (member == "GetTracksMetadata"_L1) {
        QList<QDBusObjectPath> asked;
        args.value(0).value<QDBusArgument>() >> asked;
        QList<QVariantMap> tracks;
        for (const QDBusObjectPath& id : std::as_const(asked))
            if (const qsizetype at = ids.indexOf(id); at >= 0)
                tracks << trackList.at(at);
        reply = message.createReply(QVariant::fromValue(tracks));
    } else if (member == "Get"_L1 && !properties.contains(name))
        reply = message.createErrorReply(u"org.freedesktop.DBus.Error.InvalidArgs"_s, u"no such property"_s);
    else if (member == "Get"_L1)
        reply = message.createReply(QVariant::fromValue(QDBusVariant(properties.value(name))));
    else if (member == "Set"_L1)
        properties.insert(name, args.value(2).value<QDBusVariant>().variant());
    connection.send(reply);
    return true;
}

} // namespace sleevelight::test
