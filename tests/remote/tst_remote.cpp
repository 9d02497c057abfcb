// The remote: its rules for who may ask what, the real server answering real HTTP and WebSocket
// clients, each command reaching the player, the push of every change, and its limits.

#include "display/screencare.h"
#include "remote/httpservice.h"
#include "remote/remotecontrol.h"
#include "remote/requesthead.h"
#include "tests/remote/remoteclient.h"
#include "tests/support/latenessprobe.h"
#include "tests/support/pictures.h"
#include "tests/support/testenvironment.h"

#include <QBuffer>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QWebSocket>

using namespace sleevelight;
using namespace sleevelight::test;
using namespace Qt::StringLiterals;

namespace {

// The application with the remote turned on at a free port.
struct Remote : TestApplication
{
    Remote()
    {
        control = d->feature<RemoteControl>();
        Preferences live = d->livePreferences();
        live.remoteControl = true;
        live.remotePort = 0;
        d->setLivePreferences(live);
    }
    bool listens()
    {
        if (!QTest::qWaitFor([this] { return control->port() != 0; }, 5000))
            return false;
        token = d->livePreferences().remoteToken.toUtf8();
        port = control->port();
        return true;
    }
    HttpAnswer command(const QByteArray& json, const QByteArray& with = "token")
    {
        return exchange(port, request("POST", "/api/command", with == "token" ? token : with, json));
    }
    QJsonObject track()
    {
        return QJsonDocument::fromJson(exchange(port, request("GET", "/api/track", token)).body).object();
    }

    RemoteControl* control = nullptr;
    QByteArray token;
    quint16 port = 0;
};

// A phone's WebSocket, keeping every state it was sent.
struct Phone
{
    Phone(quint16 port, const QByteArray& token)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            states << QJsonDocument::fromJson(text.toUtf8()).object();
        });
        socket.open(QUrl(u"ws://127.0.0.1:%1/ws?token=%2"_s.arg(port).arg(QString::fromUtf8(token))));
    }
    bool saw(const QString& key, const QJsonValue& value) const
    {
        for (const QJsonObject& state : states)
            if (state.value(key) == value)
                return true;
        return false;
    }
    QWebSocket socket;
    QList<QJsonObject> states;
};

} // namespace

class TestRemote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestHeads_data();
    void requestHeads();
    void tokensAndCommands();
    void pushWithinASecond();
    void hostileRequestsNeverHoldTheWindow();
    void newTokenShutsOutPhones();
    void offMeansNothingListens();
    void portTakenIsSaid();
    void connectionLimits();
};

void TestRemote::requestHeads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("verdict"); // a status; 0 admitted; -1 incomplete, -2 too large, -3 malformed

    const auto row = [](const char* name, const QByteArray& bytes, int verdict) {
        QTest::newRow(name) << bytes << verdict;
    };
    const QByteArray bearer = "Authorization: Bearer s3cret-token\r\n";
    row("bearer", "GET /api/track HTTP/1.1\r\nHost: 127.0.0.1:8470\r\n" + bearer + "\r\n", 0);
    row("query token, .local name", QByteArray("GET /api/track?token=s3cret-token HTTP/1.1\r\nHost: box.local:8470\r\n\r\n"), 0);
    row("page without token", QByteArray("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n"), 0);
    row("machine's address", "GET /api/artwork HTTP/1.1\r\nHost: 192.168.1.20:8470\r\n" + bearer + "\r\n", 0);
    row("IPv6 loopback", "GET /api/track HTTP/1.1\r\nHost: [::1]:8470\r\n" + bearer + "\r\n", 0);
    row("lines ended by LF alone", "GET /api/track HTTP/1.1\nHost: box\n" + bearer.chopped(2) + "\n\n", 0);
    row("same origin", "POST /api/command HTTP/1.1\r\nHost: box:8470\r\nOrigin: http://box:8470\r\n" + bearer +
                                        "Content-Length: 2\r\n\r\n", 0);
    row("body of exactly 64 KiB", "POST /api/command HTTP/1.1\r\nHost: box\r\n" + bearer + "Content-Length: 65536\r\n\r\n", 0);
    row("websocket", "GET /ws?token=s3cret-token HTTP/1.1\r\nHost: box\r\nUpgrade: websocket\r\n\r\n", 0);

    row("no token", QByteArray("GET /api/track HTTP/1.1\r\nHost: box\r\n\r\n"), 401);
    row("wrong token", QByteArray("GET /api/track HTTP/1.1\r\nHost: box\r\nAuthorization: Bearer nope\r\n\r\n"), 401);
    row("token's beginning", QByteArray("GET /api/track?token=s3cret HTTP/1.1\r\nHost: box\r\n\r\n"), 401);
    row("other parameter", QByteArray("GET /api/track?tokens=s3cret-token HTTP/1.1\r\nHost: box\r\n\r\n"), 401);
    row("websocket without token", QByteArray("GET /ws HTTP/1.1\r\nHost: box\r\nUpgrade: websocket\r\n\r\n"), 401);
    row("rebound name", "GET /api/track HTTP/1.1\r\nHost: evil.example:8470\r\n" + bearer + "\r\n", 421);
    row("another address", "GET / HTTP/1.1\r\nHost: 10.9.9.9:8470\r\n\r\n", 421);
    row("no host", QByteArray("GET / HTTP/1.1\r\n\r\n"), 421);
    row("two hosts", QByteArray("GET / HTTP/1.1\r\nHost: box\r\nHost: evil.example\r\n\r\n"), -3);
    row("other origin", "POST /api/command HTTP/1.1\r\nHost: box\r\nOrigin: http://evil.example\r\n" + bearer +
                                         "Content-Length: 2\r\n\r\n", 403);
    row("a file's path", QByteArray("GET /etc/passwd HTTP/1.1\r\nHost: box\r\n\r\n"), 404);
    row("up the tree", QByteArray("GET /../remote.js HTTP/1.1\r\nHost: box\r\n\r\n"), 404);
    row("up the tree, encoded", QByteArray("GET /%2e%2e/remote.js HTTP/1.1\r\nHost: box\r\n\r\n"), 404);
    row("beneath a route", "GET /api/track/x HTTP/1.1\r\nHost: box\r\n" + bearer + "\r\n", 404);
    row("post to the track", "POST /api/track HTTP/1.1\r\nHost: box\r\n" + bearer + "\r\n", 405);
    row("get a command", "GET /api/command HTTP/1.1\r\nHost: box\r\n" + bearer + "\r\n", 405);
    row("websocket at the page", QByteArray("GET / HTTP/1.1\r\nHost: box\r\nUpgrade: websocket\r\n\r\n"), 405);
    row("chunked body", "POST /api/command HTTP/1.1\r\nHost: box\r\n" + bearer +
                                         "Transfer-Encoding: chunked\r\n\r\n", 411);
    row("body over 64 KiB", "POST /api/command HTTP/1.1\r\nHost: box\r\n" + bearer +
                                             "Content-Length: 65537\r\n\r\n", 413);

    row("incomplete", QByteArray("GET /api/track HTTP/1.1\r\nHost: bo"), -1);
    row("head too large", "GET / HTTP/1.1\r\nX-Pad: " + QByteArray(9000, 'a'), -2);
    row("not a request line", QByteArray("HELLO\r\nHost: box\r\n\r\n"), -3);
    row("absolute target", QByteArray("GET http://box/ HTTP/1.1\r\nHost: box\r\n\r\n"), -3);
    row("two lengths", QByteArray("POST /api/command HTTP/1.1\r\nHost: box\r\nContent-Length: 2\r\n"
                                               "Content-Length: 90000\r\n\r\n"), -3);
    row("folded line", QByteArray("GET / HTTP/1.1\r\nHost: box\r\n folded\r\n\r\n"), -3);
}

void TestRemote::requestHeads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, verdict);
    RemoteRules rules;
    rules.token = u"s3cret-token"_s;
    rules.hostNames = {u"localhost"_s, u"box"_s, u"box.local"_s};
    rules.addresses = {QHostAddress(u"192.168.1.20"_s)};

    const HeadReading reading = readRequestHead(bytes, 8192);
    switch (reading.status) {
    case HeadReading::Status::Incomplete:
        QCOMPARE(verdict, -1);
        break;
    case HeadReading::Status::TooLarge:
        QCOMPARE(verdict, -2);
        break;
    case HeadReading::Status::Malformed:
        QCOMPARE(verdict, -3);
        break;
    case HeadReading::Status::Complete:
        QCOMPARE(rules.admit(reading.head), verdict);
        QCOMPARE(reading.head.size, bytes.indexOf(bytes.contains("\r\n\r\n") ? "\r\n\r\n" : "\n\n") +
                                        (bytes.contains("\r\n\r\n") ? 4 : 2));
        break;
    }
}

void TestRemote::tokensAndCommands()
{
    Remote remote;
    QVERIFY(remote.listens());
    remote.bridge->names = {u"Player A"_s, u"Player B"_s};
    remote.play(u"One"_s, QList<QByteArray>{pictureBytes(QSize(2400, 1200), Qt::blue, "JPEG")});

    // Without the token, or with another, nothing happens.
    for (const QByteArray& token : {QByteArray(), QByteArray("not-the-token")}) {
        const HttpAnswer refused = remote.command(R"({"command":"next"})", token.isEmpty() ? " " : token);
        QCOMPARE(refused.status, 401);
        QVERIFY(!refused.body.contains("One"));
    }
    QCOMPARE(exchange(remote.port, request("GET", "/api/track", {})).status, 401);
    QCOMPARE(exchange(remote.port, request("GET", "/api/artwork", "wrong")).status, 401);
    QTest::qWait(100);
    QVERIFY(remote.bridge->commands.isEmpty());

    // The track, by the header and by the query.
    QTRY_COMPARE(remote.track().value(u"name"_s).toString(), u"One"_s);
    const HttpAnswer byQuery = exchange(remote.port, request("GET", "/api/track?token=" + remote.token, {}));
    QCOMPARE(byQuery.status, 200);
    QVERIFY(byQuery.head.contains("Content-Type: application/json"));
    QVERIFY(!byQuery.head.toLower().contains("access-control-allow-origin"));
    // The artwork, scaled for a phone.
    QTRY_VERIFY(!remote.track().value(u"artwork"_s).toString().isEmpty());
    const HttpAnswer artwork = exchange(remote.port, request("GET", "/api/artwork", remote.token));
    QCOMPARE(artwork.status, 200);
    QBuffer buffer(const_cast<QByteArray*>(&artwork.body));
    QCOMPARE(QImageReader(&buffer).size(), QSize(1024, 512));
    // The page and its parts need no token; they hold none.
    const HttpAnswer page = exchange(remote.port, request("GET", "/", {}));
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains("aria-label=\"Next\""));
    QVERIFY(!page.body.contains(remote.token));

    // Each command, and what the player was told.
    FakeBridge& player = *remote.bridge;
    QCOMPARE(remote.command(R"({"command":"next"})").status, 202);
    QTRY_COMPARE(player.commands, QStringList{u"gotoNextTrack"_s});
    remote.command(R"({"command":"previous"})");
    QTRY_COMPARE(player.commands.last(), u"gotoPreviousTrack"_s);
    remote.command(R"({"command":"pause"})");
    QTRY_COMPARE(player.commands.last(), u"playPause"_s);
    const qsizetype sent = player.commands.size();
    remote.command(R"({"command":"play"})"); // it plays already
    remote.command(R"({"command":"volume","value":30})");
    QTRY_COMPARE(player.volumeWrites.value(player.volumeWrites.size() - 1).toInt(), 30);
    QCOMPARE(player.commands.size(), sent);
    remote.command(R"({"command":"loved","value":true})");
    QTRY_COMPARE(player.lovedWrites.size(), 1);
    QVERIFY(player.lovedWrites.last().toBool());
    remote.command(R"({"command":"loved","value":true})"); // loved already
    remote.command(R"({"command":"rating","value":3})");
    QTRY_COMPARE(player.ratingWrites.value(player.ratingWrites.size() - 1).toInt(), 60);
    QCOMPARE(player.lovedWrites.size(), 1);
    remote.command(R"({"command":"follow","player":"Player B"})");
    QTRY_COMPARE(player.followed, u"Player B"_s);
    QCOMPARE(remote.d->alertInfo(), u"Now following: Player B"_s);
    remote.command(R"({"command":"vinyl","value":true})");
    QTRY_VERIFY(remote.d->livePreferences().isShowVinyl);
    remote.command(R"({"command":"nextUp"})");
    QTRY_VERIFY(remote.d->livePreferences().showNextUp);

    // Standby, only while nothing plays.
    player.state = 3;
    remote.d->updateTrackInfo();
    auto* care = remote.d->feature<ScreenCare>();
    remote.command(R"({"command":"standby","value":true})");
    QTRY_VERIFY(care->isInStandby());
    QTRY_COMPARE(remote.track().value(u"switches"_s).toObject().value(u"standby"_s).toBool(), true);
    remote.command(R"({"command":"standby","value":false})");
    QTRY_VERIFY(!care->isInStandby());

    // Preferences are applied as the panel applies them; the remote's own are not a phone's.
    remote.command(R"({"command":"preferences","values":{"standbyDelay":7,"showLyrics":true,)"
                   R"("mpdServers":["music.local:6600"],"remoteControl":false,"remoteToken":"mine"}})");
    QTRY_COMPARE(remote.d->livePreferences().standbyDelay, 7);
    QVERIFY(remote.d->livePreferences().showLyrics);
    QCOMPARE(remote.d->livePreferences().mpdServers, QStringList{u"music.local:6600"_s});
    QVERIFY(remote.d->livePreferences().remoteControl);
    QCOMPARE(remote.d->livePreferences().remoteToken.toUtf8(), remote.token);
    QVERIFY(readFile(remote.environment.settingsFile()).contains("standbyDelay=7"));

    // What is not a command is refused, and does nothing.
    const qsizetype before = player.commands.size();
    for (const QByteArray& bad : {QByteArray(R"({"command":"explode"})"), QByteArray("next"),
                                  QByteArray(R"({"command":"rating","value":7})"),
                                  QByteArray(R"({"command":"volume","value":"loud"})"), QByteArray("[]")})
        QCOMPARE(remote.command(bad).status, 400);
    QTest::qWait(100);
    QCOMPARE(player.commands.size(), before);
}

void TestRemote::pushWithinASecond()
{
    Remote remote;
    QVERIFY(remote.listens());
    remote.play(u"First"_s, std::nullopt);
    Phone phone(remote.port, remote.token);
    QTRY_VERIFY(phone.saw(u"name"_s, u"First"_s));

    // A new track from the player.
    QElapsedTimer clock;
    clock.start();
    remote.bridge->playTrack(u"Second"_s);
    remote.bridge->notify();
    QTRY_VERIFY_WITH_TIMEOUT(phone.saw(u"name"_s, u"Second"_s), 1000);
    qInfo("a new track reached the phone in %lld ms", clock.elapsed());

    // A star set by key s, and a pause.
    remote.d->runKeyCommand(KeyCommand::Rating);
    QTRY_VERIFY_WITH_TIMEOUT(phone.saw(u"rating"_s, 3), 1000); // two stars and one more
    remote.bridge->state = 3;
    remote.bridge->notify();
    QTRY_VERIFY_WITH_TIMEOUT(phone.saw(u"state"_s, u"paused"_s), 1000);

    // The position is not pushed every second: the page runs it on.
    const qsizetype count = phone.states.size();
    remote.bridge->state = 2;
    remote.bridge->notify();
    QTRY_COMPARE(phone.states.size(), count + 1);
    for (int tick = 0; tick < 3; ++tick)
        remote.d->updateTrackProgress();
    QTest::qWait(200);
    QCOMPARE(phone.states.size(), count + 1);

    // A phone without the token gets no state.
    Phone stranger(remote.port, "guess");
    QTRY_VERIFY(stranger.socket.state() == QAbstractSocket::UnconnectedState);
    QVERIFY(stranger.states.isEmpty());
}

void TestRemote::hostileRequestsNeverHoldTheWindow()
{
    Remote remote;
    QVERIFY(remote.listens());
    remote.play(u"Quiet"_s, std::nullopt);
    LatenessProbe probe;
    const quint16 port = remote.port;
    const QByteArray& token = remote.token;

    QCOMPARE(exchange(port, request("GET", "/api/track", token, {}, "attacker.example:8470")).status, 421);
    QCOMPARE(exchange(port, "POST /api/command HTTP/1.1\r\nHost: 127.0.0.1\r\nOrigin: http://attacker.example\r\n"
                            "Authorization: Bearer " + token + "\r\nContent-Length: 18\r\n\r\n{\"command\":\"next\"}")
                 .status,
             403);
    QCOMPARE(exchange(port, request("GET", "/etc/passwd", token)).status, 404);
    QCOMPARE(exchange(port, request("GET", "/%2e%2e/%2e%2e/etc/passwd", token)).status, 404);
    const QByteArray huge = R"({"command":"next","pad":")" + QByteArray(70'000, 'x') + "\"}";
    QCOMPARE(exchange(port, request("POST", "/api/command", token, huge)).status, 413);
    QCOMPARE(exchange(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: " + QByteArray(10'000, 'a') + "\r\n\r\n").status,
             431);
    QCOMPARE(exchange(port, QByteArray::fromHex("16030102000100010fc0303") + " not http\r\n\r\n").status, 400);
    QCOMPARE(exchange(port, QByteArray(4096, '\0') + "\r\n\r\n").status, 400);
    QTest::qWait(100);
    QVERIFY(remote.bridge->commands.isEmpty());
    // And the server still answers.
    QCOMPARE(remote.track().value(u"name"_s).toString(), u"Quiet"_s);
    qInfo("the window waited at most %lld ms", probe.worstMs());
    QVERIFY2(probe.worstMs() < maxLatenessMs, qPrintable(QString::number(probe.worstMs())));
}

void TestRemote::newTokenShutsOutPhones()
{
    Remote remote;
    QVERIFY(remote.listens());
    const QByteArray old = remote.token;
    QCOMPARE(QByteArray::fromBase64(old, QByteArray::Base64UrlEncoding).size(), 32); // 256 bits
    QVERIFY(readFile(remote.environment.settingsFile()).contains(QByteArray("remoteToken=" + old)));
    Phone phone(remote.port, old);
    QTRY_VERIFY(!phone.states.isEmpty());

    QSignalSpy announced(remote.control, &RemoteControl::listening);
    remote.control->renewToken();
    const QByteArray renewed = remote.d->livePreferences().remoteToken.toUtf8();
    QVERIFY(renewed != old);
    QVERIFY(readFile(remote.environment.settingsFile()).contains(QByteArray("remoteToken=" + renewed)));
    QCOMPARE(announced.size(), 1);
    QVERIFY(announced.first().first().toString().endsWith(u"?token="_s + QString::fromUtf8(renewed)));
    QTRY_VERIFY(phone.socket.state() == QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(exchange(remote.port, request("GET", "/api/track", old)).status, 401);
    QCOMPARE(exchange(remote.port, request("GET", "/api/track", renewed)).status, 200);
    // Reset in the panel keeps the phones paired.
    remote.d->resetPreference(nullptr);
    QCOMPARE(remote.d->workingPreferences().remoteToken.toUtf8(), renewed);
}

void TestRemote::offMeansNothingListens()
{
    TestApplication plain;
    QVERIFY(plain.d->feature<RemoteControl>()->address().isEmpty());
    QVERIFY(plain.d->livePreferences().remoteToken.isEmpty());

    Remote remote;
    QVERIFY(remote.listens());
    Preferences live = remote.d->livePreferences();
    live.remoteControl = false;
    remote.d->setLivePreferences(live);
    QVERIFY(remote.control->address().isEmpty());
    const auto refused = [port = remote.port] {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(1000);
        return socket.error() == QAbstractSocket::ConnectionRefusedError;
    };
    QTRY_VERIFY(refused());
    // Key r says so.
    remote.d->runKeyCommand(KeyCommand::Remote);
    QCOMPARE(remote.d->alertInfo(), RemoteControl::remoteOffText);
}

void TestRemote::portTakenIsSaid()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::Any, 0));
    TestApplication app;
    auto* remote = app.d->feature<RemoteControl>();
    QSignalSpy failed(remote, &RemoteControl::failed);
    Preferences live = app.d->livePreferences();
    live.remoteControl = true;
    live.remotePort = other.serverPort();
    app.d->setLivePreferences(live);
    // Tried for a while (the port may be on its way out), then said.
    QVERIFY(failed.wait(5000));
    QVERIFY(remote->address().isEmpty());
    app.d->runKeyCommand(KeyCommand::Remote);
    QVERIFY2(app.d->alertInfo().startsWith(u"The remote cannot listen on port %1"_s.arg(other.serverPort())),
             qPrintable(app.d->alertInfo()));
}

void TestRemote::connectionLimits()
{
    HttpService::Limits limits;
    limits.maxConnections = 4;
    limits.maxPerAddress = 3;
    limits.headMs = 300;
    limits.bodyMs = 300;
    limits.idleMs = 600;
    HttpService service(limits);
    service.setHandler([](const HttpRequest&) { return HttpReply{200, "text/plain", "fine"}; });
    QVERIFY(service.listen(QHostAddress::Any, 0));

    // A request whose head trickles in, one whose body never comes, and one that says nothing.
    QTcpSocket slowHead, slowBody, silent;
    for (QTcpSocket* socket : {&slowHead, &slowBody, &silent}) {
        socket->connectToHost(QHostAddress::LocalHost, service.port());
        QVERIFY(socket->waitForConnected(1000));
    }
    slowHead.write("GET / HTTP/1.1\r\nHo");
    slowBody.write("POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 100\r\n\r\n{");
    QTRY_COMPARE(service.connectionCount(), 3);

    // Beyond the bound of one address: turned away at once, while another address is served.
    const QByteArray get = "GET / HTTP/1.1\r\nHost: a\r\n\r\n";
    QCOMPARE(exchange(service.port(), get).status, 503);
    QCOMPARE(exchange(service.port(), get, 5000, QHostAddress::LocalHostIPv6).status, 200);
    // Beyond the bound of all.
    QTcpSocket other;
    other.connectToHost(QHostAddress::LocalHostIPv6, service.port());
    QVERIFY(other.waitForConnected(1000));
    QTRY_COMPARE(service.connectionCount(), 4);
    QCOMPARE(exchange(service.port(), get, 5000, QHostAddress::LocalHostIPv6).status, 503);

    // Each is dropped after its time, and then there is room again.
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(slowHead.state() == QAbstractSocket::UnconnectedState &&
                                 slowBody.state() == QAbstractSocket::UnconnectedState,
                             4000);
    QVERIFY(clock.elapsed() >= 250);
    QTRY_VERIFY_WITH_TIMEOUT(silent.state() == QAbstractSocket::UnconnectedState, 4000);
    const HttpAnswer served = exchange(service.port(), "GET / HTTP/1.1\r\nHost: a\r\n\r\n");
    QCOMPARE(served.status, 200);
    QCOMPARE(served.body, QByteArray("fine"));
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
