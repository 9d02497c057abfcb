// The MPRIS bridge against fake players on the test's private bus.

#include "player/media/lyrics.h"
#include "player/mpris/mprisplayer.h"
#include "player/playerbridge.h"
#include "player/playerchoice.h"
#include "player/playersource.h"
#include "player/values.h"
#include "tests/player/fakemprisplayer.h"
#include "tests/player/mediafiles.h"
#include "tests/player/sessionbridge.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testenvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {
const QString fakeName = u"org.mpris.MediaPlayer2.fake"_s;
} // namespace

class TestMprisBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<PlayerBridge> m_bridge;
    FakeMprisPlayers m_fakes;

    // A player in `status` with a track named `title`.
    FakeMprisPlayer* player(const char* title, const char* status = "Playing", const QString& name = fakeName)
    {
        return m_fakes.add(name, FakeMprisPlayer::playing(trackMetadata(QString::fromLatin1(title)),
                                                          QString::fromLatin1(status)));
    }

    SourcePlayer* followed() const { return m_bridge->players().followed(); }

    bool follows(const FakeMprisPlayer* fake) const
    {
        const auto* player = qobject_cast<const MprisPlayer*>(followed());
        return player != nullptr && player->owner() == fake->uniqueName() && player->isLoaded();
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
        m_bridge = sessionBridge();
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

        const QVariant trackId = QVariant::fromValue(QDBusObjectPath(u"/t/1"_s));
        QTest::newRow("typed as documented")
            << QVariantMap{{u"mpris:trackid"_s, trackId},
                           {u"xesam:title"_s, u"So What"_s},
                           {u"xesam:album"_s, u"Kind of Blue"_s},
                           {u"xesam:artist"_s, QStringList{u"Miles Davis"_s, u"John Coltrane"_s}},
                           {u"xesam:trackNumber"_s, 3},
                           {u"xesam:discNumber"_s, 2},
                           {u"mpris:length"_s, qint64(245'000'000)},
                           {u"xesam:contentCreated"_s, u"1959-03-02T00:00:00Z"_s}}
            << QVariantMap{{BridgeKey::trackName, u"So What"_s},
                           {BridgeKey::trackAlbum, u"Kind of Blue"_s},
                           {BridgeKey::trackArtist, u"Miles Davis, John Coltrane"_s},
                           {BridgeKey::trackNumbers, u"Track 3 \u00b7 Disc 2"_s},
                           {BridgeKey::trackDuration, u"4:05"_s},
                           {BridgeKey::trackYear, 1959}};
        QTest::newRow("loose kinds real players send")
            << QVariantMap{{u"mpris:trackid"_s, trackId},
                           {u"xesam:title"_s, u"Blue"_s},
                           {u"xesam:artist"_s, u"Joni Mitchell"_s},
                           {u"xesam:trackNumber"_s, u"7/12"_s},
                           {u"xesam:discNumber"_s, 1u},
                           {u"mpris:length"_s, 3'725'000'000.0},
                           {u"xesam:contentCreated"_s, u"1971"_s}}
            << QVariantMap{{BridgeKey::trackName, u"Blue"_s},
                           {BridgeKey::trackArtist, u"Joni Mitchell"_s},
                           {BridgeKey::trackNumbers, u"Track 7 \u00b7 Disc 1"_s},
                           {BridgeKey::trackDuration, u"1:02:05"_s},
                           {BridgeKey::trackYear, 1971}};
        QTest::newRow("no title: the file name; length as t, disc only")
            << QVariantMap{{u"xesam:url"_s, u"file:///music/My%20Song.flac"_s},
                           {u"xesam:discNumber"_s, u"2"_s},
                           {u"mpris:length"_s, quint64(61'000'000)}}
            << QVariantMap{{BridgeKey::trackName, u"My Song.flac"_s},
                           {BridgeKey::trackNumbers, u"Disc 2"_s},
                           {BridgeKey::trackDuration, u"1:01"_s}};
        QTest::newRow("wrong kinds are absent")
            << QVariantMap{{u"mpris:trackid"_s, trackId},
                           {u"xesam:title"_s, 42},
                           {u"xesam:album"_s, QStringList{u"not a string"_s}},
                           {u"xesam:artist"_s, 7},
                           {u"xesam:trackNumber"_s, u"none"_s},
                           {u"mpris:length"_s, u"long"_s},
                           {u"xesam:contentCreated"_s, true}}
            << QVariantMap{};
        // Line breaks would break the display's one-line layout.
        QTest::newRow("a megabyte title is cut, line breaks are not shown")
            << QVariantMap{{u"xesam:title"_s, QString(u"Line\nbreak\t"_s + QString(1 << 20, u'x'))}}
            << QVariantMap{{BridgeKey::trackName, QString(u"Line break "_s + QString(989, u'x'))}};
    }

    void mapsTheTrackInformation()
    {
        QFETCH(QVariantMap, metadata);
        QFETCH(QVariantMap, expected);
        FakeMprisPlayer* fake = m_fakes.add(fakeName, FakeMprisPlayer::playing(metadata));
        QTRY_VERIFY(follows(fake));
        QVERIFY(m_bridge->trackInfo().has_value());
        QCOMPARE(info(), expected);
    }

    // A local track's files are read aside: the first refresh of a track waits a moment for them,
    // and the file information asked for while they are read is announced when they are.
    void aTracksFilesComeWithItsFirstRefresh()
    {
        QTemporaryDir dir;
        const QByteArray cover = pictureBytes({20, 20}, Qt::blue);
        QVERIFY(writeFile(dir.filePath(u"cover.png"_s), cover));
        for (const QString& name : {u"a.wav"_s, u"b.wav"_s})
            QVERIFY(writeWav(dir.filePath(name), 1) &&
                    addTags(dir.filePath(name), {{u"TRACKNUMBER"_s, u"4"_s}}));
        FakeMprisPlayer* fake = player("Before");
        QTRY_VERIFY(follows(fake));
        settle();
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        QSignalSpy codecInfoRead(m_bridge.get(), &iTunesBridgeProtocol::codecInfoRead);
        const auto play = [&](const QString& name) {
            QVariantMap metadata = trackMetadata(name);
            metadata.insert(u"xesam:url"_s, QUrl::fromLocalFile(dir.filePath(name)).toString());
            fake->change({{u"Metadata"_s, metadata}});
        };

        play(u"a.wav"_s);
        QVERIFY(notified.wait());
        QCOMPARE(info().value(BridgeKey::trackNumbers), QVariant(u"Track 4"_s));
        QCOMPARE(m_bridge->artworkImages(), QList<QByteArray>{cover});
        QVERIFY(!m_bridge->isReadingCodecInfo());

        // Key c asked as the change arrives, before the worker can have answered.
        bool reading = false;
        const QMetaObject::Connection asking =
            connect(&m_bridge->players(), &PlayerChoice::followedPlayerChanged, this,
                    [&] { reading = m_bridge->isReadingCodecInfo(); });
        play(u"b.wav"_s);
        QVERIFY(codecInfoRead.wait());
        disconnect(asking);
        QVERIFY(reading);
        QVERIFY(m_bridge->iCodecInfo().toString().endsWith(dir.filePath(u"b.wav"_s)));
    }

    void mapsThePlayerState_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("state");
        QTest::newRow("stopped") << u"Stopped"_s << 1.0 << 1;
        QTest::newRow("playing") << u"Playing"_s << 1.0 << 2;
        QTest::newRow("playing backwards") << u"Playing"_s << -1.0 << 5;
        QTest::newRow("paused") << u"Paused"_s << 1.0 << 3;
        QTest::newRow("a state outside the set counts as stopped") << u"Stoped"_s << 1.0 << 1;
    }

    void mapsThePlayerState()
    {
        QFETCH(QString, status);
        QFETCH(double, rate);
        QFETCH(int, state);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(u"S"_s), status);
        properties.insert(u"Rate"_s, rate);
        FakeMprisPlayer* fake = m_fakes.add(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->isRunning(), QVariant(true));
        QCOMPARE(m_bridge->playerState(), QVariant(state));
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

    // The lyrics a player sends come with the track's files, and the position in milliseconds
    // asks the player nothing.
    void lyricsAndThePositionForThem()
    {
        QVariantMap metadata = trackMetadata(u"Sung"_s);
        metadata.insert(u"xesam:asText"_s, u"[00:01.00]One\n[00:02.00]Two"_s);
        QVariantMap properties = FakeMprisPlayer::playing(metadata);
        properties.insert(u"Position"_s, qlonglong(1'500'000));
        FakeMprisPlayer* fake = m_fakes.add(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        QTRY_COMPARE(m_bridge->trackLyrics().lines.size(), 2);
        QVERIFY(m_bridge->trackLyrics().synced);
        const int asked = fake->count(u"Get Position"_s);
        const std::optional<qint64> at = m_bridge->trackPositionMs();
        QVERIFY(at && *at >= 1500 && *at < 4000);
        QCOMPARE(fake->count(u"Get Position"_s), asked);
        QCOMPARE(lyrics::lineAt(m_bridge->trackLyrics(), *at), *at < 2000 ? 0 : 1);
    }

    void lyricsMoveWithASeekAndKeepTheirShift()
    {
        FakeMprisPlayer* fake = player("Shifted");
        QTRY_VERIFY(follows(fake));
        QSignalSpy jumped(m_bridge.get(), &iTunesBridgeProtocol::positionJumped);
        fake->seek(120'000'000);
        QTRY_COMPARE(jumped.size(), 1);
        const std::optional<qint64> at = m_bridge->trackPositionMs();
        QVERIFY(at && *at >= 120'000 && *at < 122'000);

        // A shift is kept for the track, across a restart; another track has its own.
        QCOMPARE(m_bridge->lyricsShiftMs(), 0);
        m_bridge->setLyricsShiftMs(-1500);
        m_bridge = sessionBridge();
        QTRY_VERIFY(follows(fake));
        QTRY_COMPARE(m_bridge->lyricsShiftMs(), -1500); // read from the store on its thread
        fake->change({{u"Metadata"_s, trackMetadata(u"Other"_s)}});
        QTRY_COMPARE(m_bridge->trackInfo()->value(BridgeKey::trackName).toString(), u"Other"_s);
        QCOMPARE(m_bridge->lyricsShiftMs(), 0);
    }

    void lyricsFromTheWebOnlyWhenAllowedAndOnlyOnce()
    {
        HttpTestServer server;
        const QString address =
            lyrics::serviceAddress(server.site(), u"Sung"_s, u"Artist"_s, u"Album"_s, 200'000'000);
        const QString path = address.mid(server.site().size());
        server.setRoute(path, {200,
                               R"({"id": 1, "syncedLyrics": "[00:01.00]From the web"})",
                               HttpTestServer::Mode::Normal,
                               {}});
        const QList<lyrics::Line> fromTheWeb{{1000, u"From the web"_s}};
        m_bridge->setLyricsSite(server.site());
        FakeMprisPlayer* fake = m_fakes.add(fakeName, FakeMprisPlayer::playing(trackMetadata(u"Sung"_s)));
        QTRY_VERIFY(follows(fake));
        settle();
        // Off unless the user turns it on.
        QVERIFY(server.requests().isEmpty());
        QVERIFY(m_bridge->trackLyrics().isEmpty());

        m_bridge->setLyricsFromWeb(true);
        QTRY_COMPARE(m_bridge->trackLyrics().lines, fromTheWeb);
        QCOMPARE(server.requests(), QStringList{path});

        // Kept with the pictures: after a restart the service is not asked again.
        m_bridge = sessionBridge();
        m_bridge->setLyricsSite(server.site());
        m_bridge->setLyricsFromWeb(true);
        QTRY_COMPARE(m_bridge->trackLyrics().lines, fromTheWeb);
        QCOMPARE(server.requests().size(), 1);

        // A track with lyrics of its own does not ask; one the service does not know is asked once,
        // and a service that never answers holds nothing up.
        QVariantMap sung = trackMetadata(u"Own"_s);
        sung.insert(u"xesam:asText"_s, u"Our own words"_s);
        fake->change({{u"Metadata"_s, sung}});
        QTRY_COMPARE(m_bridge->trackLyrics().lines, (QList<lyrics::Line>{{-1, u"Our own words"_s}}));
        fake->change({{u"Metadata"_s, trackMetadata(u"Unknown"_s)}});
        QTRY_COMPARE(server.requests().size(), 2);
        settle();
        QVERIFY(m_bridge->trackLyrics().isEmpty());
        QCOMPARE(server.requests().size(), 2);
        const QString silent =
            lyrics::serviceAddress(server.site(), u"Silent"_s, u"Artist"_s, u"Album"_s, 200'000'000);
        server.setRoute(silent.mid(server.site().size()), {200, {}, HttpTestServer::Mode::Silent, {}});
        fake->change({{u"Metadata"_s, trackMetadata(u"Silent"_s)}});
        QTRY_COMPARE(m_bridge->trackInfo()->value(BridgeKey::trackName).toString(), u"Silent"_s);
        QVERIFY(m_bridge->trackLyrics().isEmpty());
    }

    void extrapolatesThePositionAndAsksAtMostOnceASecond()
    {
        QFETCH(int, startSeconds);
        QFETCH(int, lastSeconds);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(u"E"_s));
        properties.insert(u"Position"_s, int(startSeconds * 1'000'000)); // an i where x is documented
        FakeMprisPlayer* fake = m_fakes.add(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        for (int i = 0; i < 50; ++i)
            m_bridge->trackProgress();
        QTest::qWait(100);
        QCOMPARE(fake->count(u"Get Position"_s), 1);
        // A busy machine may oversleep a wait by a second, never undersleep it; and the next answer
        // may already have set the clock back to the player's own.
        const auto checkElapsed = [this](int lowest, int seconds) {
            const QString elapsed = m_bridge->trackProgress()->value(BridgeKey::trackElapsed).toString();
            bool inRange = false;
            for (int s = lowest; s <= seconds + 1; ++s)
                inRange = inRange || elapsed == u"0:%1"_s.arg(s, 2, 10, QChar(u'0'));
            QVERIFY2(inRange, qPrintable(elapsed));
        };
        QTest::qWait(1100);
        checkElapsed(startSeconds, startSeconds + 1);
        QTRY_COMPARE(fake->count(u"Get Position"_s), 2);
        // The player's answer (its clock stands still) sets ours back once it arrives.
        if (startSeconds > 0)
            QTRY_COMPARE(m_bridge->trackProgress()->value(BridgeKey::trackElapsed).toString(),
                         u"0:%1"_s.arg(startSeconds));
        QTest::qWait(1000);
        checkElapsed(lastSeconds, lastSeconds);
    }

    // Commands, the volume both ways, seeks and properties sent only as invalidated.
    void talksToThePlayer()
    {
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(u"Old"_s), u"Paused"_s);
        properties.insert(u"Volume"_s, 1.3);
        FakeMprisPlayer* fake = m_fakes.add(fakeName, properties);
        QTRY_VERIFY(follows(fake));
        m_bridge->playPause();
        m_bridge->gotoNextTrack();
        m_bridge->gotoPreviousTrack();
        QTRY_COMPARE(fake->count(u"Previous"_s), 1);
        QCOMPARE(fake->calls.filter(QRegularExpression(u"^(PlayPause|Next)$"_s)).size(), 2);
        QCOMPARE(fake->messages.last().interface(), u"org.mpris.MediaPlayer2.Player"_s);

        QCOMPARE(m_bridge->soundVolume(), QVariant(130));
        // What was just read, written back, is no change; what is no volume is not sent.
        m_bridge->setSoundVolume(m_bridge->soundVolume());
        m_bridge->setSoundVolume(QVariant());
        m_bridge->setSoundVolume(u"loud"_s);
        m_bridge->setSoundVolume(40);
        QTRY_COMPARE(fake->count(u"Set Volume"_s), 1);
        QCOMPARE(fake->properties.value(u"Volume"_s).toDouble(), 0.4);
        QCOMPARE(m_bridge->soundVolume(), QVariant(40));
        fake->change({{u"Volume"_s, 0.75}});
        QTRY_COMPARE(m_bridge->soundVolume(), QVariant(75));

        // Paused, the progress timer does not look; the refresh the seek brings shows it.
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        fake->seek(90'000'000);
        QTRY_COMPARE(m_bridge->trackProgress()->value(BridgeKey::trackElapsed), QVariant(u"1:30"_s));
        QTRY_COMPARE(notified.count(), 1);

        fake->properties.insert(u"Metadata"_s, trackMetadata(u"New"_s));
        fake->change({}, {u"Metadata"_s});
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(u"New"_s));
    }

    // A playing player wins and is kept while it plays; when the followed one leaves, the most
    // recently active takes over.
    void whichPlayerIsFollowed()
    {
        FakeMprisPlayer* a = player("A", "Paused", u"org.mpris.MediaPlayer2.a"_s);
        QTRY_VERIFY(follows(a));
        FakeMprisPlayer* b = player("B", "Playing", u"org.mpris.MediaPlayer2.b"_s);
        QTRY_VERIFY(follows(b));
        FakeMprisPlayer* c = player("C", "Paused", u"org.mpris.MediaPlayer2.c"_s);
        settle();
        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        a->change({{u"PlaybackStatus"_s, u"Playing"_s}});
        QTest::qWait(200);
        QVERIFY(follows(b));
        QCOMPARE(notified.count(), 0); // what another player does is no change of ours
        b->change({{u"PlaybackStatus"_s, u"Paused"_s}});
        QTRY_VERIFY(follows(a));
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(u"A"_s));
        a->change({{u"PlaybackStatus"_s, u"Paused"_s}});
        c->change({{u"PlaybackStatus"_s, u"Playing"_s}});
        QTRY_VERIFY(follows(c));
        c->change({{u"PlaybackStatus"_s, u"Stopped"_s}});
        QTest::qWait(100);
        QVERIFY(follows(c)); // not playing, but no other player plays either

        c->leave();
        QTRY_VERIFY(follows(a));
        a->leave();
        QTRY_VERIFY(follows(b));
        b->leave();
        QTRY_COMPARE(m_bridge->isRunning(), QVariant(false));
        QCOMPARE(m_bridge->playerState(), QVariant(0));
        QVERIFY(!m_bridge->trackInfo());
    }

    // Key p follows the next player by bus name, one per connection, and keeps to it whatever the
    // others do until it leaves. Preferred players are followed whenever there, ignored ones never.
    void theUserChoosesThePlayer()
    {
        FakeMprisPlayer* a = player("A", "Paused", u"org.mpris.MediaPlayer2.a"_s);
        FakeMprisPlayer* b = player("B", "Playing", u"org.mpris.MediaPlayer2.b"_s);
        QVERIFY(b->connection().registerService(u"org.mpris.MediaPlayer2.b.instance_1_42"_s));
        QTRY_VERIFY(follows(b) && m_bridge->players().players().size() == 3);
        QSignalSpy left(m_bridge.get(), &iTunesBridgeProtocol::chosenPlayerLeft);
        QCOMPARE(m_bridge->followNextPlayer(), u"Fake a"_s);
        b->change({{u"Metadata"_s, trackMetadata(u"B2"_s)}, {u"PlaybackStatus"_s, u"Playing"_s}});
        QTest::qWait(200);
        QVERIFY(follows(a));
        QCOMPARE(m_bridge->followNextPlayer(), u"Fake b"_s);
        QCOMPARE(m_bridge->followNextPlayer(), u"Fake a"_s);
        a->leave();
        QTRY_COMPARE(left.count(), 1);
        QCOMPARE(left.at(0).at(0).toString(), u"Fake b"_s);
        QVERIFY(follows(b));

        FakeMprisPlayer* c = player("C", "Paused", u"org.mpris.MediaPlayer2.c.instance_7"_s);
        m_bridge->setPlayerRules({u"nothing here"_s, u"FAKE C"_s}, {});
        QTRY_VERIFY(follows(c));
        m_bridge->setPlayerRules({}, {u"b"_s});
        QTest::qWait(200);
        QVERIFY(follows(c)); // b plays, but is ignored
        QCOMPARE(m_bridge->followNextPlayer(), u"Fake c"_s);
    }

    // What real players were seen to do, each already shown right; kept so.
    void quirksOfRealPlayers()
    {
        QTemporaryDir dir;
        const QString art = dir.filePath(u"chromium-art.png"_s);
        QVERIFY(writeFile(art, pictureBytes({20, 20}, Qt::green)));
        const QVariant browserTrack =
            QVariant::fromValue(QDBusObjectPath(u"/org/chromium/MediaPlayer2/Track/1"_s));
        // A browser: one track id for everything, first an empty title and artist, the rest soon after.
        FakeMprisPlayer* browser =
            m_fakes.add(u"org.mpris.MediaPlayer2.chromium.instance_1_42"_s,
                        FakeMprisPlayer::playing({{u"mpris:trackid"_s, browserTrack},
                                                  {u"xesam:title"_s, QString()},
                                                  {u"xesam:artist"_s, QStringList{QString()}}}));
        QTRY_VERIFY(follows(browser));
        QTest::qWait(150);
        browser->change(
            {{u"Metadata"_s, QVariantMap{{u"mpris:trackid"_s, browserTrack},
                                         {u"xesam:title"_s, u"Video"_s},
                                         {u"xesam:artist"_s, u"Channel"_s}, // a plain string, not a list
                                         {u"mpris:length"_s, qint64(0)},
                                         {u"mpris:artUrl"_s, QUrl::fromLocalFile(art).toString()}}}});
        QTRY_COMPARE(info(), (QVariantMap{{BridgeKey::trackName, u"Video"_s},
                                          {BridgeKey::trackArtist, u"Channel"_s}}));
        QVERIFY(!m_bridge->trackProgress()->contains(BridgeKey::trackProgressRatio)); // no length: no ratio
        // Its picture is a temporary file, deleted a second later: what was read stays.
        QTRY_VERIFY(m_bridge->artworkImages().has_value());
        QVERIFY(QFile::remove(art));
        browser->change({{u"Volume"_s, 0.4}});
        QTest::qWait(1200);
        QVERIFY(m_bridge->artworkImages().has_value());

        // A radio stream: new titles within one address.
        for (const QString& title : {u"Song One"_s, u"Song Two"_s}) {
            browser->change({{u"Metadata"_s, QVariantMap{{u"xesam:url"_s, u"http://radio.example/live"_s},
                                                         {u"xesam:title"_s, title}}}});
            QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(title));
        }

        // playerctld mirrors the last active player, paused, beside the real one playing.
        FakeMprisPlayer* mirror = player("Video", "Paused", u"org.mpris.MediaPlayer2.playerctld"_s);
        QTest::qWait(200);
        QVERIFY(follows(browser));
        QCOMPARE(m_bridge->playerState(), QVariant(2));
        browser->leave();
        QTRY_VERIFY(follows(mirror)); // alone, it is a player like any other
    }

    // A web picture is fetched once and kept on disk: after a restart the track shows it with the
    // server gone.
    void webArtworkOutlivesTheServer()
    {
        const QByteArray picture = pictureBytes({30, 30}, Qt::magenta);
        auto server = std::make_unique<HttpTestServer>();
        server->setRoute(u"/cover.png"_s, {200, picture, HttpTestServer::Mode::Normal, {}});
        const QString address = server->site() + u"/cover.png"_s;
        FakeMprisPlayer* fake =
            m_fakes.add(fakeName, FakeMprisPlayer::playing(trackMetadata(u"Web"_s, address)));
        QTRY_VERIFY(follows(fake));
        QTRY_COMPARE(m_bridge->artworkImages(), QList<QByteArray>{picture});
        server.reset();
        m_bridge = sessionBridge();
        QTRY_COMPARE(m_bridge->artworkImages(), QList<QByteArray>{picture});
    }

    void findsPlayersAlreadyOnTheBusAndIgnoresOtherNames()
    {
        m_bridge.reset();
        player("No", "Playing", u"org.example.NotAPlayer"_s);
        FakeMprisPlayer* vlc = player("Yes", "Playing", u"org.mpris.MediaPlayer2.vlc.instance7389"_s);
        m_bridge = sessionBridge();
        QTRY_VERIFY(follows(vlc));
        QCOMPARE(m_bridge->players().players().size(), 1);
        // Instance names are started by the name without the instance.
        QCOMPARE(m_bridge->lastPlayerName(), u"org.mpris.MediaPlayer2.vlc"_s);
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
        QTRY_COMPARE(fake->count(u"Next"_s), 1);
    }

    void keepsLovedAndRatingAcrossRuns()
    {
        QVariantMap metadata = trackMetadata(u"R"_s);
        metadata.insert(u"xesam:userRating"_s, 0.8);
        FakeMprisPlayer* fake = m_fakes.add(fakeName, FakeMprisPlayer::playing(metadata));
        QTRY_VERIFY(follows(fake));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(80));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(0));

        QSignalSpy notified(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        m_bridge->setITrackRating(60);
        m_bridge->setITrackLoved(true);
        QCOMPARE(m_bridge->iTrackRating(), QVariant(60));
        QCOMPARE(m_bridge->trackInfo()->value(BridgeKey::trackLoved), QVariant(1));
        QTRY_VERIFY(notified.count() >= 1);

        // Another run, another track, then this one again. The store is read on its own thread,
        // and the bridge says when what it read is there.
        m_bridge = sessionBridge();
        QSignalSpy known(m_bridge.get(), &iTunesBridgeProtocol::playerInfoChanged);
        QTRY_VERIFY(follows(fake));
        QTRY_COMPARE(m_bridge->iTrackRating(), QVariant(60));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(1));
        QVERIFY(!known.isEmpty());
        fake->change({{u"Metadata"_s, trackMetadata(u"Other"_s)}});
        QTRY_COMPARE(info().value(BridgeKey::trackName), QVariant(u"Other"_s));
        QCOMPARE(m_bridge->iTrackRating(), QVariant(0));
        QCOMPARE(m_bridge->iTrackLoved(), QVariant(0));
    }

    void writesTheRatingWhereThePlayerOffersAWay_data()
    {
        QTest::addColumn<QString>("busName");
        QTest::addColumn<QString>("expectedCall");
        QTest::newRow("Strawberry's Rating property")
            << u"org.mpris.MediaPlayer2.strawberry"_s << u"Set Rating"_s;
        QTest::newRow("Rhythmbox's database")
            << u"org.mpris.MediaPlayer2.rhythmbox"_s << u"SetEntryProperties"_s;
        QTest::newRow("no way") << u"org.mpris.MediaPlayer2.other"_s << QString();
    }

    void writesTheRatingWhereThePlayerOffersAWay()
    {
        QFETCH(QString, busName);
        QFETCH(QString, expectedCall);
        QVariantMap properties = FakeMprisPlayer::playing(trackMetadata(u"W"_s));
        if (expectedCall == u"Set Rating"_s)
            properties.insert(u"Rating"_s, 0.0);
        FakeMprisPlayer* fake = m_fakes.add(busName, properties);
        QTRY_VERIFY(follows(fake));
        m_bridge->setITrackRating(60);
        m_bridge->playPause(); // a marker: calls arrive in order
        QTRY_COMPARE(fake->count(u"PlayPause"_s), 1);
        for (const QString& call : {u"Set Rating"_s, u"SetEntryProperties"_s})
            QCOMPARE(fake->calls.contains(call), call == expectedCall);
        if (expectedCall == u"Set Rating"_s)
            QCOMPARE(fake->properties.value(u"Rating"_s).toDouble(), 0.6);
        if (expectedCall == u"SetEntryProperties"_s) {
            const QDBusMessage call = fake->messages.at(fake->calls.indexOf(expectedCall));
            QCOMPARE(call.path(), u"/org/gnome/Rhythmbox3/RhythmDB"_s);
            QCOMPARE(call.arguments().value(0).toString(), u"file:///nowhere/W.flac"_s);
            const QVariantMap entry = qdbus_cast<QVariantMap>(call.arguments().value(1));
            QCOMPARE(entry.value(u"rating"_s).toDouble(), 3.0);
        }
    }
};

QTEST_MAIN(TestMprisBridge)
#include "tst_mprisbridge.moc"
