// A long run: a player changes track 100 times a second, each with its artwork, and the real
// application follows every change on the real bridge. Nothing may crash and, once warm, the
// program may not grow.
//
// SLEEVELIGHT_SOAK_CHANGES sets how many changes (10,000 when unset).

#include "tests/reliability/reliability.h"

#include "tests/player/fakemprisplayer.h"
#include "tests/support/testenvironment.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QUrl>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

QByteArray picture(int index, const char* format)
{
    QImage image(320, 240 + index % 7 * 20, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(index * 37 % 360, 200, 220));
    QPainter painter(&image);
    painter.fillRect(20 + index % 40, 20, 80, 80, Qt::black);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tenThousandTrackChanges()
    {
        const int changes = qEnvironmentVariableIsSet("SLEEVELIGHT_SOAK_CHANGES")
                                ? qEnvironmentVariableIntValue("SLEEVELIGHT_SOAK_CHANGES")
                                : 10'000;
        QVERIFY(changes >= 1'000);
        constexpr int warmUp = 1'000;
        TestEnvironment environment(1.0);

        // Pictures as players hand them over: files in a cache folder and data: addresses.
        QStringList artUrls;
        QList<QByteArray> pictures;
        const QString folder = QDir(environment.path()).filePath(u"art"_s);
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 24; ++i) {
            const bool jpeg = i % 2 == 1;
            const QByteArray bytes = picture(i, jpeg ? "JPEG" : "PNG");
            pictures << bytes;
            if (i % 3 == 0) {
                artUrls << u"data:image/%1;base64,"_s.arg(jpeg ? u"jpeg"_s : u"png"_s) +
                               QString::fromLatin1(bytes.toBase64());
                continue;
            }
            QFile file(QDir(folder).filePath(QString::number(i)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
            artUrls << QUrl::fromLocalFile(file.fileName()).toString();
        }

        RunningApplication app;
        AppDelegate* d = app.d;
        FakeMprisPlayer player(u"org.mpris.MediaPlayer2.soak"_s,
                               FakeMprisPlayer::playing(trackMetadata(u"Start"_s, artUrls[0])));
        QTRY_COMPARE(d->trackName(), QVariant(u"Start"_s));
        // Counters, not spies: a spy keeps a record of every signal, which would grow like a leak.
        qint64 refreshes = 0;
        qint64 shown = 0;
        connect(&app.bridge(), &iTunesBridgeProtocol::playerInfoChanged, this, [&] { ++refreshes; });
        connect(d, &AppDelegate::artworkImageChanged, this, [&] { ++shown; });

        int sent = 0;
        qint64 warmKiB = 0;
        qint64 warmHeapKiB = 0;
        QElapsedTimer clock;
        QTimer change;
        change.setTimerType(Qt::PreciseTimer);
        change.setInterval(10);
        // Every change that is due by the clock, so a slow turn does not slow the player down.
        connect(&change, &QTimer::timeout, this, [&] {
            while (sent < changes && sent < clock.elapsed() / 10 + 1) {
                player.change(
                    {{u"Metadata"_s, trackMetadata(u"Soak %1"_s.arg(sent), artUrls[sent % artUrls.size()])}});
                // The fake player keeps a record of every call it answers; a long run forgets it.
                player.calls.clear();
                player.messages.clear();
                if (++sent == warmUp) {
                    warmKiB = residentKiB();
                    warmHeapKiB = heapInUseKiB();
                }
            }
            if (sent == changes)
                change.stop();
        });
        clock.start();
        change.start();
        QTRY_VERIFY_WITH_TIMEOUT(sent == changes, changes * 100);
        QTRY_COMPARE_WITH_TIMEOUT(d->trackName(), QVariant(u"Soak %1"_s.arg(changes - 1)), 20000);
        const qint64 endKiB = residentKiB();
        const qint64 endHeapKiB = heapInUseKiB();

        qInfo("soak: %d track changes in %lld ms, %lld refreshes, %lld pictures shown", changes,
              clock.elapsed(), refreshes, shown);
        qInfo("soak: resident memory %lld KiB after %d changes, %lld KiB after %d (%+lld KiB)", warmKiB,
              warmUp, endKiB, changes, endKiB - warmKiB);
        qInfo("soak: heap in use %lld KiB after %d changes, %lld KiB after %d (%+lld KiB)", warmHeapKiB,
              warmUp, endHeapKiB, changes, endHeapKiB - warmHeapKiB);
        QCOMPARE(d->artworkImage().data(), pictures[(changes - 1) % pictures.size()]);
        // Most changes reach the screen with their own picture, not only the last one.
        QVERIFY(shown > changes / 4);
        // Once warm, what the program holds is a few decoded pictures, whatever the number of
        // changes: less than a KiB more per change leaves room for caches that fill slowly.
        if (memoryIsMeasurable) {
            const double perChange = double(endHeapKiB - warmHeapKiB) / double(changes - warmUp);
            qInfo("soak: %.2f KiB more held per change after the warm-up", perChange);
            QVERIFY2(perChange < 1.0, qPrintable(QString::number(perChange)));
        }
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
