#include "tests/player/fakemprisplayer.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace sleevelight::test {

namespace {
const QString mprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString rhythmDbPath = QStringLiteral("/org/gnome/Rhythmbox3/RhythmDB");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

int g_connections = 0;
} // namespace

FakeMprisPlayer::FakeMprisPlayer(const QString& busName, const QVariantMap& playerProperties)
    : properties(playerProperties), m_connectionName(QStringLiteral("fake-mpris-%1").arg(++g_connections)),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
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
    return {{QStringLiteral("PlaybackStatus"), status},
            {QStringLiteral("Rate"), 1.0},
            {QStringLiteral("Volume"), 0.5},
            {QStringLiteral("Position"), qint64(0)},
            {QStringLiteral("Metadata"), metadata}};
}

QVariantMap trackMetadata(const QString& title, const QString& artUrl)
{
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(QDBusObjectPath(QStringLiteral("/track/%1").arg(qHash(title))))},
        {QStringLiteral("xesam:title"), title},
        {QStringLiteral("xesam:album"), QStringLiteral("Album")},
        {QStringLiteral("xesam:artist"), QStringList{QStringLiteral("Artist")}},
        {QStringLiteral("xesam:url"), QStringLiteral("file:///nowhere/%1.flac").arg(title)},
        {QStringLiteral("mpris:length"), qint64(200'000'000)}};
    if (!artUrl.isEmpty())
        metadata.insert(QStringLiteral("mpris:artUrl"), artUrl);
    return metadata;
}

void FakeMprisPlayer::change(const QVariantMap& changed, const QStringList& invalidated)
{
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        properties.insert(it.key(), it.value());
    QDBusMessage signal =
        QDBusMessage::createSignal(mprisPath, propertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << invalidated;
    m_bus.send(signal);
}

void FakeMprisPlayer::seek(qint64 positionUs)
{
    properties.insert(QStringLiteral("Position"), positionUs);
    QDBusMessage signal = QDBusMessage::createSignal(mprisPath, playerInterface, QStringLiteral("Seeked"));
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
    if ((member == QLatin1String("Get") || member == QLatin1String("Set")) && args.size() >= 2)
        call += u' ' + args.at(1).toString();
    calls << call;
    messages << message;

    if (answers == Answers::never)
        return true;
    if (answers == Answers::withErrors) {
        connection.send(message.createErrorReply(QStringLiteral("org.mpris.MediaPlayer2.Fake.Broken"),
                                                 QStringLiteral("broken on purpose")));
        return true;
    }

    QDBusMessage reply = message.createReply();
    const QString name = args.value(1).toString();
    if (member == QLatin1String("GetAll") && message.interface() == propertiesInterface)
        reply = message.createReply(
            QVariant::fromValue(args.value(0).toString() == playerInterface ? properties : QVariantMap()));
    else if (member == QLatin1String("Get") && !properties.contains(name))
        reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                                         QStringLiteral("no such property"));
    else if (member == QLatin1String("Get"))
        reply = message.createReply(QVariant::fromValue(QDBusVariant(properties.value(name))));
    else if (member == QLatin1String("Set"))
        properties.insert(name, args.value(2).value<QDBusVariant>().variant());
    connection.send(reply);
    return true;
}

} // namespace sleevelight::test
