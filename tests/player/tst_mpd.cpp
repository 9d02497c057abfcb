// Music servers: Debian's own mpd on loopback with songs the test makes, and a scripted server for
// the faults a real one does not make.

#include "player/mpd/mpdaddress.h"
#include "player/mpd/mpdanswers.h"
#include "player/mpd/mpdsource.h"
#include "player/playerbridge.h"
#include "player/playerchoice.h"
#include "player/values.h"
#include "tests/player/fakemprisplayer.h"
#include "tests/player/mediafiles.h"
#include "tests/player/sessionbridge.h"
#include "tests/support/latenessprobe.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

QStringList g_messages;
QMutex g_messagesLock; // the links log from their own threads
QtMessageHandler g_previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        const QMutexLocker lock(&g_messagesLock);
        g_messages << message;
    }
    g_previousHandler(type, context, message);
}

QStringList messagesWith(const QString& text)
{
    const QMutexLocker lock(&g_messagesLock);
    return g_messages.filter(text);
}

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Debian's mpd with a null output, a music folder of the test's, and a sticker database.
class MpdServerProcess
{
public:
    explicit MpdServerProcess(const QString& folder) : m_folder(folder), m_port(freePort())
    {
        QDir().mkpath(musicFolder());
        writeFile(m_folder + u"/mpd.conf"_s,
                  u"music_directory \"%1\"\ndb_file \"%2/db\"\nstate_file \"%2/state\"\n"
                  "sticker_file \"%2/sticker.sql\"\nbind_to_address \"127.0.0.1\"\nport \"%3\"\n"
                  "bind_to_address \"%2/socket\"\n"
                  "audio_output {\n type \"null\"\n name \"null\"\n mixer_type \"software\"\n}\n"_s
                      .arg(musicFolder(), m_folder)
                      .arg(m_port)
                      .toUtf8());
    }
    ~MpdServerProcess() { stop(); }

    QString musicFolder() const { return m_folder + u"/music"_s; }
    QString address() const { return u"127.0.0.1:%1"_s.arg(m_port); }
    QString socketPath() const { return m_folder + u"/socket"_s; }

    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(u"mpd"_s, {u"--no-daemon"_s, m_folder + u"/mpd.conf"_s});
        if (!m_process.waitForStarted())
            return false;
        for (int tries = 0; tries < 100; ++tries) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (socket.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }

    // What mpc answers, run as another client of the server would be.
    QString mpc(const QStringList& arguments)
    {
        QProcess mpc;
        mpc.start(u"mpc"_s, QStringList{u"-h"_s, u"127.0.0.1"_s, u"-p"_s, QString::number(m_port)} + arguments);
        mpc.waitForFinished(10000);
        return QString::fromUtf8(mpc.readAllStandardOutput()).trimmed();
    }

private:
    QString m_folder;
    int m_port;
    QProcess m_process;
};

// A server of the protocol that goes wrong as told, on a thread of its own so that nothing of it
// runs on the test's (the window's) thread.
class ScriptedServer
{
public:
    enum class Fault
    {
        NeverGreets,
        NeverAnswers,
        AbsurdPicture,
        FloodOfLines,
        BadText,
        ClosesMidAnswer,
    };

    explicit ScriptedServer(Fault fault) : m_fault(fault)
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 8);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        pipe(m_stop);
        m_thread = std::thread([this] { acceptAll(); });
    }
    ~ScriptedServer()
    {
        close(m_stop[1]);
        m_thread.join();
        close(m_stop[0]);
        close(m_listener);
    }

    int port() const { return m_port; }
    int connections() const { return m_connections; }

private:
    // Waits for the socket or the end; false at the end.
    bool waitFor(int fd)
    {
        pollfd watched[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        poll(watched, 2, -1);
        return watched[1].revents == 0;
    }

    void acceptAll()
    {
        while (waitFor(m_listener)) {
            const int client = accept(m_listener, nullptr, nullptr);
            ++m_connections;
            serve(client);
            close(client);
        }
    }

    static void say(int client, const QByteArray& text)
    {
        for (qsizetype sent = 0; sent < text.size();) {
            const ssize_t written = send(client, text.constData() + sent, size_t(text.size() - sent), MSG_NOSIGNAL);
            if (written <= 0)
                return;
            sent += written;
        }
    }

    void serve(int client)
    {
        if (m_fault == Fault::NeverGreets) {
            // Holds the connection until the client leaves it.
            char byte = 0;
            while (waitFor(client) && recv(client, &byte, 1, 0) > 0) {
            }
            return;
        }
        say(client, "OK MPD 0.23.5\n");
        QByteArray buffer;
        char chunk[4096];
        while (waitFor(client)) {
            const ssize_t got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0)
                return;
            buffer.append(chunk, got);
            for (qsizetype end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n')) {
                const QByteArray command = buffer.left(end).split(' ').constFirst();
                buffer.remove(0, end + 1);
                if (m_fault == Fault::NeverAnswers)
                    continue;
                if (!answer(client, command))
                    return;
            }
        }
    }

    // False to close the connection.
    bool answer(int client, const QByteArray& command)
    {
        if (command == "commands") {
            say(client, "command: readpicture\ncommand: status\ncommand: currentsong\nOK\n");
        } else if (command == "status") {
            say(client, "state: play\nsongid: 1\nelapsed: 2.5\nduration: 100.0\nOK\n");
        } else if (command == "currentsong") {
            if (m_fault == Fault::FloodOfLines) {
                QByteArray flood = "file: flood.mp3\n";
                flood += QByteArray("Comment: ").append(QByteArray(70, 'x')).append('\n').repeated(50000);
                say(client, flood + "OK\n");
            } else if (m_fault == Fault::BadText) {
                say(client, QByteArray("file: bad.mp3\nTitle: Bad \xff\xfe na", 30) + QByteArray(1, '\0') +
                                "me\nArtist: \xc3\x28\x80\nId: 1\nOK\n");
            } else if (m_fault == Fault::ClosesMidAnswer) {
                say(client, "file: half.mp3\nTitle: Hal");
                return false;
            } else {
                say(client, "file: scripted.mp3\nTitle: Scripted\nId: 1\nOK\n");
            }
        } else if (command == "readpicture" && m_fault == Fault::AbsurdPicture) {
            say(client, "size: 99999999999\ntype: image/png\nbinary: 99999999999\n");
        } else if (command != "idle") {
            say(client, "OK\n"); // binarylimit, albumart without a picture, noidle
        }
        return true;
    }

    Fault m_fault;
    int m_listener = -1;
    int m_port = 0;
    int m_stop[2] = {-1, -1};
    std::atomic<int> m_connections = 0;
    std::thread m_thread;
};

} // namespace

class TestMpd : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<PlayerBridge> m_bridge;
    FakeMprisPlayers m_fakes;

    // A bridge over the session bus's players and the servers given, tried again quickly.
    void follow(const QStringList& servers, const QString& musicFolder = {},
                std::chrono::milliseconds answerWait = std::chrono::seconds(1))
    {
        m_bridge = sessionBridge();
        m_bridge->addSource(new MpdSource({.answerWait = answerWait,
                                           .firstRetryPause = std::chrono::milliseconds(50),
                                           .maxRetryPause = std::chrono::milliseconds(300)}));
        m_bridge->setMusicServers(servers, musicFolder);
    }
    QVariant shown(const QString& key) { return m_bridge->trackInfo().value_or(QVariantMap()).value(key); }
    QVariant shownName() { return shown(BridgeKey::trackName); }
    QByteArray shownArtwork()
    {
        const QList<QByteArray> pictures = m_bridge->artworkImages().value_or(QList<QByteArray>());
        return pictures.isEmpty() ? QByteArray() : pictures.first();
    }

private Q_SLOTS:
    void initTestCase()
    {
        g_previousHandler = qInstallMessageHandler(recordMessage);
        if (QStandardPaths::findExecutable(u"mpd"_s).isEmpty() || QStandardPaths::findExecutable(u"mpc"_s).isEmpty())
            QFAIL("mpd and mpc are needed: ./test.sh installs them");
    }

    void init() { m_environment = std::make_unique<TestEnvironment>(1.0); }

    void cleanup()
    {
        m_fakes.clear();
        m_bridge.reset();
        m_environment.reset();
    }

    void addressesAsClientsReadThem()
    {
        const auto endpoint = [](const QString& entry) {
            const std::optional<MpdEndpoint> parsed = parseMpdEndpoint(entry);
            return parsed ? parsed->password + u'|' + parsed->label() : u"none"_s;
        };
        QCOMPARE(endpoint(u"box"_s), u"|box:6600"_s);
        QCOMPARE(endpoint(u" secret@box.local:6601 "_s), u"secret|box.local:6601"_s);
        QCOMPARE(endpoint(u"[::1]:6602"_s), u"|[::1]:6602"_s);
        QCOMPARE(endpoint(u"fe80::1"_s), u"|[fe80::1]:6600"_s);
        QCOMPARE(endpoint(u"pw@/run/mpd/socket"_s), u"pw|/run/mpd/socket"_s);
        QCOMPARE(endpoint(u"@mpd"_s), u"|@mpd"_s);
        for (const QString& bad : {u""_s, u"box:0"_s, u"box:65536"_s, u"box:port"_s, u":6600"_s, u"[::1"_s,
                                   u"pw@"_s, u"two words"_s})
            QCOMPARE(endpoint(bad), u"none"_s);

        // The list's entries, else MPD_HOST and MPD_PORT, else the local server either way it listens.
        const MpdEnvironment environment{u"pw@far:7000"_s, u"6700"_s, u"/run/user/1000"_s};
        const QList<MpdServer> listed = mpdServers({u"a"_s, u"a:6600"_s, u"bad:x"_s, u"b:1"_s}, environment);
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed[0].name, u"a:6600"_s);
        QCOMPARE(listed[1].name, u"b:1"_s);
        const QList<MpdServer> fromEnvironment = mpdServers({}, environment);
        QCOMPARE(fromEnvironment.size(), 1);
        QCOMPARE(fromEnvironment[0].name, u"far:7000"_s);
        QCOMPARE(fromEnvironment[0].endpoints[0].password, u"pw"_s);
        QCOMPARE(mpdServers({}, {u"near"_s, u"6700"_s, {}})[0].name, u"near:6700"_s);
        const QList<MpdServer> local = mpdServers({}, {{}, {}, u"/run/user/1000"_s});
        QCOMPARE(local.size(), 1);
        QCOMPARE(local[0].endpoints.size(), 2);
        QCOMPARE(local[0].endpoints[0].socketPath, u"/run/user/1000/mpd/socket"_s);
        QCOMPARE(local[0].name, u"localhost:6600"_s);
    }

    // What the protocol's lines say of a song and of the server's state.
    void readsSongsAndStatus()
    {
        const Track track = mpd::trackFrom({{"file", "a/b.flac"},
                                            {"Artist", "One"},
                                            {"Artist", "Two"},
                                            {"AlbumArtist", "Various"},
                                            {"Title", "Song\tname"},
                                            {"Track", "3/12"},
                                            {"Disc", "2"},
                                            {"Date", "2019-05-01"},
                                            {"Time", "101"},
                                            {"duration", "100.5"},
                                            {"Id", "7"}},
                                           u"mpd://box:6600/a/b.flac"_s);
        QCOMPARE(track.artist, u"One, Two"_s);
        QCOMPARE(track.trackNumber, 3);
        QCOMPARE(track.discNumber, 2);
        QCOMPARE(track.year, 2019);
        QCOMPARE(track.lengthUs, 100'500'000);
        QCOMPARE(track.id, u"7"_s);
        // Without artists, the album's; a stream's name stands for its album.
        const Track stream = mpd::trackFrom({{"AlbumArtist", "Band"}, {"Name", "Radio"}, {"Title", "Now"}}, {});
        QCOMPARE(stream.artist, u"Band"_s);
        QCOMPARE(stream.album, u"Radio"_s);

        const mpd::Status status = mpd::statusFrom(
            {{"state", "pause"}, {"volume", "-1"}, {"elapsed", "12.25"}, {"songid", "4"}, {"nextsongid", "x"}});
        QCOMPARE(status.state, PlaybackStatus::Paused);
        QVERIFY(!status.volume && !status.nextSongId);
        QCOMPARE(status.elapsedUs, 12'250'000);
        QCOMPARE(status.songId, 4u);

        Track rated;
        mpd::applyStickers(rated, {{"sticker", "rating=7"}, {"sticker", "like=2"}, {"sticker", "other=x"}});
        QCOMPARE(rated.rating, 0.7);
        QCOMPARE(rated.loved, true);
        mpd::applyStickers(rated, {{"sticker", "rating=99"}, {"sticker", "like=1"}});
        QCOMPARE(rated.rating, 1.0);
        QCOMPARE(rated.loved, false);
        QCOMPARE(mpd::lyricsFrom({{"UNSYNCEDLYRICS", "plain"}, {"lyrics", "[00:01]timed"}}), u"[00:01]timed"_s);
    }

    // Three songs on a real server, seen by a display that cannot read the music folder: names,
    // numbers, artwork from the file and from the folder, the next song, the state, and commands.
    void followsARealServer()
    {
        MpdServerProcess server(m_environment->path() + u"/mpd"_s);
        const QString music = server.musicFolder() + u"/Album"_s;
        QVERIFY(QDir().mkpath(music));
        const QByteArray inFile = pictureBytes({64, 64}, Qt::red, "PNG");
        const QByteArray otherFormat = pictureBytes({48, 48}, Qt::blue, "JPEG");
        const QByteArray beside = pictureBytes({32, 32}, Qt::green, "JPEG");
        QVERIFY(writeWav(music + u"/1.wav"_s, 60, u"One"_s, u"Loopback"_s, u"Testers"_s, {{inFile, true}}));
        QVERIFY(addTags(music + u"/1.wav"_s, {{u"DATE"_s, u"2021"_s}}));
        QVERIFY(writeWav(music + u"/2.wav"_s, 60, u"Two"_s, u"Loopback"_s, u"Testers"_s, {{otherFormat, true}}));
        QVERIFY(writeWav(music + u"/3.wav"_s, 60, u"Three"_s, u"Loopback"_s, u"Testers"_s));
        QVERIFY(writeFile(music + u"/cover.jpg"_s, beside));
        QVERIFY(server.start());
        server.mpc({u"update"_s, u"--wait"_s});
        server.mpc({u"add"_s, u"Album"_s});
        server.mpc({u"play"_s});

        follow({server.address()});
        QTRY_COMPARE(shownName(), QVariant(u"One"_s));
        QCOMPARE(shown(BridgeKey::trackAlbum), QVariant(u"Loopback"_s));
        QCOMPARE(shown(BridgeKey::trackArtist), QVariant(u"Testers"_s));
        QCOMPARE(shown(BridgeKey::trackYear), QVariant(2021));
        QCOMPARE(m_bridge->playerState(), QVariant(2));
        QTRY_COMPARE(shownArtwork(), inFile);
        QCOMPARE(m_bridge->nextTrackInfo().value_or(QVariantMap()).value(BridgeKey::trackName), QVariant(u"Two"_s));
        QCOMPARE(m_bridge->playerNames(), QStringList{u"MPD "_s + server.address()});

        server.mpc({u"next"_s});
        QTRY_COMPARE(shownName(), QVariant(u"Two"_s));
        QTRY_COMPARE(shownArtwork(), otherFormat);
        m_bridge->gotoNextTrack();
        QTRY_COMPARE(shownName(), QVariant(u"Three"_s));
        QTRY_COMPARE(shownArtwork(), beside);
        QVERIFY(!m_bridge->nextTrackInfo());

        m_bridge->playPause();
        QTRY_COMPARE(m_bridge->playerState(), QVariant(3));
        QVERIFY(server.mpc({u"status"_s}).contains(u"[paused]"_s));
        m_bridge->gotoPreviousTrack();
        QTRY_COMPARE(shownName(), QVariant(u"Two"_s));
        m_bridge->setSoundVolume(40);
        QTRY_VERIFY(server.mpc({u"volume"_s}).contains(u"40%"_s));
        server.mpc({u"volume"_s, u"70"_s});
        QTRY_COMPARE(m_bridge->soundVolume().toInt(), 70);

        // Stars and the heart are the server's stickers, as other clients read and write them.
        m_bridge->setITrackRating(40);
        QTRY_COMPARE(server.mpc({u"sticker"_s, u"Album/2.wav"_s, u"get"_s, u"rating"_s}), u"rating=4"_s);
        m_bridge->setITrackLoved(true);
        QTRY_COMPARE(server.mpc({u"sticker"_s, u"Album/2.wav"_s, u"get"_s, u"like"_s}), u"like=2"_s);
        server.mpc({u"sticker"_s, u"Album/2.wav"_s, u"set"_s, u"rating"_s, u"10"_s});
        QTRY_COMPARE(m_bridge->iTrackRating().toInt(), 100);
        m_bridge->setITrackLoved(false);
        QTRY_COMPARE(server.mpc({u"sticker"_s, u"Album/2.wav"_s, u"list"_s}), u"rating=10"_s);

        // Gone: no player; back: followed again without a word from here.
        server.stop();
        QTRY_VERIFY(m_bridge->playerNames().isEmpty());
        QVERIFY(server.start());
        server.mpc({u"play"_s});
        QTRY_COMPARE_WITH_TIMEOUT(m_bridge->playerState(), QVariant(2), 15000);
        QCOMPARE(messagesWith(server.address()).size(), 1); // that it went away, once
    }

    // With the music folder readable here, the song is a local file: its tags and pictures count.
    void aReadableMusicFolderGivesTheFiles()
    {
        MpdServerProcess server(m_environment->path() + u"/mpd"_s);
        QVERIFY(QDir().mkpath(server.musicFolder()));
        QVERIFY(writeWav(server.musicFolder() + u"/song.wav"_s, 60, u"Local"_s, {}, {},
                         {{pictureBytes({20, 20}, Qt::red), true}, {pictureBytes({30, 30}, Qt::blue), false}}));
        QVERIFY(server.start());
        server.mpc({u"update"_s, u"--wait"_s});
        server.mpc({u"add"_s, u"song.wav"_s});
        server.mpc({u"play"_s});
        follow({server.address()}, server.musicFolder());
        QTRY_COMPARE(shownName(), QVariant(u"Local"_s));
        QTRY_COMPARE(m_bridge->artworkImages().value_or(QList<QByteArray>()).size(), 2);
        QVERIFY(m_bridge->iCodecInfo().toString().contains(u"song.wav"_s));

        // A server on this computer's socket says itself where its music is.
        follow({server.socketPath()});
        QTRY_COMPARE(m_bridge->playerNames(), QStringList{u"MPD "_s + server.socketPath()});
        QTRY_COMPARE(m_bridge->artworkImages().value_or(QList<QByteArray>()).size(), 2);
        m_bridge.reset();
    }

    void badServers_data()
    {
        QTest::addColumn<ScriptedServer::Fault>("fault");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<QString>("shows");
        using Fault = ScriptedServer::Fault;
        QTest::newRow("accepts and never greets") << Fault::NeverGreets << u"never greeted"_s << QString();
        QTest::newRow("greets and never answers") << Fault::NeverAnswers << u"did not answer in time"_s << QString();
        QTest::newRow("a picture of absurd size") << Fault::AbsurdPicture << u"a piece of a picture"_s
                                                  << u"Scripted"_s;
        QTest::newRow("megabytes of lines") << Fault::FloodOfLines << u"an answer of more than"_s << QString();
        QTest::newRow("closes mid-answer") << Fault::ClosesMidAnswer << u"closed the connection"_s << QString();
        QTest::newRow("invalid UTF-8 and NUL") << Fault::BadText << QString() << u"Bad \ufffd\ufffd na"_s;
    }

    // A bad server is left and tried again; the window and the other players never wait for it,
    // the log says once what was wrong, and never the password.
    void badServers()
    {
        QFETCH(ScriptedServer::Fault, fault);
        QFETCH(QString, logged);
        QFETCH(QString, shows);
        ScriptedServer server(fault);
        const QString address = u"127.0.0.1:%1"_s.arg(server.port());
        m_fakes.add(u"org.mpris.MediaPlayer2.other"_s, FakeMprisPlayer::playing(trackMetadata(u"Other"_s), u"Paused"_s));
        const LatenessProbe probe;
        follow({u"hunter2@"_s + address}, {}, std::chrono::milliseconds(400));
        if (!shows.isEmpty())
            QTRY_COMPARE(shownName(), QVariant(shows));
        // A faulty server is tried again and again; the log says so once.
        if (!logged.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(server.connections() >= 2, 10000);
        // The others stay followable while the server misbehaves.
        QTRY_VERIFY(m_bridge->playerNames().contains(u"Fake other"_s));
        while (m_bridge->followNextPlayer() != u"Fake other"_s) {
        }
        QTRY_COMPARE(shownName(), QVariant(u"Other"_s));

        const QStringList said = messagesWith(address);
        QCOMPARE(said.size(), logged.isEmpty() ? 0 : 1);
        if (!logged.isEmpty())
            QVERIFY2(said.first().contains(logged), qPrintable(said.first()));
        QVERIFY(messagesWith(u"hunter2"_s).isEmpty());
        qInfo("the window waited at most %lld ms", probe.worstMs());
        QVERIFY2(probe.worstMs() < maxLatenessMs, qPrintable(QString::number(probe.worstMs())));
        m_bridge.reset(); // the links end without waiting for the server
    }
};

QTEST_MAIN(TestMpd)
#include "tst_mpd.moc"
