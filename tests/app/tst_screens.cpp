// With two screens of different sizes: full screen fills the screen the window is on, and the
// display scales itself to that screen.

#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QScreen>
#include <QWindow>

using namespace sleevelight;
using namespace sleevelight::test;

class TestScreens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + SLEEVELIGHT_TWO_SCREENS);
    QApplication app(argc, argv);
    TestScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screens.moc"
