// The bridge against a real player: mpv with its MPRIS plugin, on the test's private bus.

#include "player/playerbridge.h"
#include "player/playersource.h"
#include "player/playerchoice.h"
#include "player/values.h"
#include "tests/player/mediafiles.h"
#include "tests/player/sessionbridge.h"
#include "tests/support/testenvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

class TestMpvBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_environment;
    QTemporaryDir m_dir;
    QProcess m_mpv;
    QByteArray m_cover;

private Q_SLOTS:
    void initTestCase()
    {
        const QString mpv = QStandardPaths::findExecutable(u"mpv"_s);
        const QString mprisPlugin = u"/usr/lib/mpv-mpris/mpris.so"_s;
        if (mpv.isEmpty() || !QFileInfo::exists(mprisPlugin))
            QSKIP("mpv with the mpv-mpris plugin is not installed (scripts/setup.sh installs both)");
        m_environment = std::make_unique<TestEnvironment>(1.0);

        const QString song = m_dir.filePath(u"song.wav"_s);
        QVERIFY(writeWav(song, 30, u"Real Title"_s, u"Real Album"_s, u"Real Artist"_s));
        // Numbers mpv's plugin does not pass on; the bridge finds them in the file.
        QVERIFY(addTags(
            song, {{u"TRACKNUMBER"_s, u"3/10"_s}, {u"DISCNUMBER"_s, u"2"_s}, {u"DATE"_s, u"2019-05-01"_s}}));
        m_cover = pictureBytes({64, 64}, Qt::darkCyan);
        QVERIFY(writeFile(m_dir.filePath(u"cover.png"_s), m_cover));

        m_mpv.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mpv.setStandardOutputFile(QProcess::nullDevice());
        const QString options = u"--no-config --ao=null --vo=null --idle=no --really-quiet"_s;
        m_mpv.start(mpv, options.split(u' ') << u"--loop-file=inf"_s << u"--script="_s + mprisPlugin << song);
        QVERIFY(m_mpv.waitForStarted());
    }

    void cleanupTestCase()
    {
        m_mpv.terminate();
        if (!m_mpv.waitForFinished(5000))
            m_mpv.kill();
        m_environment.reset();
    }

    void showsWhatMpvPlaysAndDrivesIt()
    {
        const std::unique_ptr<PlayerBridge> owned = sessionBridge();
        PlayerBridge& bridge = *owned;
        QTRY_VERIFY_WITH_TIMEOUT(bridge.playerState() == QVariant(2), 15000);
        QCOMPARE(bridge.players().followed()->id(), u"org.mpris.MediaPlayer2.mpv"_s);

        QTRY_COMPARE(bridge.trackInfo().value_or(QVariantMap()).value(BridgeKey::trackName),
                     QVariant(u"Real Title"_s));
        const QVariantMap info = *bridge.trackInfo();
        QCOMPARE(info.value(BridgeKey::trackAlbum), QVariant(u"Real Album"_s));
        QCOMPARE(info.value(BridgeKey::trackArtist), QVariant(u"Real Artist"_s));
        QCOMPARE(info.value(BridgeKey::trackDuration), QVariant(u"0:30"_s));
        // What the file holds is read aside and follows.
        QTRY_COMPARE(bridge.trackInfo()->value(BridgeKey::trackNumbers),
                     QVariant(u"Track 3 \u00b7 Disc 2"_s));
        QCOMPARE(bridge.trackInfo()->value(BridgeKey::trackYear), QVariant(2019));
        QVERIFY(bridge.artworkImages().value_or(QList<QByteArray>()).contains(m_cover));
        QVERIFY(!bridge.isReadingCodecInfo());
        QVERIFY(bridge.iCodecInfo().toString().startsWith(u"WAV, 128 kbps, 8 kHz, mono, "_s));

        bridge.playPause();
        QTRY_COMPARE(bridge.playerState(), QVariant(3));
        const QString pausedAt = bridge.trackProgress()->value(BridgeKey::trackElapsed).toString();
        QTest::qWait(1200);
        QCOMPARE(bridge.trackProgress()->value(BridgeKey::trackElapsed).toString(), pausedAt);
        bridge.playPause();
        QTRY_COMPARE(bridge.playerState(), QVariant(2));
    }
};

QTEST_MAIN(TestMpvBridge)
#include "tst_mpvbridge.moc"
