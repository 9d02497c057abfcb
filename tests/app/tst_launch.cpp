// What the launch sequence leaves behind, seen from outside: the window, the constraints,
// the timers and the first refresh.

#include "app/appdelegate.h"
#include "app/application.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "player/values.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

class TestLaunch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowAndViews()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* d = application->delegate();
        MainWindow* window = d->mWindow;
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        const QRect screen = window->screen()->geometry();
        QCOMPARE(*d->screenWidth, double(screen.width()));
        QCOMPARE(*d->screenHeight, double(screen.height()));
        QCOMPARE(window->aspectRatio(), QSizeF(screen.size()));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE((*d->mTrackRatingRight)[i]->tag(), i + 1);
            QCOMPARE((*d->mTrackRatingLeft)[i]->tag(), i + 1);
        }
        for (QComboBox* popup : {d->mNameFontPopup, d->mAlbumFontPopup, d->mArtistFontPopup})
            QVERIFY(popup->isEnabled() && popup->count() > 0);
    }

    void timersAndFirstRefresh()
    {
        TestEnvironment environment;
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        FakeBridge::last->playTrack(u"So What"_s);
        application.launch();
        AppDelegate* d = application.delegate();
        QVERIFY(d->hideMouseTimer() && d->toggleArtworkTimer());
        QCOMPARE(d->preventSleepTimer() != nullptr, d->preventSleep());
        QCOMPARE(d->mTrackName->text(), u"So What"_s);

        // The one-second timer runs from launch: the elapsed text follows the player.
        FakeBridge::last->progress =
            QVariantMap{{BridgeKey::trackProgressRatio, 0.5}, {BridgeKey::trackElapsed, u"2:02"_s}};
        QTRY_COMPARE(d->trackElapsed(), u"2:02"_s);
    }

    void fullScreenUnlessAlreadyScreenSized_data()
    {
        QTest::addColumn<bool>("screenSized");
        QTest::addColumn<bool>("fullScreenMode");
        QTest::addColumn<bool>("toggled");
        QTest::newRow("window, full screen wanted") << false << true << true;
        QTest::newRow("window, not wanted") << false << false << false;
        QTest::newRow("screen-sized, wanted") << true << true << false;
    }

    void fullScreenUnlessAlreadyScreenSized()
    {
        QFETCH(bool, screenSized);
        QFETCH(bool, fullScreenMode);
        QFETCH(bool, toggled);
        TestEnvironment environment;
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        AppDelegate* d = application.delegate();
        QSettings stored(environment.settingsFile(), QSettings::IniFormat);
        stored.setValue(u"automaticCheckUpdate"_s, false);
        stored.setValue(u"fullScreenMode"_s, fullScreenMode);
        stored.setValue(u"maxFontSize"_s, 72);
        stored.sync();
        if (screenSized)
            application.window()->resize(application.window()->screen()->geometry().size());
        QSignalSpy willEnter(d->mWindow.data(), &MainWindow::willEnterFullScreen);
        application.launch();
        QCOMPARE(willEnter.count(), toggled ? 1 : 0);
        QCOMPARE(application.window()->isFullScreen(), toggled);
    }

    void frameChangeRelaysWithNewRatio()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* d = application->delegate();
        const int half = int(*d->screenWidth / 2);
        application->window()->resize(half, 400);
        QTRY_COMPARE(d->mView->width(), half);
        QCOMPARE(d->windowSizeRatio, float(half / *d->screenWidth));
    }

    void closingTheWindowQuits()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        QTimer::singleShot(0, application->window(), &QWidget::close);
        QTimer::singleShot(5000, application->window(), [] { QCoreApplication::exit(1); }); // failsafe
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
