// Where the pictures of a track come from, and what is never handed on as one.

#include "player/artworkcollector.h"
#include "tests/player/mediafiles.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

QString url(const QString& path)
{
    return QUrl::fromLocalFile(path).toString();
}

// A web server on loopback: "/ok.png" answers a picture, "/big.png" more than the cap,
// "/text" no picture, "/silent" never answers.
class PictureServer : public QTcpServer
{
public:
    QByteArray picture = pictureBytes({40, 20}, Qt::green);
    QStringList requests;
    QList<QTcpSocket*> silent;

    PictureServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }

    QString address(const char* path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QString::fromLatin1(path));
    }

private:
    void answer(QTcpSocket* socket)
    {
        const QByteArray request = socket->readAll();
        const QByteArray path = request.split(' ').value(1);
        requests << QString::fromLatin1(path);
        QByteArray body;
        if (path == "/ok.png")
            body = picture;
        else if (path == "/big.png")
            body = QByteArray(64 * 1024, 'x');
        else if (path == "/text")
            body = "not a picture";
        else {
            silent << socket;
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
};

} // namespace

class TestArtworkCollector : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        m_environment = std::make_unique<TestEnvironment>();
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_dir.reset();
        m_environment.reset();
    }

    void readsTheArtAddress_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("count");
        QTest::newRow("file address") << QStringLiteral("file") << 1;
        QTest::newRow("cache file without suffix") << QStringLiteral("nosuffix") << 1;
        QTest::newRow("plain path") << QStringLiteral("path") << 1;
        QTest::newRow("data address") << QStringLiteral("data") << 1;
        QTest::newRow("data address, not base64") << QStringLiteral("baddata") << 0;
        QTest::newRow("directory") << QStringLiteral("directory") << 0;
        QTest::newRow("FIFO") << QStringLiteral("fifo") << 0;
        QTest::newRow("device") << QStringLiteral("device") << 0;
        QTest::newRow("larger than the cap") << QStringLiteral("large") << 0;
        QTest::newRow("undecodable bytes") << QStringLiteral("garbage") << 0;
        QTest::newRow("missing file") << QStringLiteral("missing") << 0;
        QTest::newRow("file on another host") << QStringLiteral("remotehost") << 0;
        QTest::newRow("unknown scheme") << QStringLiteral("ftp") << 0;
    }

    void readsTheArtAddress()
    {
        QFETCH(QString, kind);
        QFETCH(int, count);
        const QByteArray png = pictureBytes({30, 30}, Qt::red);
        QVERIFY(writeFile(path(QStringLiteral("art.png")), png));
        QVERIFY(writeFile(path(QStringLiteral("artcache")), png));
        QVERIFY(writeFile(path(QStringLiteral("garbage.png")), "\x89PNG\r\n\x1a\n but nothing after"));
        QVERIFY(writeFile(path(QStringLiteral("large.png")), pictureBytes({400, 400}, Qt::blue, "BMP")));
        QDir(m_dir->path()).mkdir(QStringLiteral("folder.png"));
        QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("fifo.png"))).constData(), 0600), 0);

        const QHash<QString, QString> addresses{
            {QStringLiteral("file"), url(path(QStringLiteral("art.png")))},
            {QStringLiteral("nosuffix"), url(path(QStringLiteral("artcache")))},
            {QStringLiteral("path"), path(QStringLiteral("art.png"))},
            {QStringLiteral("data"),
             QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64())},
            {QStringLiteral("baddata"), QStringLiteral("data:image/png;base64,@@@@")},
            {QStringLiteral("directory"), url(path(QStringLiteral("folder.png")))},
            {QStringLiteral("fifo"), url(path(QStringLiteral("fifo.png")))},
            {QStringLiteral("device"), QStringLiteral("file:///dev/zero")},
            {QStringLiteral("large"), url(path(QStringLiteral("large.png")))},
            {QStringLiteral("garbage"), url(path(QStringLiteral("garbage.png")))},
            {QStringLiteral("missing"), url(path(QStringLiteral("none.png")))},
            {QStringLiteral("remotehost"),
             QStringLiteral("file://elsewhere") + path(QStringLiteral("art.png"))},
            {QStringLiteral("ftp"), QStringLiteral("ftp://127.0.0.1/art.png")},
        };
        ArtworkCollector collector;
        ArtworkCollector::Limits limits;
        limits.maxPictureBytes = 100 * 1024; // the 400×400 bitmap is 640 kB
        collector.setLimits(limits);

        QElapsedTimer clock;
        clock.start();
        const QList<QByteArray> pictures = collector.pictures(addresses.value(kind), QString());
        QVERIFY2(clock.elapsed() < 2000, "reading the art address waited");
        QCOMPARE(pictures.size(), count);
        if (count == 1)
            QCOMPARE(pictures.first(), png);
    }

    void gathersEmbeddedAndFolderPicturesInOrder()
    {
        const QByteArray art = pictureBytes({10, 10}, Qt::red);
        const QByteArray front = pictureBytes({11, 11}, Qt::green);
        const QByteArray back = pictureBytes({12, 12}, Qt::blue);
        const QByteArray cover = pictureBytes({13, 13}, Qt::yellow, "JPEG");
        const QByteArray folder = pictureBytes({14, 14}, Qt::cyan);
        const QByteArray small = pictureBytes({15, 15}, Qt::magenta, "JPEG");
        const QString audio = path(QStringLiteral("song.wav"));
        // The tag holds the back cover before the front cover.
        QVERIFY(writeWav(audio, 1, {}, {}, {}, {{back, false}, {front, true}}));
        QVERIFY(writeFile(path(QStringLiteral("AlbumArtSmall.jpg")), small));
        QVERIFY(writeFile(path(QStringLiteral("Folder.png")), folder));
        QVERIFY(writeFile(path(QStringLiteral("cover.jpg")), cover));
        QVERIFY(writeFile(path(QStringLiteral("back.png")), back)); // the same as the embedded back
        QVERIFY(writeFile(path(QStringLiteral("unrelated.png")), pictureBytes({16, 16}, Qt::gray)));
        QVERIFY(writeFile(path(QStringLiteral("art.png")), art));

        ArtworkCollector collector;
        const QList<QByteArray> pictures =
            collector.pictures(url(path(QStringLiteral("art.png"))), url(audio));
        QCOMPARE(pictures, (QList<QByteArray>{art, front, back, cover, folder, small}));

        ArtworkCollector::Limits limits;
        limits.maxPictures = 3;
        ArtworkCollector capped;
        capped.setLimits(limits);
        QCOMPARE(capped.pictures(url(path(QStringLiteral("art.png"))), url(audio)),
                 (QList<QByteArray>{art, front, back}));

        limits = {};
        limits.maxTrackBytes = art.size() + front.size();
        ArtworkCollector bytesCapped;
        bytesCapped.setLimits(limits);
        QCOMPARE(bytesCapped.pictures(url(path(QStringLiteral("art.png"))), url(audio)).size(), 2);
    }

    void fetchesWebPicturesInTheBackground()
    {
        PictureServer server;
        ArtworkCollector collector;
        QSignalSpy arrived(&collector, &ArtworkCollector::remotePictureArrived);
        const QString address = server.address("/ok.png");
        QVERIFY(collector.pictures(address, QString()).isEmpty());
        QVERIFY(arrived.wait(5000));
        QCOMPARE(collector.pictures(address, QString()), QList<QByteArray>{server.picture});
        // Cached by address: a later track with the same picture asks nobody.
        collector.pictures(QString(), QString());
        QCOMPARE(collector.pictures(address, QString()), QList<QByteArray>{server.picture});
        QCOMPARE(server.requests, QStringList{QStringLiteral("/ok.png")});
    }

    void webPicturesThatFailAreNotHandedOn_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("larger than the cap") << QStringLiteral("/big.png");
        QTest::newRow("not a picture") << QStringLiteral("/text");
        QTest::newRow("never answered") << QStringLiteral("/silent");
    }

    void webPicturesThatFailAreNotHandedOn()
    {
        QFETCH(QString, path);
        PictureServer server;
        ArtworkCollector collector;
        ArtworkCollector::Limits limits;
        limits.maxPictureBytes = 16 * 1024;
        limits.fetchTimeoutSeconds = 300.0; // 0.3 s on the test's clock
        collector.setLimits(limits);
        QSignalSpy arrived(&collector, &ArtworkCollector::remotePictureArrived);
        const QString address = server.address(path.toLatin1().constData());
        QVERIFY(collector.pictures(address, QString()).isEmpty());
        QTRY_COMPARE(server.requests.size(), 1);
        QTest::qWait(800);
        QCOMPARE(arrived.count(), 0);
        QVERIFY(collector.pictures(address, QString()).isEmpty());
        // The same track does not ask again on every refresh.
        collector.pictures(address, QStringLiteral("file:///other.flac"));
        QTest::qWait(100);
        QCOMPARE(server.requests.size(), 1);
    }
};

QTEST_MAIN(TestArtworkCollector)
#include "tst_artworkcollector.moc"
