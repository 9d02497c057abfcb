// What the launch sequence leaves behind, seen from outside: the window, the constraints,
// the glyphs, the timers and the first refresh.

#include "app/appdelegate.h"
#include "app/application.h"
#include "display/utility.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/progressbar.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

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
        QCOMPARE(d->mView->backgroundColor(), QColor(Qt::black));
        QCOMPARE(window->minimumSize(), QSize(300, 300));
        const QRect screen = window->screen()->geometry();
        QCOMPARE(*d->screenWidth, double(screen.width()));
        QCOMPARE(*d->screenHeight, double(screen.height()));
        QCOMPARE(window->aspectRatio(), QSizeF(screen.size()));

        QVERIFY(d->mTrackRatingRight && d->mTrackRatingLeft);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE((*d->mTrackRatingRight)[i]->tag(), i + 1);
            QCOMPARE((*d->mTrackRatingLeft)[i]->tag(), i + 1);
            QCOMPARE((*d->mTrackRatingRight)[i]->objectName(), QStringLiteral("mTrackRatingR%1").arg(i + 1));
        }
        QVERIFY(d->mSound->isHidden());
        for (ProgressBar* bar : {d->mSlider.data(), d->mSlider2.data(), d->mSlider3.data()})
            QCOMPARE(bar->backgroundColor(), QColor::fromRgbF(0.3f, 0.3f, 0.3f));
        for (QComboBox* popup :
             {d->mNameFontPopup.data(), d->mAlbumFontPopup.data(), d->mArtistFontPopup.data()}) {
            QVERIFY(popup->isEnabled());
            QVERIFY(popup->count() > 0);
        }
        // The numbers rows hold the numbers and the stars, and start horizontal.
        QCOMPARE(d->mTrackStackNumbersRatingsRight->arrangedSubviews().size(), 2);
        QCOMPARE(d->mTrackStackNumbersRatingsLeft->arrangedSubviews().size(), 2);
        QCOMPARE(d->mTrackStackNumbersRatingsRight->orientation(), StackView::Horizontal);
        QCOMPARE(d->mTrackStackNumbersRatingsLeft->orientation(), StackView::Horizontal);
        // The wide stack's times have a font of their own.
        QVERIFY(d->mTrackProgressElapsed3->fieldFont().has_value());
    }

    void initialGlyphsAndNotice()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* d = application->delegate();
        for (TitleButton* star : *d->mTrackRatingRight) {
            QCOMPARE(star->attributedTitle().text, QStringLiteral("\u2606"));
            QCOMPARE(star->attributedTitle().color, Utility::grayColor());
        }
        QCOMPARE(d->mTrackLovedLeft->attributedTitle().text, QStringLiteral("\u2661"));
        QCOMPARE(d->mAlertInfo->textColor(), QColor(Qt::yellow));
        QCOMPARE(d->mAlertInfo->fieldFont()->pointSizeF(), 24.0);
        QVERIFY(d->mAlertInfo->shadow().has_value());
        QCOMPARE(d->mAlertInfo->shadow()->blurRadius, 3.0);
    }

    void firstConstraints_data()
    {
        QTest::addColumn<QVariant>("trackInfoPosition");
        QTest::addColumn<int>("vertical");
        QTest::newRow("top") << QVariant(1) << int(LayoutAttribute::Top);
        QTest::newRow("bottom") << QVariant(2) << int(LayoutAttribute::Bottom);
        QTest::newRow("bottom for zero") << QVariant(0) << int(LayoutAttribute::Bottom);
    }

    void firstConstraints()
    {
        QFETCH(QVariant, trackInfoPosition);
        QFETCH(int, vertical);
        TestEnvironment environment;
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY2(application.load(&error), qPrintable(error));
        AppDelegate* d = application.delegate();
        d->setTrackInfoPosition(trackInfoPosition);
        application.launch();

        const double w = d->mView->height();
        QCOMPARE(d->trackStackViewRightConstraint->item.data(), d->mTrackStackViewRight.data());
        QCOMPARE(d->trackStackViewRightConstraint->attribute, LayoutAttribute::Leading);
        QCOMPARE(d->trackStackViewRightConstraint->constant, w + 35);
        QCOMPARE(d->trackStackViewLeftConstraint->attribute, LayoutAttribute::Trailing);
        QCOMPARE(d->trackStackViewLeftConstraint->constant, -(w + 35));
        QCOMPARE(int(d->trackStackViewRightConstraint2->attribute), vertical);
        QCOMPARE(int(d->trackStackViewLeftConstraint2->attribute), vertical);
        QCOMPARE(d->trackStackViewRightConstraint2->constant, 50.0);
        QCOMPARE(d->trackStackViewLeftConstraint2->constant, 50.0);
        QCOMPARE(d->trackStackViewWideConstraint->attribute, LayoutAttribute::Trailing);
        QCOMPARE(d->trackStackViewWideConstraint->constant, -35.0);
        // The artwork view starts square, as tall as the display view.
        QCOMPARE(d->mArtworkView->size(), QSize(d->mView->height(), d->mView->height()));
        QCOMPARE(d->windowSizeRatio, float(d->mView->width() / *d->screenWidth));
    }

    void timersAndFirstRefresh()
    {
        TestEnvironment environment;
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        FakeBridge::last->playTrack(QStringLiteral("So What"));
        application.launch();
        AppDelegate* d = application.delegate();
        QVERIFY(d->hideMouseTimer() && d->hideMouseTimer()->isSingleShot());
        QVERIFY(d->toggleArtworkTimer() && !d->toggleArtworkTimer()->isSingleShot());
        QCOMPARE(d->preventSleepTimer() != nullptr, d->preventSleep());
        QCOMPARE(d->trackName(), QVariant(QStringLiteral("So What")));
        QCOMPARE(d->mTrackName->text(), QStringLiteral("So What"));
        QCOMPARE(d->playerState(), PlayerState::playing);

        // The one-second timer runs from launch: the elapsed text follows the player.
        FakeBridge::last->progress = QVariantMap{{QStringLiteral("trackProgressRatio"), 0.5},
                                                 {QStringLiteral("trackElapsed"), QStringLiteral("2:02")}};
        QTRY_COMPARE(d->trackElapsed(), QStringLiteral("2:02"));
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
        stored.setValue(QStringLiteral("automaticCheckUpdate"), false);
        stored.setValue(QStringLiteral("fullScreenMode"), fullScreenMode);
        stored.setValue(QStringLiteral("maxFontSize"), 72);
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
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        application.launch();
        AppDelegate* d = application.delegate();
        const int half = int(*d->screenWidth / 2);
        application.window()->resize(half, 400);
        QTRY_COMPARE(d->mView->width(), half);
        QCOMPARE(d->windowSizeRatio, float(half / *d->screenWidth));
    }

    // Moved to a screen of another size, the window scales its text by that screen's width.
    void anotherScreenGivesTheScale()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* d = application->delegate();
        application->window()->showNormal();
        application->window()->resize(800, 450);
        QTRY_COMPARE(d->mView->width(), 800);
        QScreen* screen = application->window()->screen();
        d->screenWidth = 4000.0;
        d->windowMovedToScreen(screen);
        QCOMPARE(*d->screenWidth, double(screen->geometry().width()));
        QCOMPARE(d->windowSizeRatio, float(800.0 / screen->geometry().width()));
        QCOMPARE(application->window()->aspectRatio(), QSizeF(screen->geometry().size()));
    }

    void closingTheWindowQuits()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        QTimer::singleShot(0, application->window(), &QWidget::close);
        QTimer failsafe;
        failsafe.setSingleShot(true);
        bool timedOut = false;
        connect(&failsafe, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        failsafe.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!timedOut);
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
