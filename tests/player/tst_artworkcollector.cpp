// Where the pictures of a track come from, and what is never handed on as one.

#include "player/artworkcollector.h"
#include "tests/player/mediafiles.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

QString url(const QString& path)
{
    return QUrl::fromLocalFile(path).toString();
}

} // namespace

class TestArtworkCollector : public QObject
{
    Q_OBJECT

    TestEnvironment m_environment;
    QTemporaryDir m_dir;
    const QByteArray m_png = pictureBytes({30, 30}, Qt::red);

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeFile(path("art.png"), m_png));
        QVERIFY(writeFile(path("artcache"), m_png));
        QVERIFY(writeFile(path("garbage.png"), "\x89PNG\r\n\x1a\n but nothing after"));
        QVERIFY(writeFile(path("large.png"), pictureBytes({400, 400}, Qt::blue, "BMP"))); // 640 kB
        QVERIFY(QDir(m_dir.path()).mkdir(u"folder.png"_s));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.png")).constData(), 0600), 0);
    }

    void readsTheArtAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("read");
        QTest::newRow("file address") << url(path("art.png")) << true;
        QTest::newRow("cache file without suffix") << url(path("artcache")) << true;
        QTest::newRow("plain path") << path("art.png") << true;
        QTest::newRow("data address")
            << u"data:image/png;base64,"_s + QString::fromLatin1(m_png.toBase64()) << true;
        QTest::newRow("data address, not base64") << u"data:image/png;base64,@@@@"_s << false;
        QTest::newRow("directory") << url(path("folder.png")) << false;
        QTest::newRow("FIFO") << url(path("fifo.png")) << false;
        QTest::newRow("device") << u"file:///dev/zero"_s << false;
        QTest::newRow("larger than the cap") << url(path("large.png")) << false;
        QTest::newRow("undecodable bytes") << url(path("garbage.png")) << false;
        QTest::newRow("missing file") << url(path("none.png")) << false;
        QTest::newRow("file on another host") << u"file://elsewhere"_s + path("art.png") << false;
        QTest::newRow("unknown scheme") << u"ftp://127.0.0.1/art.png"_s << false;
    }

    void readsTheArtAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, read);
        ArtworkCollector collector;
        ArtworkCollector::Limits limits;
        limits.maxPictureBytes = 100 * 1024;
        collector.setLimits(limits);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(collector.pictures(address, QString()),
                 read ? QList<QByteArray>{m_png} : QList<QByteArray>());
        QVERIFY2(clock.elapsed() < 2000, "reading the art address waited");
    }

    void gathersEmbeddedAndFolderPicturesInOrder()
    {
        QTemporaryDir album;
        const auto file = [&album](const char* name) {
            return album.filePath(QString::fromLatin1(name));
        };
        const QByteArray art = pictureBytes({10, 10}, Qt::red);
        const QByteArray front = pictureBytes({11, 11}, Qt::green);
        const QByteArray back = pictureBytes({12, 12}, Qt::blue);
        const QByteArray cover = pictureBytes({13, 13}, Qt::yellow, "JPEG");
        const QByteArray folder = pictureBytes({14, 14}, Qt::cyan);
        const QByteArray small = pictureBytes({15, 15}, Qt::magenta, "JPEG");
        // The tag holds the back cover before the front cover.
        QVERIFY(writeWav(file("song.wav"), 1, {}, {}, {}, {{back, false}, {front, true}}));
        QVERIFY(writeFile(file("AlbumArtSmall.jpg"), small));
        QVERIFY(writeFile(file("Folder.png"), folder));
        QVERIFY(writeFile(file("cover.jpg"), cover));
        QVERIFY(writeFile(file("back.png"), back)); // the same as the embedded back
        QVERIFY(writeFile(file("unrelated.png"), pictureBytes({16, 16}, Qt::gray)));
        QVERIFY(writeFile(file("art.png"), art));
        const auto pictures = [&](ArtworkCollector::Limits limits) {
            ArtworkCollector collector;
            collector.setLimits(limits);
            return collector.pictures(url(file("art.png")), url(file("song.wav")));
        };
        QCOMPARE(pictures({}), (QList<QByteArray>{art, front, back, cover, folder, small}));
        ArtworkCollector::Limits limits;
        limits.maxPictures = 3;
        QCOMPARE(pictures(limits), (QList<QByteArray>{art, front, back}));
        limits = {};
        limits.maxTrackBytes = art.size() + front.size();
        QCOMPARE(pictures(limits), (QList<QByteArray>{art, front}));
    }

    void fetchesWebPicturesInTheBackgroundOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("a picture") << u"/ok.png"_s << true;
        QTest::newRow("larger than the cap") << u"/big.png"_s << false;
        QTest::newRow("not a picture") << u"/text"_s << false;
        QTest::newRow("never answered") << u"/silent"_s << false;
    }

    void fetchesWebPicturesInTheBackgroundOnce()
    {
        QFETCH(QString, path);
        QFETCH(bool, arrives);
        HttpTestServer server;
        const QByteArray picture = pictureBytes({40, 20}, Qt::green);
        server.setRoute(u"/ok.png"_s, {200, picture, HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/big.png"_s, {200, QByteArray(64 * 1024, 'x'), HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/text"_s, {200, "not a picture", HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/silent"_s, {200, picture, HttpTestServer::Mode::Silent, {}});
        ArtworkCollector collector;
        ArtworkCollector::Limits limits;
        limits.maxPictureBytes = 16 * 1024;
        limits.fetchTimeoutSeconds = 300.0; // on the test's clock, 0.3 s
        collector.setLimits(limits);
        QSignalSpy arrived(&collector, &ArtworkCollector::remotePictureArrived);
        const QString address = server.site() + path;
        QVERIFY(collector.pictures(address, QString()).isEmpty());
        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(800);
        QCOMPARE(arrived.count(), arrives ? 1 : 0);
        const QList<QByteArray> expected = arrives ? QList<QByteArray>{picture} : QList<QByteArray>();
        QCOMPARE(collector.pictures(address, QString()), expected);
        // A later track with the same address asks nobody: the picture is kept, a failure not retried.
        QCOMPARE(collector.pictures(address, u"file:///other.flac"_s), expected);
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_MAIN(TestArtworkCollector)
#include "tst_artworkcollector.moc"
