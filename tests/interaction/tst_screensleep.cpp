// Keeping the display awake, against fake desktop services on the test's private session bus.

#include "app/appdelegate.h"
#include "app/application.h"
#include "tests/interaction/fakescreensaver.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

const QString hold7001 = u"Inhibit Sleevelight Disabling Screen Sleep -> 7001"_s;
const QString release7001 = u"UnInhibit 7001"_s;

// The application launched on a fake player, its program timers held still unless a scale is given.
struct Launched : TestApplication
{
    using TestApplication::TestApplication;

    // What the player's notification does when a track starts playing.
    void play()
    {
        bridge->playTrack(u"Song"_s);
        d->updateTrackInfo();
    }
};

} // namespace

class TestScreenSleep : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each character is one tick of the slow timer: 'p' finds the player playing, 'i' paused,
    // 'f' fast-forwarding, which does not count as playing.
    void idleTicks_data()
    {
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QString>("counters");  // pauseDurationCounter after each tick
        QTest::addColumn<QStringList>("calls"); // what the screen saver received after the first hold
        QTest::newRow("the fourth idle tick releases") << "iiii"
                                                       << "1230" << QStringList{release7001};
        QTest::newRow("idle ticks after the release do nothing") << "iiiiii"
                                                                 << "123000" << QStringList{release7001};
        QTest::newRow("fast-forwarding counts as idle") << "ffff"
                                                        << "1230" << QStringList{release7001};
        QTest::newRow("counter carried across pauses") << "iipii"
                                                       << "12230" << QStringList{release7001};
        QTest::newRow("playing keeps the hold") << "iipppi"
                                                << "122223" << QStringList();
        QTest::newRow("playing after the release takes a new hold")
            << "iiiip"
            << "12300" << QStringList{release7001, u"Inhibit Sleevelight Disabling Screen Sleep -> 7002"_s};
    }

    void idleTicks()
    {
        QFETCH(QString, ticks);
        QFETCH(QString, counters);
        QFETCH(QStringList, calls);
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        QVERIFY(desktop.isRegistered());
        Launched app;
        QVERIFY(!app.d->sleepDisabled());
        // Taken at once when playing.
        app.play();
        QCOMPARE(desktop.calls(), QStringList{hold7001});
        QVERIFY(app.d->sleepDisabled());

        for (int i = 0; i < ticks.size(); ++i) {
            app.d->setPlayerState(ticks[i] == u'p'   ? PlayerState::playing
                                  : ticks[i] == u'f' ? PlayerState::fastForwarding
                                                     : PlayerState::paused);
            app.d->setScreenSleep();
            QCOMPARE(app.d->pauseDurationCounter, qint64(counters[i].digitValue()));
        }
        // Releases are sent without waiting for the answer.
        QTRY_COMPARE(desktop.calls(), QStringList{hold7001} + calls);
        QCOMPARE(app.d->sleepDisabled(), ticks.endsWith(u'p') || calls.isEmpty());
    }

    void theTimerReleasesAfterPlaybackStops()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        // 180 program seconds pass in 0.18 real ones.
        Launched app(0.001);
        app.play();
        FakeBridge::last->state = 3;
        FakeBridge::last->notify();
        QCOMPARE(app.d->playerState(), PlayerState::paused);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.calls(), (QStringList{hold7001, release7001}), 10000);
        QVERIFY(!app.d->sleepDisabled());
    }

    // Each service the desktop may offer; the hold is released at once when the preference is
    // switched off, and the timer comes back when it is switched on.
    void services_data()
    {
        QTest::addColumn<int>("service");
        QTest::addColumn<QString>("taken");    // pattern of the hold's record
        QTest::addColumn<QString>("released"); // pattern of the release's record
        QTest::newRow("screen saver")
            << int(FakeDesktopServices::ScreenSaver) << u'^' + hold7001 + u'$' << "^UnInhibit 7001$";
        QTest::newRow("screen saver under /ScreenSaver") << int(FakeDesktopServices::ScreenSaverAtShortPath)
                                                         << u'^' + hold7001 + u'$' << "^UnInhibit 7001$";
        QTest::newRow("desktop portal")
            << int(FakeDesktopServices::Portal)
            << "^Inhibit \"\" 8 Disabling Screen Sleep -> (/org/freedesktop/portal/\\S+)$"
            << "^Close (/org/freedesktop/portal/\\S+)$";
    }

    void services()
    {
        QFETCH(int, service);
        QFETCH(QString, taken);
        QFETCH(QString, released);
        FakeDesktopServices desktop(static_cast<FakeDesktopServices::Service>(service));
        QVERIFY(desktop.isRegistered());
        Launched app;
        AppDelegate* d = app.d;
        QTimer* timer = d->preventSleepTimer();
        d->updatePreventSleepTimer();
        QVERIFY(timer && d->preventSleepTimer() == timer); // switched on again: the same timer runs
        app.play();
        QVERIFY(d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
        const QRegularExpressionMatch hold = QRegularExpression(taken).match(desktop.calls()[0]);
        QVERIFY2(hold.hasMatch(), qPrintable(desktop.calls()[0]));
        d->setPlayerState(PlayerState::paused);
        d->setScreenSleep();
        d->setScreenSleep();

        d->setPreventSleep(false);
        d->updatePreventSleepTimer();
        QVERIFY(!d->preventSleepTimer() && !d->sleepDisabled());
        QCOMPARE(d->pauseDurationCounter, qint64(0));
        QTRY_COMPARE(desktop.calls().size(), 2);
        const QRegularExpressionMatch release = QRegularExpression(released).match(desktop.calls()[1]);
        QVERIFY2(release.hasMatch(), qPrintable(desktop.calls()[1]));
        // The portal's request is the one it handed out.
        QCOMPARE(release.captured(1), hold.captured(1));

        d->setPreventSleep(true);
        d->updatePreventSleepTimer();
        QVERIFY(d->preventSleepTimer() && d->preventSleepTimer()->isActive());
    }

    void noServiceAtAll()
    {
        Launched app;
        app.play();
        QVERIFY(!app.d->sleepDisabled());
        // The refresh that asked for the hold went on to its end.
        QVERIFY(!app.d->artworkImage().isNull());
        app.d->setPlayerState(PlayerState::paused);
        for (int i = 0; i < 5; ++i)
            app.d->setScreenSleep();
        QCOMPARE(app.d->pauseDurationCounter, qint64(0));

        // A service that appears later is used on the next check while playing.
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        app.d->setPlayerState(PlayerState::playing);
        app.d->setScreenSleep();
        QVERIFY(app.d->sleepDisabled());
        QCOMPARE(desktop.calls(), QStringList{hold7001});
    }

    void serviceThatNeverAnswers()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        desktop.answers = false;
        Launched app;
        QElapsedTimer clock;
        clock.start();
        app.play();
        // Far below the bus's own 25-second default: the window is never held that long.
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!app.d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);

        // The next refreshes do not ask the hung service again for a while.
        for (int i = 0; i < 3; ++i)
            app.d->updateTrackInfo();
        QVERIFY(!app.d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
    }
};

QTEST_MAIN(TestScreenSleep)
#include "tst_screensleep.moc"
