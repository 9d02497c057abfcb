// What a refresh costs the bridge, and what a new track's pictures cost. Prints figures; sets
// no limits.

#include "player/playerbridge.h"
#include "player/playersource.h"
#include "player/playerchoice.h"
#include "player/media/trackfiles.h"
#include "tests/player/fakemprisplayer.h"
#include "tests/player/mediafiles.h"
#include "tests/player/sessionbridge.h"
#include "tests/support/testenvironment.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

class BenchMprisBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    QTemporaryDir m_dir;
    QString m_audio;
    QString m_art;

private Q_SLOTS:
    void initTestCase()
    {
        m_environment = std::make_unique<TestEnvironment>(1.0);
        m_audio = m_dir.filePath(u"song.wav"_s);
        QVERIFY(writeWav(m_audio, 1));
        m_art = m_dir.filePath(u"art.png"_s);
        QVERIFY(writeFile(m_art, pictureBytes({600, 600}, Qt::red)));
        QVERIFY(writeFile(m_dir.filePath(u"cover.jpg"_s), pictureBytes({600, 600}, Qt::green, "JPEG")));
        QVERIFY(writeFile(m_dir.filePath(u"back.png"_s), pictureBytes({600, 600}, Qt::blue)));
    }

    void cleanupTestCase() { m_environment.reset(); }

    // Everything one full refresh asks of the bridge, for a track whose pictures are known.
    void readsOfOneRefresh()
    {
        const QVariantMap metadata{{u"xesam:title"_s, u"Bench"_s},
                                   {u"xesam:url"_s, QUrl::fromLocalFile(m_audio).toString()},
                                   {u"mpris:artUrl"_s, QUrl::fromLocalFile(m_art).toString()},
                                   {u"mpris:length"_s, qint64(200'000'000)}};
        FakeMprisPlayer fake(u"org.mpris.MediaPlayer2.bench"_s, FakeMprisPlayer::playing(metadata));
        const std::unique_ptr<PlayerBridge> owned = sessionBridge();
        PlayerBridge& bridge = *owned;
        QTRY_VERIFY(bridge.players().followed() != nullptr && bridge.players().followed()->isLoaded());
        QCOMPARE(bridge.artworkImages()->size(), 3);
        QBENCHMARK
        {
            bridge.playerState();
            bridge.trackInfo();
            bridge.trackProgress();
            bridge.artworkImages();
            bridge.soundVolume();
        }
    }

    // A new track: three 600×600 pictures read, compared and decoded once.
    void picturesOfANewTrack()
    {
        const QString art = QUrl::fromLocalFile(m_art).toString();
        const QString audio = QUrl::fromLocalFile(m_audio).toString();
        QBENCHMARK
        {
            TrackFilesReader reader;
            QCOMPARE(reader.read({audio, art, {}}).pictures.size(), 3);
        }
    }
};

QTEST_MAIN(BenchMprisBridge)
#include "bench_mprisbridge.moc"
