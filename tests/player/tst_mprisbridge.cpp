// The MPRIS bridge against fake players on the test's private bus.

#include "player/mprisbridge.h"
#include "player/values.h"
#include "player/mprisplayer.h"
#include "player/mprisplayermanager.h"
#include "tests/player/fakemprisplayer.h"
#include "tests/support/testenvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace sleevelight;
using namespace sleevelight::test;

namespace {
QString key(const char* text)
{
    return QString::fromLatin1(text);
}
const QString fakeName = key("org.mpris.MediaPlayer2.fake");
} // namespace

class TestMprisBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<MprisBridge> m_bridge;
    std::vector<std::unique_ptr<FakeMprisPlayer>> m_fakes;

    FakeMprisPlayer* addPlayer(const QString& name, const QVariantMap& properties)
    {
        m_fakes.push_back(std::make_unique<FakeMprisPlayer>(name, properties));
        return m_fakes.back().get();
    }

    // A player in `status` with a track named `title`.
    FakeMprisPlayer* player(const char* title, const char* status = "Playing", const QString& name = fakeName)
    {
        return addPlayer(name, FakeMprisPlayer::playing(trackMetadata(key(title)), key(status)));
    }

    MprisPlayer* followed() const { return m_bridge->players().followed(); }

    bool follows(const FakeMprisPlayer* fake) const
    {
        return followed() != nullptr && followed()->owner() == fake->uniqueName() && followed()->isLoaded();
    }

    // Waits until the bridge has told everything it had to tell: no notification for a while.
    void settle()
    {
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        for (int round = 0; round < 20; ++round) {
            notified.clear();
            QTest::qWait(150);
            if (notified.isEmpty())
                return;
        }
        QFAIL("the bridge never went quiet");
    }

    QVariantMap info()
    {
        QVariantMap map = m_bridge->trackInfo().value_or(QVariantMap());
        map.remove(BridgeKey::trackLoved);
        map.remove(BridgeKey::trackRating);
        return map;
    }

private Q_SLOTS:
    void init()
    {
        // Real seconds: the position is asked for at most once per second of the clock.
        m_environment = std::make_unique<TestEnvironment>(1.0);
        m_bridge = std::make_unique<MprisBridge>();
        QTRY_VERIFY(m_bridge->players().isReady());
    }

    void cleanup()
    {
        m_bridge.reset();
        m_fakes.clear();
        m_environment.reset();
    }

    void mapsTheTrackInformation_data()
    {
        QTest::addColumn<QVariantMap>("metadata");
        QTest::addColumn<QVariantMap>("expected");

        const QVariant trackId = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/t/1")));
        QTest::newRow("typed as documented")
            << QVariantMap{{key("mpris:trackid"), trackId},
                           {key("xesam:title"), QStringLiteral("So What")},
                           {key("xesam:album"), QStringLiteral("Kind of Blue")},
                           {key("xesam:artist"),
                            QStringList{QStringLiteral("Miles Davis"), QStringLiteral("John Coltrane")}},
                           {key("xesam:trackNumber"), 3},
                           {key("xesam:discNumber"), 2},
                           {key("mpris:length"), qint64(245'000'000)},
                           {key("xesam:contentCreated"), QStringLiteral("1959-03-02T00:00:00Z")}}
            << QVariantMap{{BridgeKey::trackName, QStringLiteral("So What")},
                           {BridgeKey::trackAlbum, QStringLiteral("Kind of Blue")},
                           {BridgeKey::trackArtist, QStringLiteral("Miles Davis, John Coltrane")},
                           {BridgeKey::trackNumbers, QStringLiteral("Track 3 \u00b7 Disc 2")},
                           {BridgeKey::trackDuration, QStringLiteral("4:05")},
                           {BridgeKey::trackYear, 1959}};
        QTest::newRow("loose kinds real players send")
            << QVariantMap{{key("mpris:trackid"), trackId},
                           {key("xesam:title"), QStringLiteral("Blue")},
                           {key("xesam:artist"), QStringLiteral("Joni Mitchell")},
                           {key("xesam:trackNumber"), QStringLiteral("7/12")},
                           {key("xesam:discNumber"), 1u},
                           {key("mpris:length"), 3'725'000'000.0},
                           {key("xesam:contentCreated"), QStringLiteral("1971")}}
            << QVariantMap{{BridgeKey::trackName, QStringLiteral("Blue")},
                           {BridgeKey::trackArtist, QStringLiteral("Joni Mitchell")},
                           {BridgeKey::trackNumbers, QStringLiteral("Track 7 \u00b7 Disc 1")},
                           {BridgeKey::trackDuration, QStringLiteral("1:02:05")},
                           {BridgeKey::trackYear, 1971}};
        QTest::newRow("no title: the file name; length as t, disc only")
            << QVariantMap{{key("xesam:url"), QStringLiteral("file:///music/My%20Song.flac")},
                           {key("xesam:discNumber"), QStringLiteral("2")},
                           {key("mpris:length"), quint64(61'000'000)}}
            << QVariantMap{{BridgeKey::trackName, QStringLiteral("My Song.flac")},
                           {BridgeKey::trackNumbers, QStringLiteral("Disc 2")},
                           {BridgeKey::trackDuration, QStringLiteral("1:01")}};
        QTest::newRow("wrong kinds are absent")
            << QVariantMap{{key("mpris:trackid"), trackId},
                           {key("xesam:title"), 42},
                           {key("xesam:album"), QStringList{QStringLiteral("not a string")}},
                           {key("xesam:artist"), 7},
                           {key("xesam:trackNumber"), QStringLiteral("none")},
                           {key("mpris:length"), QStringLiteral("long")},
                           {key("xesam:contentCreated"), true}}
            << QVariantMap{};
        // Line breaks would break the display's one-line layout.
        QTest::newRow("a megabyte title is cut, line breaks are not shown")
            << QVariantMap{{key("xesam:title"),
                            QString(QStringLiteral("Line\nbreak\t") + QString(1 << 20, u'x'))}}
            << QVariantMap{{BridgeKey::trackName, QString(QStringLiteral("Line break ") + QString(989, u'x'))}};
    }

    void mapsTheTrackInformation()
    {
        QFETCH(QVariantMap, metadata);
        QFETCH(QVariantMap, expected);
        FakeMprisPlayer* fake = addPlayer(fakeName, FakeMprisPlayer::playing(metadata));
        QTRY_VERIFY(follows(fake));
        QVERIFY(m_bridge->trackInfo().has_value());
        QCOMPARE(info(), expected);
    }

    void mapsThePlayerState_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("state");
        QTest::newRow("stopped") << key("Stopped") << 1.0 << 1;
        QTest::newRow("playing") << key("Playing") << 1.0 << 2;
        QTest::newRow("playing backwards") << key("Playing") << -1.0 << 5;
        QTest::newRow("paused") << key("Paused") << 1.0 << 3;
    }

    void mapsThePlayerState()
    {
        QFETCH(QString, status);
        QFETCH(double, rate);
        QFETCH(int, state);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(key("S")), status);
        properties.insert(key("Rate"), rate);
        FakeMprisPlayer* fake = addPlayer(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->isRunning(), QVariant(true));
        QCOMPARE(m_bridge->playerState(), QVariant(state));
    }

    void reportsProgress()
    {
        QVariantMap metadata = trackMetadata(key("P"));
        metadata.insert(key("mpris:length"), qint64(100'000'000));
        QVariantMap properties = FakeMprisPlayer::playing(metadata, key("Paused"));
        properties.insert(key("Position"), 25'000'000); // an i where x is documented
        FakeMprisPlayer* fake = addPlayer(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        QVariantMap progress = m_bridge->trackProgress().value();
        QCOMPARE(progress.value(BridgeKey::trackElapsed), QVariant(key("0:25")));
        QCOMPARE(progress.value(BridgeKey::trackProgressRatio).toDouble(), 0.25);

        metadata.remove(key("mpris:length"));
        fake->change({{key("Metadata"), metadata}});
        QTRY_VERIFY(!followed()->metadata().lengthUs);
        progress = m_bridge->trackProgress().value();
        QVERIFY(!progress.contains(BridgeKey::trackProgressRatio));
        QVERIFY(progress.contains(BridgeKey::trackElapsed));
    }

    void extrapolatesThePositionAndAsksAtMostOnceASecond_data()
    {
        QTest::addColumn<int>("startSeconds");
        QTest::addColumn<int>("lastSeconds");
        // Its answer sets the clock again: the player's clock stands still here, ours runs on.
        QTest::newRow("a player that answers") << 10 << 11;
        // Some players answer 0 throughout: the clock runs on regardless.
        QTest::newRow("a player that always says 0") << 0 << 2;
    }

    void extrapolatesThePositionAndAsksAtMostOnceASecond()
    {
        QFETCH(int, startSeconds);
        QFETCH(int, lastSeconds);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(key("E")));
        properties.insert(key("Position"), qint64(startSeconds) * 1'000'000);
        FakeMprisPlayer* fake = addPlayer(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        for (int i = 0; i < 50; ++i)
            m_bridge->trackProgress();
        QTest::qWait(100);
        QCOMPARE(fake->count(key("Get Position")), 1);
        // A busy machine may oversleep a wait by a second, never undersleep it; and the next answer
        // may already have set the clock back to the player's own.
        const auto checkElapsed = [this](int lowest, int seconds) {
            const QString elapsed = m_bridge->trackProgress()->value(BridgeKey::trackElapsed).toString();
            bool inRange = false;
            for (int s = lowest; s <= seconds + 1; ++s)
                inRange = inRange || elapsed == QStringLiteral("0:%1").arg(s, 2, 10, QChar(u'0'));
            QVERIFY2(inRange, qPrintable(elapsed));
        };
        QTest::qWait(1100);
        checkElapsed(startSeconds, startSeconds + 1);
        QTRY_COMPARE(fake->count(key("Get Position")), 2);
        // The player's answer (its clock stands still) sets ours back once it arrives.
        if (startSeconds > 0)
            QTRY_COMPARE(m_bridge->trackProgress()->value(BridgeKey::trackElapsed).toString(),
                         QStringLiteral("0:%1").arg(startSeconds));
        QTest::qWait(1000);
        checkElapsed(lastSeconds, lastSeconds);
    }

    void followsSeeks()
    {
        FakeMprisPlayer* fake = player("S", "Paused");
        QTRY_VERIFY(follows(fake));
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        fake->seek(90'000'000);
        QTRY_COMPARE(m_bridge->trackProgress()->value(BridgeKey::trackElapsed), QVariant(key("1:30")));
        // Paused, the progress timer does not look; the refresh shows the seek.
        QTRY_COMPARE(notified.count(), 1);
    }

    void readsAndWritesTheVolume()
    {
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(key("V")));
        properties.insert(key("Volume"), 1.3);
        FakeMprisPlayer* fake = addPlayer(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->soundVolume(), QVariant(130));

        // What was just read, written back, is no change.
        m_bridge->setSoundVolume(m_bridge->soundVolume());
        m_bridge->setSoundVolume(QVariant());
        m_bridge->setSoundVolume(QStringLiteral("loud"));
        m_bridge->setSoundVolume(40);
        QTRY_COMPARE(fake->count(key("Set Volume")), 1);
        QCOMPARE(fake->properties.value(key("Volume")).toDouble(), 0.4);
        QCOMPARE(m_bridge->soundVolume(), QVariant(40));

        fake->change({{key("Volume"), 0.75}});
        QTRY_COMPARE(m_bridge->soundVolume(), QVariant(75));
    }

    void sendsCommands()
    {
        FakeMprisPlayer* fake = player("C");
        QTRY_VERIFY(follows(fake));
        m_bridge->playPause();
        m_bridge->gotoNextTrack();
        m_bridge->gotoPreviousTrack();
        QTRY_COMPARE(fake->count(key("Previous")), 1);
        QCOMPARE(fake->count(key("PlayPause")), 1);
        QCOMPARE(fake->count(key("Next")), 1);
        QCOMPARE(fake->messages.last().interface(), key("org.mpris.MediaPlayer2.Player"));
    }

    void coalescesBurstsIntoOneNotification()
    {
        FakeMprisPlayer* fake = player("One");
        QTRY_VERIFY(follows(fake));
        settle();
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        // One track change, told the way many players tell it: property by property.
        QVariantMap next = trackMetadata(key("Two"));
        fake->change({{key("Metadata"), next}});
        next.insert(key("mpris:artUrl"), QStringLiteral("file:///nowhere/two.png"));
        fake->change({{key("Metadata"), next}});
        fake->change({{key("PlaybackStatus"), key("Paused")}});
        fake->change({{key("PlaybackStatus"), key("Playing")}});
        fake->change({{key("Rate"), 1.0}, {key("Volume"), 0.2}});
        QTRY_VERIFY(notified.count() >= 1);
        QTest::qWait(100);
        QVERIFY2(notified.count() <= 2, qPrintable(QString::number(notified.count())));
        QCOMPARE(info().value(BridgeKey::trackName), QVariant(key("Two")));
    }

    void fetchesInvalidatedProperties()
    {
        FakeMprisPlayer* fake = player("Old");
        QTRY_VERIFY(follows(fake));
        fake->properties.insert(key("Metadata"), trackMetadata(key("New")));
        fake->change({}, {key("Metadata")});
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(key("New")));
    }

    void aPlayingPlayerWinsAndIsKept()
    {
        FakeMprisPlayer* a = player("A", "Paused", key("org.mpris.MediaPlayer2.a"));
        QTRY_VERIFY(follows(a));
        FakeMprisPlayer* b = player("B", "Playing", key("org.mpris.MediaPlayer2.b"));
        QTRY_VERIFY(follows(b));
        settle();
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        a->change({{key("PlaybackStatus"), key("Playing")}});
        QTest::qWait(200);
        QVERIFY(follows(b));
        QCOMPARE(notified.count(), 0); // what another player does is no change of ours
        b->change({{key("PlaybackStatus"), key("Paused")}});
        QTRY_VERIFY(follows(a));
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(key("A")));
    }

    void whenTheFollowedLeavesTheMostRecentlyActiveTakesOver()
    {
        FakeMprisPlayer* a = player("A", "Paused", key("org.mpris.MediaPlayer2.a"));
        FakeMprisPlayer* b = player("B", "Paused", key("org.mpris.MediaPlayer2.b"));
        FakeMprisPlayer* c = player("C", "Paused", key("org.mpris.MediaPlayer2.c"));
        QTRY_VERIFY(followed() != nullptr && m_bridge->players().players().size() == 3);
        b->change({{key("PlaybackStatus"), key("Playing")}});
        QTRY_VERIFY(follows(b));
        b->change({{key("PlaybackStatus"), key("Paused")}});
        c->change({{key("PlaybackStatus"), key("Playing")}});
        QTRY_VERIFY(follows(c));
        c->change({{key("PlaybackStatus"), key("Stopped")}});
        QTest::qWait(100);
        QVERIFY(follows(c)); // not playing, but no other player plays either

        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        c->leave();
        QTRY_VERIFY(follows(b));
        QTRY_VERIFY(notified.count() >= 1);
        b->leave();
        QTRY_VERIFY(follows(a));
        a->leave();
        QTRY_COMPARE(m_bridge->isRunning(), QVariant(false));
        QCOMPARE(m_bridge->playerState(), QVariant(0));
        QVERIFY(!m_bridge->trackInfo());
    }

    void findsPlayersAlreadyOnTheBusAndIgnoresOtherNames()
    {
        m_bridge.reset();
        player("No", "Playing", key("org.example.NotAPlayer"));
        FakeMprisPlayer* vlc = player("Yes", "Playing", key("org.mpris.MediaPlayer2.vlc.instance7389"));
        m_bridge = std::make_unique<MprisBridge>();
        QTRY_VERIFY(follows(vlc));
        QCOMPARE(m_bridge->players().players().size(), 1);
        // Instance names are started by the name without the instance.
        QCOMPARE(m_bridge->lastPlayerName(), key("org.mpris.MediaPlayer2.vlc"));
    }

    void aHungPlayerBlocksNothing()
    {
        FakeMprisPlayer* fake = player("H", "Playing", key("org.mpris.MediaPlayer2.hung"));
        fake->answers = FakeMprisPlayer::Answers::never;
        QTRY_VERIFY(fake->count(key("GetAll")) == 1);
        QElapsedTimer clock;
        clock.start();
        // The fake answers on this very thread: any waiting call would stall here for seconds.
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(m_bridge->isRunning(), QVariant(true));
            QCOMPARE(m_bridge->playerState(), QVariant(0));
            QVERIFY(!m_bridge->trackInfo());
            QVERIFY(!m_bridge->trackProgress());
            QVERIFY(!m_bridge->artworkImages());
            m_bridge->playPause();
            m_bridge->setSoundVolume(10 + i);
        }
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTRY_COMPARE(fake->count(key("PlayPause")), 20);
    }

    void errorAnswersAreNoAnswers()
    {
        FakeMprisPlayer* fake = player("X");
        fake->answers = FakeMprisPlayer::Answers::withErrors;
        QTRY_VERIFY(followed() != nullptr && followed()->isLoaded());
        QCOMPARE(m_bridge->playerState(), QVariant(0));
        QVERIFY(!m_bridge->trackInfo());
        QVERIFY(!m_bridge->soundVolume().isValid());
        m_bridge->gotoNextTrack();
        QTRY_COMPARE(fake->count(key("Next")), 1);
    }

    void twentyPlayersAtOnce()
    {
        for (int i = 0; i < 20; ++i)
            addPlayer(QStringLiteral("org.mpris.MediaPlayer2.many.instance%1").arg(i),
                      FakeMprisPlayer::playing(trackMetadata(QStringLiteral("Track %1").arg(i)),
                                               i == 13 ? key("Playing") : key("Paused")));
        QTRY_VERIFY(follows(m_fakes.at(13).get()));
        QCOMPARE(m_bridge->players().players().size(), 20);
        QCOMPARE(info().value(BridgeKey::trackName), QVariant(key("Track 13")));
        m_fakes.clear();
        QTRY_COMPARE(m_bridge->players().players().size(), 0);
    }

    void keepsLovedAndRatingAcrossRuns()
    {
        QVariantMap metadata = trackMetadata(key("R"));
        metadata.insert(key("xesam:userRating"), 0.8);
        FakeMprisPlayer* fake = addPlayer(fakeName, FakeMprisPlayer::playing(metadata));
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(80));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(0));

        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        m_bridge->setITrackRating(60);
        m_bridge->setITrackLoved(true);
        QCOMPARE(m_bridge->iTrackRating(), QVariant(60));
        QCOMPARE(m_bridge->trackInfo()->value(BridgeKey::trackLoved), QVariant(1));
        QTRY_VERIFY(notified.count() >= 1);

        // Another run, another track, then this one again.
        m_bridge = std::make_unique<MprisBridge>();
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(60));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(1));
        fake->change({{key("Metadata"), trackMetadata(key("Other"))}});
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(key("Other")));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(0));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(0));
    }

    void writesTheRatingWhereThePlayerOffersAWay_data()
    {
        QTest::addColumn<QString>("busName");
        QTest::addColumn<QString>("expectedCall");
        QTest::newRow("Strawberry's Rating property")
            << key("org.mpris.MediaPlayer2.strawberry") << key("Set Rating");
        QTest::newRow("Rhythmbox's database")
            << key("org.mpris.MediaPlayer2.rhythmbox") << key("SetEntryProperties");
        QTest::newRow("no way") << key("org.mpris.MediaPlayer2.other") << QString();
    }

    void writesTheRatingWhereThePlayerOffersAWay()
    {
        QFETCH(QString, busName);
        QFETCH(QString, expectedCall);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(key("W")));
        if (expectedCall == key("Set Rating"))
            properties.insert(key("Rating"), 0.0);
        FakeMprisPlayer* fake = addPlayer(busName, properties);
        QTRY_VERIFY(follows(fake));
        m_bridge->setITrackRating(60);
        m_bridge->playPause(); // a marker: calls arrive in order
        QTRY_COMPARE(fake->count(key("PlayPause")), 1);
        for (const QString& call : {key("Set Rating"), key("SetEntryProperties")})
            QCOMPARE(fake->calls.contains(call), call == expectedCall);
        if (expectedCall == key("Set Rating"))
            QCOMPARE(fake->properties.value(key("Rating")).toDouble(), 0.6);
        if (expectedCall == key("SetEntryProperties")) {
            const QDBusMessage call = fake->messages.at(fake->calls.indexOf(expectedCall));
            QCOMPARE(call.path(), key("/org/gnome/Rhythmbox3/RhythmDB"));
            QCOMPARE(call.arguments().value(0).toString(), key("file:///nowhere/W.flac"));
            const QVariantMap entry = qdbus_cast<QVariantMap>(call.arguments().value(1));
            QCOMPARE(entry.value(key("rating")).toDouble(), 3.0);
        }
    }

    void startsTheLastPlayerWhenAsked()
    {
        // The demo player, made startable by its name on this private bus.
        const QString demoName = key("org.mpris.MediaPlayer2.sleevelightdemo");
        FakeMprisPlayer* before = player("Before", "Playing", demoName);
        QTRY_VERIFY(follows(before));
        before->leave();
        QTRY_COMPARE(m_bridge->isRunning(), QVariant(false));

        const QString services = qEnvironmentVariable("SLEEVELIGHT_BUS_SERVICES");
        QVERIFY(!services.isEmpty());
        QDir().mkpath(services);
        QFile service(services + QStringLiteral("/sleevelightdemo.service"));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write(
            "[D-BUS Service]\nName=org.mpris.MediaPlayer2.sleevelightdemo\nExec=" SLEEVELIGHT_DEMO_PLAYER
            "\n");
        service.close();
        QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(key("org.freedesktop.DBus"), key("/org/freedesktop/DBus"),
                                           key("org.freedesktop.DBus"), key("ReloadConfig")));

        // A new run, with no player on the bus: asking for the track starts the last one.
        m_bridge = std::make_unique<MprisBridge>();
        QTRY_VERIFY(m_bridge->players().isReady());
        QVERIFY(!m_bridge->trackInfo());
        QTRY_VERIFY_WITH_TIMEOUT(m_bridge->trackInfo().has_value(), 15000);
        QCOMPARE(followed()->busName(), demoName);
        QVERIFY(!m_bridge->artworkImages().value_or(QList<QByteArray>()).isEmpty());

        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            demoName, key("/org/mpris/MediaPlayer2"), key("org.mpris.MediaPlayer2"), key("Quit")));
        QTRY_COMPARE(m_bridge->isRunning(), QVariant(false));
    }
};

QTEST_MAIN(TestMprisBridge)
#include "tst_mprisbridge.moc"
