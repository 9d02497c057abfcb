// The bridge over more than one source of players: a fixed source in the test's process beside
// the MPRIS players of the test's private bus.

#include "player/mpris/mprissource.h"
#include "player/playerbridge.h"
#include "player/playerchoice.h"
#include "player/playersource.h"
#include "player/ratingkeeper.h"
#include "player/values.h"
#include "tests/player/fakemprisplayer.h"
#include "tests/player/sessionbridge.h"
#include "tests/support/testenvironment.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

// A player the test sets by hand, recording the commands it gets.
class FixedPlayer : public SourcePlayer
{
public:
    FixedPlayer(const QString& id, const QString& identity, bool keepsRatings = false)
        : m_id(id), m_identity(identity), m_keepsRatings(keepsRatings)
    {
        setNames({identity.toLower()});
        setLoaded();
    }

    QString id() const override { return m_id; }
    QString identity() const override { return m_identity; }
    bool keepsRatings() const override { return m_keepsRatings; }

    void play(const Track& track, PlaybackStatus status = PlaybackStatus::Playing)
    {
        applyTrack(track);
        if (applyStatus(status))
            Q_EMIT statusChanged();
        Q_EMIT changed();
    }

    void playPause() override { commands << u"playPause"_s; }
    void previous() override { commands << u"previous"_s; }
    void next() override { commands << u"next"_s; }
    void seek(qint64 positionUs) override { commands << u"seek %1"_s.arg(positionUs); }
    void setVolume(double volume) override
    {
        applyVolume(volume);
        commands << u"volume %1"_s.arg(volume);
    }
    void setRating(int percent) override
    {
        Track rated = track();
        rated.rating = percent / 100.0;
        applyTrack(rated);
        commands << u"rating %1"_s.arg(percent);
    }

    QStringList commands;

private:
    QString m_id;
    QString m_identity;
    bool m_keepsRatings;
};

class FixedSource : public PlayerSource
{
public:
    QList<SourcePlayer*> players() const override { return m_players; }
    bool isReady() const override { return true; }

    FixedPlayer* add(FixedPlayer* player)
    {
        player->setParent(this);
        m_players << player;
        Q_EMIT playerAdded(player);
        return player;
    }
    void remove(FixedPlayer* player)
    {
        m_players.removeOne(player);
        Q_EMIT playerRemoved(player);
        delete player;
    }

private:
    QList<SourcePlayer*> m_players;
};

Track fixedTrack(const QString& title)
{
    Track track;
    track.title = title;
    track.artist = u"Fixed Artist"_s;
    track.url = u"fixed://"_s + title;
    track.lengthUs = 100'000'000;
    return track;
}

} // namespace

class TestSources : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<PlayerBridge> m_bridge;
    FixedSource* m_fixed = nullptr;
    FakeMprisPlayers m_fakes;

    QString followedName() const
    {
        const SourcePlayer* player = m_bridge->players().followed();
        return player != nullptr ? player->identity() : QString();
    }
    QVariant shownName() { return m_bridge->trackInfo().value_or(QVariantMap()).value(BridgeKey::trackName); }

private Q_SLOTS:
    void init()
    {
        m_environment = std::make_unique<TestEnvironment>(1.0);
        m_bridge = sessionBridge();
        m_fixed = new FixedSource;
        m_bridge->addSource(m_fixed);
        QTRY_VERIFY(m_bridge->players().isReady());
    }

    void cleanup()
    {
        m_fakes.clear();
        m_bridge.reset();
        m_environment.reset();
    }

    // The follow rule and key p go across sources as within one.
    void followsPlayersOfEverySource()
    {
        FixedPlayer* fixed = m_fixed->add(new FixedPlayer(u"fixed:one"_s, u"Fixed"_s));
        fixed->play(fixedTrack(u"Still"_s), PlaybackStatus::Paused);
        QTRY_COMPARE(followedName(), u"Fixed"_s);
        QCOMPARE(shownName(), QVariant(u"Still"_s));
        QCOMPARE(m_bridge->playerState(), QVariant(3));

        // A playing player of the bus wins over a paused one of the other source.
        m_fakes.add(u"org.mpris.MediaPlayer2.vlc"_s, FakeMprisPlayer::playing(trackMetadata(u"Bus"_s)));
        QTRY_COMPARE(shownName(), QVariant(u"Bus"_s));
        QCOMPARE(m_bridge->playerNames(), (QStringList{u"Fixed"_s, u"Fake vlc"_s}));

        // Key p goes to the next player in the order of their ids, whichever source has it.
        QCOMPARE(m_bridge->followNextPlayer(), u"Fixed"_s);
        QCOMPARE(shownName(), QVariant(u"Still"_s));
        QCOMPARE(m_bridge->followNextPlayer(), u"Fake vlc"_s);
        QCOMPARE(m_bridge->followNextPlayer(), u"Fixed"_s);

        // The player chosen leaves: the display hears who is followed now.
        QSignalSpy left(m_bridge.get(), &iTunesBridgeProtocol::chosenPlayerLeft);
        m_fixed->remove(fixed);
        QCOMPARE(left.size(), 1);
        QCOMPARE(left.first().first().toString(), u"Fake vlc"_s);
        QCOMPARE(followedName(), u"Fake vlc"_s);
    }

    void rulesNamePlayersOfEverySource()
    {
        m_fixed->add(new FixedPlayer(u"fixed:one"_s, u"Fixed"_s))
            ->play(fixedTrack(u"Preferred"_s), PlaybackStatus::Stopped);
        m_fakes.add(u"org.mpris.MediaPlayer2.vlc"_s, FakeMprisPlayer::playing(trackMetadata(u"Bus"_s)));
        QTRY_COMPARE(followedName(), u"Fake vlc"_s);

        m_bridge->setPlayerRules({u"FIXED"_s}, {});
        QCOMPARE(followedName(), u"Fixed"_s);
        m_bridge->setPlayerRules({}, {u"vlc"_s, u"fixed"_s});
        QCOMPARE(m_bridge->players().followed(), nullptr);
        QCOMPARE(m_bridge->isRunning(), QVariant(false));
        m_bridge->setPlayerRules({}, {u"vlc"_s});
        QCOMPARE(followedName(), u"Fixed"_s);
    }

    // The display's commands reach the followed player, whatever its source.
    void commandsReachTheFollowedPlayer()
    {
        FixedPlayer* fixed = m_fixed->add(new FixedPlayer(u"fixed:one"_s, u"Fixed"_s));
        fixed->play(fixedTrack(u"Driven"_s));
        QTRY_COMPARE(followedName(), u"Fixed"_s);
        m_bridge->playPause();
        m_bridge->gotoNextTrack();
        m_bridge->gotoPreviousTrack();
        m_bridge->setSoundVolume(40);
        QCOMPARE(fixed->commands, (QStringList{u"playPause"_s, u"next"_s, u"previous"_s, u"volume 0.4"_s}));
        QCOMPARE(m_bridge->soundVolume(), QVariant(40));
    }

    // A source that keeps ratings is the truth for them; for the others the store keeps them.
    void ratingsGoWhereTheSourceKeepsThem()
    {
        FixedPlayer* keeper = m_fixed->add(new FixedPlayer(u"fixed:keeper"_s, u"Keeper"_s, true));
        keeper->play(fixedTrack(u"Kept"_s));
        QTRY_COMPARE(followedName(), u"Keeper"_s);
        m_bridge->setITrackRating(60);
        QCOMPARE(keeper->commands, QStringList{u"rating 60"_s});
        QCOMPARE(m_bridge->iTrackRating(), QVariant(60));
        m_bridge->store().flush();
        QVERIFY(!RatingStore().entry(keeper->track().storeKey()).rating.has_value());

        FixedPlayer* plain = m_fixed->add(new FixedPlayer(u"fixed:plain"_s, u"Plain"_s));
        plain->play(fixedTrack(u"Stored"_s));
        m_bridge->followNextPlayer();
        QCOMPARE(followedName(), u"Plain"_s);
        m_bridge->setITrackRating(80);
        m_bridge->setITrackLoved(1);
        m_bridge->store().flush();
        QCOMPARE(RatingStore().entry(plain->track().storeKey()).rating, std::optional<int>(80));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(1));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(80));
    }

    // Players on the system bus (system services on a box without a desktop) are followed like the
    // session bus's; one that is on both counts once; without a system bus nothing changes.
    void followsPlayersOnTheSystemBus()
    {
        // A bus of the test's own stands for the system bus (DBUS_SYSTEM_BUS_ADDRESS gives it to the
        // display; a process reads that once, before this test could set it).
        QProcess daemon;
        daemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        QVERIFY(daemon.waitForReadyRead(10000));
        QByteArray address;
        QVERIFY(QTest::qWaitFor([&] { return (address += daemon.readAll()).endsWith('\n'); }, 10000));
        const QString systemAddress = QString::fromUtf8(address.trimmed());
        const QDBusConnection system = QDBusConnection::connectToBus(systemAddress, u"test-system"_s);
        QVERIFY2(system.isConnected(), qPrintable(QString::fromUtf8(address) + system.lastError().message()));
        m_bridge->addSource(new MprisSource(system, u"system"_s));
        QTRY_VERIFY(m_bridge->players().isReady());

        // A receiver on the system bus alone: followed, not started by us.
        const QString receiver = u"org.mpris.MediaPlayer2.spotifyd"_s;
        m_fakes.add(receiver, FakeMprisPlayer::playing(trackMetadata(u"Receiver"_s)), systemAddress);
        QTRY_COMPARE(shownName(), QVariant(u"Receiver"_s));
        QCOMPARE(m_bridge->players().followed()->id(), u"system:"_s + receiver);
        QVERIFY(m_bridge->players().followed()->startName().isEmpty());

        // The same player on the session bus too: one player, the session bus's.
        m_fakes.add(receiver, FakeMprisPlayer::playing(trackMetadata(u"Twin"_s)));
        QTRY_COMPARE(m_bridge->players().players().size(), 2);
        QTRY_COMPARE(m_bridge->playerNames(), QStringList{u"Fake spotifyd"_s});
        QTRY_COMPARE(shownName(), QVariant(u"Twin"_s));

        m_fakes.clear();
        m_bridge.reset();
        QDBusConnection::disconnectFromBus(u"test-system"_s);
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    // A player that offers its queue (MPRIS TrackList) tells what comes next, whenever the track or
    // the queue changes; the bridge hands it on with the track.
    void theNextTrackOfAPlayersQueue()
    {
        const QVariantMap now = trackMetadata(u"Now"_s);
        QVariantMap later = trackMetadata(u"Later"_s);
        later.insert(u"xesam:artist"_s, QStringList{u"Next Artist"_s});
        FakeMprisPlayer* fake = m_fakes.add(u"org.mpris.MediaPlayer2.vlc"_s, FakeMprisPlayer::playing(now));
        fake->trackList = {now, later};
        const auto nextName = [this] {
            return m_bridge->nextTrackInfo().value_or(QVariantMap()).value(BridgeKey::trackName);
        };
        QTRY_COMPARE(nextName(), QVariant(u"Later"_s));
        QCOMPARE(m_bridge->nextTrackInfo()->value(BridgeKey::trackArtist), QVariant(u"Next Artist"_s));

        // The last of the queue: nothing is next, until the queue grows and the player says so.
        fake->change({{u"Metadata"_s, later}});
        QTRY_COMPARE(m_bridge->trackInfo()->value(BridgeKey::trackName), QVariant(u"Later"_s));
        QTRY_VERIFY(!m_bridge->nextTrackInfo());
        fake->trackList << trackMetadata(u"Even Later"_s);
        QDBusMessage added = QDBusMessage::createSignal(
            u"/org/mpris/MediaPlayer2"_s, u"org.mpris.MediaPlayer2.TrackList"_s, u"TrackAdded"_s);
        added << trackMetadata(u"Even Later"_s) << later.value(u"mpris:trackid"_s);
        fake->connection().send(added);
        QTRY_COMPARE(nextName(), QVariant(u"Even Later"_s));

        // A player without a queue says nothing of what comes next.
        m_fakes.clear();
        m_fakes.add(u"org.mpris.MediaPlayer2.mpv"_s, FakeMprisPlayer::playing(now));
        QTRY_COMPARE(m_bridge->trackInfo().value_or(QVariantMap()).value(BridgeKey::trackName),
                     QVariant(u"Now"_s));
        QTest::qWait(100);
        QVERIFY(!m_bridge->nextTrackInfo());
    }

    // The store's thread keeps what it knows within bounds on a display that meets thousands of
    // tracks, and what it forgets is read again, writes included.
    void theStoresMemoryIsBounded()
    {
        RatingKeeper& store = m_bridge->store();
        store.setRating(u"file:///kept.flac"_s, 60);
        for (int key = 0; key < 2 * RatingKeeper::maxKnown; ++key)
            store.entry(u"file:///other/%1.flac"_s.arg(key));
        QVERIFY(!store.entry(u"file:///kept.flac"_s)); // forgotten, and asked for again
        store.flush();
        QCOMPARE(store.entry(u"file:///kept.flac"_s)->rating, std::optional<int>(60));
    }

    // A seek reaches an MPRIS player as SetPosition for the track it plays, and the position
    // runs on from there.
    void mprisPlayersSeekWithinTheirTrack()
    {
        FakeMprisPlayer* fake = m_fakes.add(u"org.mpris.MediaPlayer2.vlc"_s,
                                            FakeMprisPlayer::playing(trackMetadata(u"Long"_s), u"Paused"_s));
        QTRY_VERIFY(m_bridge->players().followed() != nullptr && m_bridge->players().followed()->isLoaded());
        m_bridge->players().followed()->seek(30'000'000);
        QTRY_COMPARE(fake->count(u"SetPosition"_s), 1);
        const QVariantList args = fake->messages.constLast().arguments();
        QCOMPARE(args.value(0).value<QDBusObjectPath>().path(),
                 trackMetadata(u"Long"_s).value(u"mpris:trackid"_s).value<QDBusObjectPath>().path());
        QCOMPARE(args.value(1).toLongLong(), 30'000'000);
        QCOMPARE(m_bridge->trackPositionMs(), std::optional<qint64>(30'000));

        // A player that names no track is moved by the distance.
        QVariantMap untitled = trackMetadata(u"No Id"_s);
        untitled.remove(u"mpris:trackid"_s);
        fake->change({{u"Metadata"_s, untitled}, {u"Position"_s, qint64(50'000'000)}});
        QTRY_COMPARE(m_bridge->trackPositionMs(), std::optional<qint64>(50'000));
        m_bridge->players().followed()->seek(20'000'000);
        QTRY_COMPARE(fake->count(u"Seek"_s), 1);
        QCOMPARE(fake->messages.constLast().arguments().value(0).toLongLong(), -30'000'000);
        QCOMPARE(m_bridge->trackPositionMs(), std::optional<qint64>(20'000));
    }
};

QTEST_MAIN(TestSources)
#include "tst_sources.moc"
