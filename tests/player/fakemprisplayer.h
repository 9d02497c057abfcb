#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace sleevelight::test {

using namespace Qt::StringLiterals;

// An MPRIS player on the test's private bus, on a connection of its own, answering from the
// properties a test sets and recording every call it receives.
class FakeMprisPlayer : public QDBusVirtualObject
{
    Q_OBJECT

public:
    enum class Answers
    {
        normally,
        never,      // a hung player: calls are received but never answered
        withErrors, // every call is answered with an error
    };

    // On the session bus, or on the bus at `busAddress` (one standing for the system bus).
    explicit FakeMprisPlayer(const QString& busName = u"org.mpris.MediaPlayer2.fake"_s,
                             const QVariantMap& playerProperties = {}, const QString& busAddress = {});
    ~FakeMprisPlayer() override;

    // What it calls itself: "Fake vlc" for org.mpris.MediaPlayer2.vlc.
    const QString identity;

    QString uniqueName() const { return m_bus.baseService(); }
    bool isOnBus() const { return m_onBus; }

    // The player's own connection: to send from another thread, or to give up the name and linger.
    QDBusConnection connection() const { return m_bus; }

    // The Player interface's properties.
    QVariantMap properties;
    // The queue the TrackList interface offers, each with its mpris:trackid; none: no TrackList.
    QList<QVariantMap> trackList;
    Answers answers = Answers::normally;

    // "PlayPause", "Get Position", "Set Volume", "GetAll", "SetEntryProperties"…, in order.
    QStringList calls;
    QList<QDBusMessage> messages;
    // Off for a long run, whose record would grow with every call.
    bool recordsCalls = true;
    int count(const QString& call) const { return static_cast<int>(calls.count(call)); }

    // Changes properties the way players do: stores them and sends PropertiesChanged.
    void change(const QVariantMap& changed, const QStringList& invalidated = {});
    // The PropertiesChanged signal a player sends for changed properties of its Player interface.
    static QDBusMessage propertiesChanged(const QVariantMap& changed, const QStringList& invalidated = {});
    void seek(qint64 positionUs);
    // Drops the connection, as a player that quits.
    void leave();

    // Properties of a player in `status` ("Playing" unless told) at normal rate and half volume.
    static QVariantMap playing(const QVariantMap& metadata, const QString& status = u"Playing"_s);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QString m_connectionName;
    QDBusConnection m_bus;
    bool m_onBus = false;
};

// The fake players a test has put on the bus; they leave it with the list.
struct FakeMprisPlayers : std::vector<std::unique_ptr<FakeMprisPlayer>>
{
    FakeMprisPlayer* add(const QString& name, const QVariantMap& properties, const QString& busAddress = {})
    {
        return emplace_back(std::make_unique<FakeMprisPlayer>(name, properties, busAddress)).get();
    }
};

// Metadata of a 200 s track named `title`, at file:///nowhere/<title>.flac.
QVariantMap trackMetadata(const QString& title, const QString& artUrl = {});

} // namespace sleevelight::test
