// Where the pictures, numbers and information of a track come from, what is never handed on as a
// picture, and how the reading stays off the caller's thread and bounded.

#include "player/media/decodedpictures.h"
#include "player/media/localreader.h"
#include "player/media/picturecache.h"
#include "player/media/trackfiles.h"
#include "player/media/webfetches.h"
#include "tests/player/mediafiles.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QSemaphore>
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

class TestTrackFiles : public QObject
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
        TrackFilesReader reader;
        TrackFilesReader::Limits limits;
        limits.maxPictureBytes = 100 * 1024;
        reader.setLimits(limits);
        QCOMPARE(reader.read({QString(), address, {}}).pictures,
                 read ? QList<QByteArray>{m_png} : QList<QByteArray>());
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
        const auto pictures = [&](TrackFilesReader::Limits limits) {
            TrackFilesReader reader;
            reader.setLimits(limits);
            return reader.read({url(file("song.wav")), url(file("art.png")), {}}).pictures;
        };
        QCOMPARE(pictures({}), (QList<QByteArray>{art, front, back, cover, folder, small}));
        TrackFilesReader::Limits limits;
        limits.maxPictures = 3;
        QCOMPARE(pictures(limits), (QList<QByteArray>{art, front, back}));
        limits = {};
        limits.maxTrackBytes = art.size() + front.size();
        QCOMPARE(pictures(limits), (QList<QByteArray>{art, front}));
    }

    // Each picture comes with a small decoded copy to show at once: a JPEG's eighth, at most
    // previewSide long, the same again for a picture met before; none for a large slow format.
    void previewsComeWithThePictures()
    {
        QTemporaryDir album;
        const QString art = album.filePath(u"art.jpg"_s);
        const QString song = album.filePath(u"song.wav"_s);
        const QByteArray tall = pictureBytes({1600, 2400}, Qt::green, "JPEG");
        const QByteArray wide = pictureBytes({6000, 1000}, Qt::blue, "JPEG");
        const QByteArray slow = pictureBytes({2500, 2000}, Qt::red, "PNG");
        QVERIFY(writeFile(art, tall));
        QVERIFY(writeWav(song, 1, {}, {}, {}, {{wide, true}, {slow, false}}));
        TrackFilesReader reader;
        for (int pass = 0; pass < 2; ++pass) {
            const TrackFiles files = reader.read({url(song), url(art), {}});
            QCOMPARE(files.pictures, (QList<QByteArray>{tall, wide, slow}));
            QCOMPARE(files.previews.size(), 3);
            QCOMPARE(files.previews[0].size(), QSize(200, 300));
            QCOMPARE(QColor(files.previews[0].pixel(100, 150)).green(), 255);
            QCOMPARE(files.previews[1].size(), QSize(512, 85));
            QVERIFY(files.previews[2].isNull());
        }

        // A one-colour cover saved with a palette: its preview keeps the colour, however small it
        // is scaled for the display (a palette picture scaled smoothly came out white).
        QImage palette(800, 800, QImage::Format_Mono);
        palette.setColorTable({QColor(255, 220, 0).rgb(), QColor(255, 220, 0).rgb()});
        palette.fill(0);
        QByteArray yellow;
        QBuffer buffer(&yellow);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(palette.save(&buffer, "PNG"));
        QVERIFY(writeFile(art, yellow));
        const QImage preview = reader.read({QString(), url(art), {}}).previews.value(0);
        QVERIFY(!preview.isNull());
        const QImage small = preview.scaled(5, 5, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(QColor(small.pixel(2, 2)), QColor(255, 220, 0));
    }

    // A preallocated file: TagLib searched a gigabyte of zeros named FLAC to its end (3.6 s) for
    // the format's mark before its reads were bounded. (A half-written MP3 is the fault tests'.)
    void aFileOfZerosCostsABoundedRead()
    {
        QFile file(m_dir.filePath(u"zeros.flac"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 30));
        file.close();
        QElapsedTimer clock;
        clock.start();
        const TrackFiles files = TrackFilesReader().read({url(file.fileName()), QString(), {}});
        QVERIFY2(clock.elapsed() < 2000, "the read went through the whole file");
        QVERIFY(files.pictures.isEmpty() && files.codecInfo.isEmpty());
    }

    // A known full-size copy is fetched in place of a thumbnail, and the thumbnail when it fails.
    void fullSizeCopiesOfThumbnails()
    {
        QCOMPARE(WebFetches::liftedAddress(u"https://open.spotify.com/image/ab67616d0000b273"_s),
                 u"https://i.scdn.co/image/ab67616d0000b273"_s);
        HttpTestServer server;
        const QByteArray thumbnail = pictureBytes({48, 36}, Qt::gray),
                         full = pictureBytes({128, 72}, Qt::red);
        server.setRoute(u"/vi/a/hqdefault.jpg"_s, {200, thumbnail, HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/vi/a/maxresdefault.jpg"_s, {200, full, HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/vi/b/hqdefault.jpg"_s, {200, thumbnail, HttpTestServer::Mode::Normal, {}});
        WebFetches web;
        // Ten real seconds on the test's fast clock: a loaded machine must not turn the lifted
        // address's answer into a failure.
        web.setLimits({16 * 1024 * 1024, 10'000.0});
        for (const char* video : {"a", "b"}) {
            const QString address = server.site() + u"/vi/%1/hqdefault.jpg"_s.arg(QLatin1StringView(video));
            QSignalSpy arrived(&web, &WebFetches::arrived);
            web.bytes(address);
            QVERIFY(arrived.wait());
            QCOMPARE(web.fetched(address).value_or(QByteArray()), video[0] == 'a' ? full : thumbnail);
        }
    }

    // A video site's 16:9 thumbnail of a square cover between black bars is cropped to the cover;
    // bars around a picture that is not square are kept.
    void squareCoversLoseTheirBars_data()
    {
        QTest::addColumn<int>("contentWidth");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("a square cover between bars") << 720 << QSize(720, 720);
        QTest::newRow("a 4:3 picture between bars") << 960 << QSize(1280, 720);
    }

    void squareCoversLoseTheirBars()
    {
        QFETCH(int, contentWidth);
        QFETCH(QSize, shown);
        QImage frame(1280, 720, QImage::Format_RGB32);
        frame.fill(Qt::black);
        QPainter(&frame).fillRect((1280 - contentWidth) / 2, 0, contentWidth, 720, QColor(200, 120, 40));
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && frame.save(&buffer, "JPEG", 90));
        const TrackFiles files =
            TrackFilesReader().read({QString(), u"https://i.ytimg.com/vi/x/0.jpg"_s, jpeg});
        QCOMPARE(QImage::fromData(files.pictures.value(0)).size(), shown);
    }

    // Lyrics, first found wins: an LRC file beside the audio file or in a Lyrics folder there,
    // synchronised lyrics in the tags (WAV and MP3), a lyrics tag in LRC form (WAV, FLAC) or plain.
    void readsLyricsFromFilesAndTags()
    {
        QTemporaryDir album;
        const auto path = [&album](const char* name) {
            return album.filePath(QString::fromLatin1(name));
        };
        using lyrics::Line;

        for (const char* name : {"synced.wav", "synced.mp3"}) {
            QVERIFY(QByteArray(name).endsWith(".mp3") ? writeSilentMp3(path(name), 40)
                                                      : writeWav(path(name), 1));
            QVERIFY(addSyncedLyrics(path(name), {{2000, u"Second"_s}, {500, u"First"_s}}));
            const lyrics::Lyrics read = TrackFilesReader().read({url(path(name)), {}, {}}).lyrics;
            QVERIFY(read.synced);
            QCOMPARE(read.lines, (QList<Line>{{500, u"First"_s}, {2000, u"Second"_s}}));
        }
        lyrics::Lyrics read;

        QVERIFY(writeBareFlac(path("tagged.flac")));
        QVERIFY(addTags(path("tagged.flac"), {{u"LYRICS"_s, u"[00:00.75]In a FLAC\r\n[00:01.25]and on"_s}}));
        read = TrackFilesReader().read({url(path("tagged.flac")), {}, {}}).lyrics;
        QCOMPARE(read.lines, (QList<Line>{{750, u"In a FLAC"_s}, {1250, u"and on"_s}}));

        QVERIFY(writeWav(path("tagged.wav"), 1));
        QVERIFY(addTags(path("tagged.wav"), {{u"LYRICS"_s, u"[ar:Someone]\n[00:01.50]Tagged line\n"_s}}));
        read = TrackFilesReader().read({url(path("tagged.wav")), {}, {}}).lyrics;
        QCOMPARE(read.lines, (QList<Line>{{1500, u"Tagged line"_s}}));

        QVERIFY(writeWav(path("plain.wav"), 1));
        QVERIFY(addTags(path("plain.wav"), {{u"LYRICS"_s, u"Just words\nand more"_s}}));
        read = TrackFilesReader().read({url(path("plain.wav")), {}, {}}).lyrics;
        QVERIFY(!read.synced);
        QCOMPARE(read.lines.size(), 2);

        // A file beside wins over the tags; one in a Lyrics folder is found too.
        QVERIFY(writeFile(path("tagged.lrc"), "[00:03.00]From the file\r\n"));
        QCOMPARE(TrackFilesReader().read({url(path("tagged.wav")), {}, {}}).lyrics.lines,
                 (QList<Line>{{3000, u"From the file"_s}}));
        QVERIFY(QDir(album.path()).mkdir(u"Lyrics"_s));
        QVERIFY(writeFile(path("Lyrics/song.lrc"), "[00:04.00]In the folder\n"));
        QVERIFY(writeFile(path("song.ogg"), "not really audio"));
        QCOMPARE(TrackFilesReader().read({url(path("song.ogg")), {}, {}}).lyrics.lines,
                 (QList<Line>{{4000, u"In the folder"_s}}));
        QVERIFY(TrackFilesReader().read({url(path("other.wav")), {}, {}}).lyrics.isEmpty());
        // The player's own, last.
        QCOMPARE(TrackFilesReader().read({url(path("other.wav")), {}, {}, u"[00:05.00]Sent"_s}).lyrics.lines,
                 (QList<Line>{{5000, u"Sent"_s}}));
        QCOMPARE(TrackFilesReader().read({url(path("tagged.wav")), {}, {}, u"[00:05.00]Sent"_s}).lyrics.lines,
                 (QList<Line>{{3000, u"From the file"_s}}));

        // The web's answer last, when it may be asked: fetched now and kept, or kept from before.
        TrackFilesRequest web{
            url(path("other.wav")), {}, {}, {}, u"http://127.0.0.1:9/api/get?track_name=O"_s};
        TrackFiles files = TrackFilesReader().read(web);
        QVERIFY(files.lyrics.isEmpty() && files.lyricsToFetch);
        web.webLyrics = R"({"id": 3, "syncedLyrics": "[00:06.00]From the web"})";
        const QList<Line> fromTheWeb{{6000, u"From the web"_s}};
        files = TrackFilesReader().read(web);
        QVERIFY(!files.lyricsToFetch);
        QCOMPARE(files.lyrics.lines, fromTheWeb);
        web.webLyrics.clear();
        QCOMPARE(TrackFilesReader().read(web).lyrics.lines, fromTheWeb);
        web.trackUrl = url(path("tagged.wav"));
        files = TrackFilesReader().read(web);
        QVERIFY(!files.lyricsToFetch);
        QCOMPARE(files.lyrics.lines, (QList<Line>{{3000, u"From the file"_s}}));
        // What is not an answer of the service is not kept.
        TrackFilesRequest junk{url(path("other.wav")), {}, {}, {}, u"http://127.0.0.1:9/api/get?j"_s,
                               "<html>busy</html>"};
        QVERIFY(TrackFilesReader().read(junk).lyrics.isEmpty());
        junk.webLyrics.clear();
        QVERIFY(TrackFilesReader().read(junk).lyricsToFetch);
    }

    // A large picture decoded at the size shown is kept, and found again at that size or smaller,
    // not larger; without transparency only. The reader then previews it from the copy kept (here
    // a blue one for red bytes, to tell them apart).
    void decodedPicturesAreKeptOnDisk()
    {
        QVERIFY(QDir(DecodedPictures::defaultFolder()).removeRecursively());
        const QByteArray bytes = pictureBytes({2000, 1000}, Qt::red, "JPEG");
        QImage shown(800, 400, QImage::Format_RGB32);
        shown.fill(Qt::blue);
        DecodedPictures store;
        QVERIFY(store.find(bytes, {800, 400}).isNull());
        store.keep(bytes, shown);
        QCOMPARE(store.find(bytes, {800, 400}).size(), QSize(800, 400));
        QVERIFY(QColor(DecodedPictures().find(bytes, {400, 200}).pixel(200, 100)).blue() > 240);
        QVERIFY(store.find(bytes, {1000, 500}).isNull());

        const QByteArray translucent = pictureBytes({2000, 1000}, Qt::green);
        QImage withAlpha(800, 400, QImage::Format_ARGB32);
        withAlpha.fill(Qt::transparent);
        store.keep(translucent, withAlpha);
        QVERIFY(store.find(translucent, {800, 400}).isNull());

        QTemporaryDir folder;
        const QString art = folder.filePath(u"art.jpg"_s);
        QVERIFY(writeFile(art, bytes));
        const QImage preview = TrackFilesReader().read({QString(), url(art), {}}).previews.value(0);
        QCOMPARE(preview.size(), QSize(512, 256));
        QVERIFY2(QColor(preview.pixel(256, 128)).blue() > 240,
                 qPrintable(QColor(preview.pixel(256, 128)).name()));
    }

    // A web picture that proves to be one is kept on disk by its address and read from there when
    // not given; a damaged entry is dropped; the folder keeps to its size, least recently used first.
    void webPicturesAreKeptOnDisk()
    {
        QVERIFY(QDir(PictureCache::defaultFolder()).removeRecursively());
        const QString address = u"https://i.example/cover"_s;
        const QByteArray picture = pictureBytes({40, 40}, Qt::cyan);
        TrackFilesReader reader;
        QVERIFY(reader.read({QString(), address, "not a picture"}).pictures.isEmpty());
        QVERIFY(!reader.read({QString(), address, {}}).artFound);
        QVERIFY(reader.read({QString(), address, picture}).artFound);
        QCOMPARE(TrackFilesReader().read({QString(), address, {}}).pictures, QList<QByteArray>{picture});

        const QDir folder(PictureCache::defaultFolder());
        const QStringList entries = folder.entryList(QDir::Files);
        QCOMPARE(entries.size(), 1);
        QFile entry(folder.filePath(entries[0]));
        QVERIFY(entry.open(QIODevice::ReadWrite) && entry.seek(entry.size() - 20) &&
                entry.write("damage") == 6);
        entry.close();
        QVERIFY(!TrackFilesReader().read({QString(), address, {}}).artFound);
        QVERIFY(!entry.exists());

        PictureCache small(m_dir.filePath(u"small"_s), 3000);
        const QByteArray kilobyte(1000, 'k');
        // Apart by more than the file system's clock step (a few milliseconds).
        for (const char* step : {"keep a", "keep b", "use a", "keep c"}) {
            QTest::qWait(30);
            QVERIFY(step[0] == 'u' ? small.picture(u"a"_s, 2000).has_value()
                                   : small.keep(QString::fromLatin1(step + 5), kilobyte));
        }
        QVERIFY(small.picture(u"a"_s, 2000) && small.picture(u"c"_s, 2000) && !small.picture(u"b"_s, 2000));
    }

    // A worker reads one request at a time; those asked meanwhile are replaced by the newest, and
    // only the newest is answered. A read that hangs is left behind for a fresh thread.
    void onlyTheNewestRequestIsReadAndAnswered()
    {
        struct Gate
        {
            QSemaphore started, open;
            QStringList read; // written by the worker before it signals, read by the test after
        };
        const auto gate = std::make_shared<Gate>(); // outlives the reader, for the thread left behind
        LocalReader reader(
            nullptr,
            [gate](TrackFilesReader&, const TrackFilesRequest& request) {
                gate->read << request.trackUrl;
                if (request.trackUrl.startsWith("held"_L1)) {
                    gate->started.release();
                    gate->open.acquire();
                }
                TrackFiles files;
                files.codecInfo = request.trackUrl;
                return files;
            },
            std::chrono::milliseconds(300));
        QSignalSpy finished(&reader, &LocalReader::finished);

        reader.read({u"held 1"_s, {}, {}});
        QVERIFY(gate->started.tryAcquire(1, 5000));
        reader.read({u"2"_s, {}, {}});
        const quint64 newest = reader.read({u"3"_s, {}, {}});
        gate->open.release();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toULongLong(), newest);
        QCOMPARE(finished.at(0).at(1).value<TrackFiles>().codecInfo, u"3"_s);
        QCOMPARE(gate->read, (QStringList{u"held 1"_s, u"3"_s}));

        // Held past the limit, the read is left behind: the next request is answered all the same.
        reader.read({u"held 4"_s, {}, {}});
        QTest::qWait(500);
        reader.read({u"5"_s, {}, {}});
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).at(1).value<TrackFiles>().codecInfo, u"5"_s);
        gate->open.release(); // the thread left behind ends, and drops what it read
        QTest::qWait(100);
        QCOMPARE(finished.count(), 2);
    }

    void fetchesWebFetchesInTheBackgroundOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("a picture") << u"/ok.png"_s << true;
        QTest::newRow("larger than the cap") << u"/big.png"_s << false;
        QTest::newRow("never answered") << u"/silent"_s << false;
    }

    void fetchesWebFetchesInTheBackgroundOnce()
    {
        QFETCH(QString, path);
        QFETCH(bool, arrives);
        HttpTestServer server;
        const QByteArray picture = pictureBytes({40, 20}, Qt::green);
        server.setRoute(u"/ok.png"_s, {200, picture, HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/big.png"_s, {200, QByteArray(64 * 1024, 'x'), HttpTestServer::Mode::Normal, {}});
        server.setRoute(u"/silent"_s, {200, picture, HttpTestServer::Mode::Silent, {}});
        WebFetches web;
        web.setLimits({16 * 1024, 300.0}); // on the test's clock, 0.3 s
        QSignalSpy arrived(&web, &WebFetches::arrived);
        const QString address = server.site() + path;
        QVERIFY(!web.bytes(address));
        QTRY_COMPARE(server.requests().size(), 1);
        QTest::qWait(800);
        QCOMPARE(arrived.count(), arrives ? 1 : 0);
        const std::optional<QByteArray> expected = arrives ? std::optional(picture) : std::nullopt;
        QCOMPARE(web.bytes(address), expected);
        // Asked again, it asks nobody: the picture is kept, a failure not retried.
        QCOMPARE(web.bytes(address), expected);
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 1);
    }
};

QTEST_MAIN(TestTrackFiles)
#include "tst_trackfiles.moc"
