// Keeping the display awake, against fake desktop services on the test's private session bus.

#include "app/appdelegate.h"
#include "app/application.h"
#include "platform/timers.h"
#include "tests/interaction/fakescreensaver.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

const QString inhibitCall = QStringLiteral("Inhibit Sleevelight Disabling Screen Sleep -> %1");

// The application launched on a fake player, its program timers held still unless a scale is given.
struct Launched
{
    explicit Launched(double timeScale = 1000.0) : environment(timeScale)
    {
        application = launchApplication();
        delegate = application->delegate();
        bridge = FakeBridge::last;
    }

    // What the player's notification does when a track starts playing.
    void play()
    {
        bridge->playTrack(QStringLiteral("Song"));
        delegate->updateTrackInfo();
    }

    TestEnvironment environment;
    std::unique_ptr<Application> application;
    AppDelegate* delegate = nullptr;
    FakeBridge* bridge = nullptr;
};

} // namespace

class TestScreenSleep : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void holdTakenAtOnceWhenPlaying()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        QVERIFY(desktop.isRegistered());
        Launched app;
        AppDelegate* d = app.delegate;
        QVERIFY(!d->sleepDisabled());

        app.play();
        QCOMPARE(desktop.calls(), QStringList{inhibitCall.arg(7001)});
        QVERIFY(d->sleepDisabled());
        QCOMPARE(d->assertionID, 7001u);

        // Further refreshes while playing keep the one hold.
        d->updateTrackInfo();
        d->setScreenSleep();
        QCOMPARE(desktop.calls().size(), 1);
    }

    // Each character is one tick of the slow timer: 'p' finds the player playing, 'i' paused,
    // 'f' fast-forwarding, which does not count as playing.
    void idleTicks_data()
    {
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QString>("counters");  // pauseDurationCounter after each tick
        QTest::addColumn<QStringList>("calls"); // what the screen saver received after the first hold
        QTest::addColumn<bool>("heldAtEnd");

        const QString release = QStringLiteral("UnInhibit 7001");
        QTest::newRow("three idle ticks only count") << "iii"
                                                     << "123" << QStringList() << true;
        QTest::newRow("the fourth idle tick releases") << "iiii"
                                                       << "1230" << QStringList{release} << false;
        QTest::newRow("idle ticks after the release do nothing") << "iiiiii"
                                                                 << "123000" << QStringList{release} << false;
        QTest::newRow("fast-forwarding counts as idle") << "ffff"
                                                        << "1230" << QStringList{release} << false;
        QTest::newRow("counter carried across pauses") << "iipii"
                                                       << "12230" << QStringList{release} << false;
        QTest::newRow("playing keeps the count, holds on") << "iipppi"
                                                           << "122223" << QStringList() << true;
        QTest::newRow("playing after the release takes a new hold")
            << "iiiip"
            << "12300" << QStringList{release, inhibitCall.arg(7002)} << true;
    }

    void idleTicks()
    {
        QFETCH(QString, ticks);
        QFETCH(QString, counters);
        QFETCH(QStringList, calls);
        QFETCH(bool, heldAtEnd);

        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        Launched app;
        AppDelegate* d = app.delegate;
        app.play();
        QVERIFY(d->sleepDisabled());

        for (int i = 0; i < ticks.size(); ++i) {
            d->setPlayerState(ticks[i] == u'p'   ? PlayerState::playing
                              : ticks[i] == u'f' ? PlayerState::fastForwarding
                                                 : PlayerState::paused);
            d->setScreenSleep();
            QCOMPARE(d->pauseDurationCounter, qint64(counters[i].digitValue()));
        }
        const QStringList expected = QStringList{inhibitCall.arg(7001)} + calls;
        // Releases are sent without waiting for the answer.
        QTRY_COMPARE(desktop.calls(), expected);
        QCOMPARE(d->sleepDisabled(), heldAtEnd);
        QCOMPARE(desktop.screenSaver()->activeCookies().size(), heldAtEnd ? 1 : 0);
    }

    void theTimerReleasesAfterPlaybackStops()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        // 180 program seconds pass in 0.18 real ones.
        Launched app(0.001);
        AppDelegate* d = app.delegate;
        QVERIFY(d->preventSleepTimer() && !d->preventSleepTimer()->isSingleShot());
        QCOMPARE(d->preventSleepTimer()->interval(), Timers::milliseconds(180.0));

        app.play();
        QCOMPARE(desktop.calls(), QStringList{inhibitCall.arg(7001)});
        app.bridge->state = 3;
        app.bridge->notify();
        QCOMPARE(d->playerState(), PlayerState::paused);
        QTRY_COMPARE_WITH_TIMEOUT(
            desktop.calls(), (QStringList{inhibitCall.arg(7001), QStringLiteral("UnInhibit 7001")}), 10000);
        QVERIFY(!d->sleepDisabled());
    }

    void preferenceSwitchedOffReleasesAtOnce()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        Launched app;
        AppDelegate* d = app.delegate;
        app.play();
        d->setPlayerState(PlayerState::paused);
        d->setScreenSleep();
        d->setScreenSleep();
        QCOMPARE(d->pauseDurationCounter, qint64(2));

        d->setPreventSleep(false);
        d->updatePreventSleepTimer();
        QCOMPARE(d->preventSleepTimer(), nullptr);
        QVERIFY(!d->sleepDisabled());
        QCOMPARE(d->pauseDurationCounter, qint64(0));
        QTRY_COMPARE(desktop.calls(), (QStringList{inhibitCall.arg(7001), QStringLiteral("UnInhibit 7001")}));

        // Switched off with nothing held: nothing more is sent.
        d->updatePreventSleepTimer();
        QTest::qWait(50);
        QCOMPARE(desktop.calls().size(), 2);
    }

    void preferenceSwitchedOnKeepsTheRunningTimer()
    {
        Launched app;
        AppDelegate* d = app.delegate;
        QTimer* running = d->preventSleepTimer();
        QVERIFY(running);
        d->updatePreventSleepTimer();
        QCOMPARE(d->preventSleepTimer(), running);
        QVERIFY(running->isActive());

        d->setPreventSleep(false);
        d->updatePreventSleepTimer();
        QCOMPARE(d->preventSleepTimer(), nullptr);
        d->setPreventSleep(true);
        d->updatePreventSleepTimer();
        QVERIFY(d->preventSleepTimer() && d->preventSleepTimer()->isActive());
        QCOMPARE(d->preventSleepTimer()->interval(), Timers::milliseconds(180.0));
    }

    void noServiceAtAll()
    {
        Launched app;
        AppDelegate* d = app.delegate;
        app.play();
        QVERIFY(!d->sleepDisabled());
        d->setPlayerState(PlayerState::paused);
        for (int i = 0; i < 5; ++i)
            d->setScreenSleep();
        QCOMPARE(d->pauseDurationCounter, qint64(0));

        // A service that appears later is used on the next check while playing.
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        d->setPlayerState(PlayerState::playing);
        d->setScreenSleep();
        QVERIFY(d->sleepDisabled());
        QCOMPARE(desktop.calls(), QStringList{inhibitCall.arg(7001)});
    }

    void otherServices_data()
    {
        QTest::addColumn<int>("service");
        QTest::addColumn<QString>("taken");    // pattern of the hold's record
        QTest::addColumn<QString>("released"); // pattern of the release's record

        QTest::newRow("screen saver under /ScreenSaver")
            << int(FakeDesktopServices::ScreenSaverAtShortPath)
            << "^Inhibit Sleevelight Disabling Screen Sleep -> 7001$"
            << "^UnInhibit 7001$";
        QTest::newRow("desktop portal")
            << int(FakeDesktopServices::Portal)
            << "^Inhibit \"\" 8 Disabling Screen Sleep -> (/org/freedesktop/portal/\\S+)$"
            << "^Close (/org/freedesktop/portal/\\S+)$";
    }

    void otherServices()
    {
        QFETCH(int, service);
        QFETCH(QString, taken);
        QFETCH(QString, released);

        FakeDesktopServices desktop(static_cast<FakeDesktopServices::Service>(service));
        QVERIFY(desktop.isRegistered());
        Launched app;
        AppDelegate* d = app.delegate;
        app.play();
        QVERIFY(d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
        const QRegularExpressionMatch hold = QRegularExpression(taken).match(desktop.calls()[0]);
        QVERIFY2(hold.hasMatch(), qPrintable(desktop.calls()[0]));

        d->setPreventSleep(false);
        d->updatePreventSleepTimer();
        QTRY_COMPARE(desktop.calls().size(), 2);
        const QRegularExpressionMatch release = QRegularExpression(released).match(desktop.calls()[1]);
        QVERIFY2(release.hasMatch(), qPrintable(desktop.calls()[1]));
        // The portal's request is the one it handed out.
        QCOMPARE(release.captured(1), hold.captured(1));
    }

    void serviceThatNeverAnswers()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        desktop.screenSaver()->answers = false;
        Launched app;
        AppDelegate* d = app.delegate;

        QElapsedTimer clock;
        clock.start();
        app.play();
        const qint64 firstMs = clock.elapsed();
        QVERIFY(!d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
        // Far below the bus's own 25-second default: the window is never held that long.
        QVERIFY2(firstMs < 5000, qPrintable(QString::number(firstMs)));

        // The next refreshes do not ask the hung service again for a while.
        clock.restart();
        for (int i = 0; i < 3; ++i)
            d->updateTrackInfo();
        const qint64 laterMs = clock.elapsed();
        QVERIFY(!d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
        qInfo("unanswered hold request returned after %lld ms; three more refreshes took %lld ms", firstMs,
              laterMs);
    }
};

QTEST_MAIN(TestScreenSleep)
#include "tst_screensleep.moc"
