// The application object as the interface files connect it, and what the launch leaves behind:
// the window, the timers, the first refresh, full screen, quitting.

#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "player/bridgeregistry.h"
#include "player/values.h"
#include "tests/support/testenvironment.h"

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

class TestApplicationObject : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

    // Bound views follow their properties; the play button's title follows the player's state.
    void bindings()
    {
        TestApplication app;
        AppDelegate* d = app.d;
        d->setTrackAlbum(u"Blue Train"_s);
        for (TextField* album : {d->mTrackAlbum.data(), d->mTrackAlbum2.data(), d->mTrackAlbum3.data()})
            QCOMPARE(album->text(), u"Blue Train"_s);
        auto* action = d->mWindow->findChild<QAction*>(u"actionPlayPause"_s);
        QVERIFY(action);
        for (auto [state, title] : {std::pair{2, u"Pause"_s}, std::pair{3, u"Play"_s}}) {
            app.bridge->state = state;
            app.bridge->notify();
            QCOMPARE(action->text(), title);
        }
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

    void noBridgeMeansNoStart()
    {
        BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName, nullptr);
        Application application;
        QString error;
        QVERIFY(!application.load(&error));
        QVERIFY(error.contains(u"itb"_s));
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
        QCOMPARE(d->windowSizeRatio, 1.0f);
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
