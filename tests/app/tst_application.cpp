// The application object as the interface files connect it; what the launch leaves behind: the
// window, the timers, the first refresh, full screen on either of two screens, quitting; and the
// full and the one-second refresh, driven through the fake bridge.

#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "player/values.h"
#include "preferences/zivpreferences.h"
#include "tests/support/testenvironment.h"
#include "update/updatesite.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QWindow>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

// The application with a track playing, for the tests of the full and the one-second refresh.
struct Refreshing : TestApplication
{
    Refreshing()
    {
        bridge->playTrack(u"Giant Steps"_s, u"Giant Steps"_s, u"Coltrane"_s);
        d->updateTrackInfo();
    }
    void refreshWith(QVariant state)
    {
        bridge->state = std::move(state);
        bridge->resetCounts();
        d->updateTrackInfo();
    }
};

const QColor grey = QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f);
const QColor yellow = QColor::fromRgbF(1.0f, 1.0f, 0.0f, 1.0f);

} // namespace

class TestApplicationObject : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A distribution's build without the update check shows neither its command nor its control.
    void theUpdateCheckOnlyWhereBuilt()
    {
        TestApplication app(1000.0, TestApplication::loaded);
        bool command = false;
        for (const QAction* action : app.d->mWindow->actions())
            command = command || action->text() == u"Check for Updates…"_s;
        QCOMPARE(command, updateCheckBuilt);
        QCOMPARE(app.d->mPreferencePanel->findChild<QAbstractButton*>(u"checkUpdateCheck"_s) != nullptr,
                 updateCheckBuilt);
    }

    void windowAndFirstRefresh()
    {
        TestApplication app(0.001, TestApplication::loaded);
        app.bridge->playTrack(u"So What"_s);
        app.launch();
        AppDelegate* d = app.d;
        MainWindow* window = d->mWindow;
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        const QRect screen = window->screen()->geometry();
        QCOMPARE(*d->screenWidth, double(screen.width()));
        QCOMPARE(*d->screenHeight, double(screen.height()));
        QCOMPARE(window->aspectRatio(), QSizeF(screen.size()));
        QVERIFY(d->mNameFontPopup->isEnabled() && d->mNameFontPopup->count() > 0);
        QVERIFY(d->hideMouseTimer() && d->toggleArtworkTimer());
        QCOMPARE(d->preventSleepTimer() != nullptr, d->preventSleep());
        QCOMPARE(d->mTrackName->text(), u"So What"_s);

        // The one-second timer runs from launch: the elapsed text follows the player.
        app.bridge->progress =
            QVariantMap{{BridgeKey::trackProgressRatio, 0.5}, {BridgeKey::trackElapsed, u"2:02"_s}};
        QTRY_COMPARE(d->trackElapsed(), u"2:02"_s);

        // A smaller window lays the display out at its own ratio of the screen.
        const int half = int(*d->screenWidth / 2);
        window->resize(half, 400);
        QTRY_COMPARE(d->mView->width(), half);
        QCOMPARE(d->windowSizeRatio, float(half / *d->screenWidth));
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
        TestApplication app(0.001, TestApplication::loaded);
        QSettings stored(app.environment.settingsFile(), QSettings::IniFormat);
        stored.setValue(u"automaticCheckUpdate"_s, false);
        stored.setValue(u"fullScreenMode"_s, fullScreenMode);
        stored.setValue(u"maxFontSize"_s, 72);
        stored.sync();
        MainWindow* window = app.application->window();
        if (screenSized)
            window->resize(window->screen()->geometry().size());
        QSignalSpy willEnter(window, &MainWindow::willEnterFullScreen);
        app.launch();
        QCOMPARE(willEnter.count(), toggled ? 1 : 0);
        QCOMPARE(window->isFullScreen(), toggled);
    }

    void closingTheWindowQuits()
    {
        TestApplication app(0.001);
        QTimer::singleShot(0, app.application->window(), &QWidget::close);
        QTimer::singleShot(5000, app.application->window(), [] { QCoreApplication::exit(1); }); // failsafe
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    // With two screens of different sizes: full screen fills the screen the window is on, and the
    // display scales itself to that screen.
    void fullScreenOnTheWindowsScreen()
    {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QScreen* left = QGuiApplication::screens().at(0);
        QScreen* right = QGuiApplication::screens().at(1);

        TestApplication app(0.001);
        AppDelegate* d = app.d;
        MainWindow* window = d->mWindow;
        QTRY_COMPARE(window->geometry(), left->geometry());
        QCOMPARE(*d->screenWidth, 1920.0);

        window->toggleFullScreen();
        QTRY_VERIFY(!window->isFullScreen());
        window->windowHandle()->setScreen(right);
        window->move(right->geometry().topLeft() + QPoint(100, 100));
        QTRY_COMPARE(window->screen(), right);
        window->toggleFullScreen();
        QTRY_COMPARE(window->geometry(), right->geometry());
        QTRY_COMPARE(d->mView->width(), 1280);
        QCOMPARE(*d->screenWidth, 1280.0);
        QCOMPARE(*d->screenHeight, 1024.0);
        QCOMPARE(d->windowSizeRatio, float(1024 / 1080.0)); // sizes follow the display's shorter side
    }

    // What the bridge gives is copied; what is missing or of the wrong kind becomes absent, and a
    // progress without an elapsed text keeps the last one.
    void copiesTheTrackInformation()
    {
        Refreshing r;
        AppDelegate* d = r.d;
        FakeBridge* bridge = r.bridge;
        QCOMPARE(d->trackName(), QVariant(u"Giant Steps"_s));
        QCOMPARE(d->trackArtist(), QVariant(u"Coltrane"_s));
        QCOMPARE(d->trackYear(), QVariant(1999));
        QCOMPARE(d->trackNumbers(), QVariant(u"1/10  1/1"_s));
        QCOMPARE(d->trackDuration(), QVariant(u"4:05"_s));
        QCOMPARE(d->trackRating(), QVariant(40));
        QCOMPARE(d->trackProgress(), QVariant(0.25));
        QCOMPARE(d->trackElapsed(), u"1:01"_s);
        QCOMPARE(d->mTrackName->textColor(), yellow);

        bridge->info->remove(BridgeKey::trackYear);
        bridge->info->insert(BridgeKey::trackRating, u"five stars"_s);
        bridge->info->insert(BridgeKey::trackAlbum, 42);
        bridge->progress = QVariantMap{{BridgeKey::trackProgressRatio, 0.5}, {BridgeKey::trackElapsed, 12}};
        r.refreshWith(2);
        QVERIFY(!d->trackYear().isValid() && !d->trackRating().isValid() && !d->trackAlbum().isValid());
        QCOMPARE(d->mTrackAlbum->text(), QString());
        QCOMPARE(d->trackElapsed(), u"1:01"_s);
        QCOMPARE(d->trackProgress(), QVariant(0.5));
        bridge->progress->remove(BridgeKey::trackProgressRatio);
        r.refreshWith(2);
        QVERIFY(!d->trackProgress().isValid());
    }

    // Not running, a refresh asks only for the state, unless the player is to start with the display.
    void notRunning()
    {
        Refreshing r;
        AppDelegate* d = r.d;
        FakeBridge* bridge = r.bridge;
        bridge->info->insert(BridgeKey::trackName, u"Other"_s);
        r.refreshWith(0);
        QCOMPARE(bridge->reads, (QHash<QString, int>{{u"playerState"_s, 1}}));
        QCOMPARE(d->playerState(), PlayerState::notRunning);
        QCOMPARE(d->trackName(), QVariant(u"Giant Steps"_s));
        d->setStartItunesWithApp(true);
        r.refreshWith(0);
        QCOMPARE(bridge->reads.value(u"trackInfo"_s), 1);
        QCOMPARE(d->trackName(), QVariant(u"Other"_s));
    }

    // Anything but a whole number from 0 to 5 counts as not running, and such a refresh asks for
    // nothing more. Stopped or paused greys the name and takes the record away; without a track
    // only stopped does, keeping the name and asking for no progress.
    void states_data()
    {
        QTest::addColumn<QVariant>("raw");
        QTest::addColumn<bool>("track");
        QTest::addColumn<PlayerState>("state");
        QTest::addColumn<bool>("greyed");
        const auto none = PlayerState::notRunning;
        QTest::newRow("seven") << QVariant(7) << true << none << false;
        QTest::newRow("negative") << QVariant(-1) << true << none << false;
        QTest::newRow("fraction") << QVariant(2.5) << true << none << false;
        QTest::newRow("text") << QVariant(u"2"_s) << true << none << false;
        QTest::newRow("nothing") << QVariant() << true << none << false;
        QTest::newRow("whole number as a fraction") << QVariant(3.0) << true << PlayerState::paused << true;
        QTest::newRow("stopped") << QVariant(1) << true << PlayerState::stopped << true;
        QTest::newRow("playing") << QVariant(2) << true << PlayerState::playing << false;
        QTest::newRow("rewinding") << QVariant(5) << true << PlayerState::rewinding << false;
        QTest::newRow("stopped without a track") << QVariant(1) << false << PlayerState::stopped << true;
        QTest::newRow("paused without a track") << QVariant(3) << false << PlayerState::paused << false;
    }

    void states()
    {
        Refreshing r;
        AppDelegate* d = r.d;
        FakeBridge* bridge = r.bridge;
        QFETCH(QVariant, raw);
        QFETCH(bool, track);
        QFETCH(PlayerState, state);
        QFETCH(bool, greyed);
        d->setVinylImage(Image::fromImage(QImage(4, 4, QImage::Format_RGB32)));
        if (!track)
            bridge->info.reset();
        r.refreshWith(raw);
        QCOMPARE(d->playerState(), state);
        for (TextField* name : {d->mTrackName.data(), d->mTrackName2.data(), d->mTrackName3.data()})
            QCOMPARE(name->textColor(), greyed ? grey : yellow);
        if (greyed)
            QVERIFY(d->vinylImage().isNull());
        if (!track || state == PlayerState::notRunning) {
            QCOMPARE(d->trackName(), QVariant(u"Giant Steps"_s));
            QCOMPARE(bridge->reads.value(u"trackProgress"_s), 0);
        }
        if (state == PlayerState::notRunning)
            QCOMPARE(bridge->reads.value(u"trackInfo"_s), 0);
    }

    void progressTickReadsAtMostTwice_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("advances");
        QTest::newRow("playing") << 2 << true;
        QTest::newRow("fast forward") << 4 << true;
        QTest::newRow("rewinding") << 5 << true;
        QTest::newRow("paused") << 3 << false;
        QTest::newRow("stopped") << 1 << false;
        QTest::newRow("not running") << 0 << false;
    }

    // Playing, each tick reads the progress once; not running, a tick does nothing at all.
    void progressTickReadsAtMostTwice()
    {
        Refreshing r;
        AppDelegate* d = r.d;
        FakeBridge* bridge = r.bridge;
        QFETCH(int, state);
        QFETCH(bool, advances);
        r.refreshWith(state);
        d->updateTrackProgress(); // the first tick may tell the slider of the volume
        bridge->progress =
            QVariantMap{{BridgeKey::trackProgressRatio, 0.75}, {BridgeKey::trackElapsed, u"3:03"_s}};
        bridge->resetCounts();
        for (int tick = 0; tick < 3; ++tick)
            d->updateTrackProgress();
        QVERIFY2(bridge->totalReads() <= 6, qPrintable(QString::number(bridge->totalReads())));
        QCOMPARE(bridge->reads.value(u"trackProgress"_s), advances ? 3 : 0);
        QCOMPARE(bridge->reads.value(u"playerState"_s), 0);
        QCOMPARE(bridge->reads.value(u"trackInfo"_s), 0);
        QCOMPARE(d->trackElapsed(), advances ? u"3:03"_s : u"1:01"_s);
        // The volume is written back every second, changed or not, while the player runs.
        QCOMPARE(bridge->volumeWrites.size(), state ? 3 : 0);
        if (!state)
            QCOMPARE(bridge->totalReads(), 0);
        // A change made in the player reaches the slider.
        QSignalSpy spy(d, &AppDelegate::soundVolumeChanged);
        bridge->volume = 80;
        d->updateTrackProgress();
        QCOMPARE(spy.count(), state ? 1 : 0);
    }
};

int main(int argc, char* argv[])
{
    // Two screens side by side: 1920 × 1080, and 1280 × 1024 on its right.
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + SLEEVELIGHT_TWO_SCREENS);
    QApplication app(argc, argv);
    TestApplicationObject test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
