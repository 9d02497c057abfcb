#include "tests/player/fakemprisplayer.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace sleevelight::test {

namespace {
const QString mprisPath = u"/org/mpris/MediaPlayer2"_s;
const QString rhythmDbPath = u"/org/gnome/Rhythmbox3/RhythmDB"_s;
const QString playerInterface = u"org.mpris.MediaPlayer2.Player"_s;
const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

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
    if (member == "GetAll"_L1 && message.interface() == propertiesInterface)
        reply = message.createReply(QVariant::fromValue(args.value(0).toString() == playerInterface
                                                            ? properties
                                                            : QVariantMap{{u"Identity"_s, identity}}));
    else if (member == "Get"_L1 && !properties.contains(name))
        reply = message.createErrorReply(u"org.freedesktop.DBus.Error.InvalidArgs"_s, u"no such property"_s);
    else if (member == "Get"_L1)
        reply = message.createReply(QVariant::fromValue(QDBusVariant(properties.value(name))));
    else if (member == "Set"_L1)
        properties.insert(name, args.value(2).value<QDBusVariant>().variant());
    connection.send(reply);
    return true;
}

} // namespace sleevelight::test
