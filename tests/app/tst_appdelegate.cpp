// The application object before launch, its enumerations, the play-button transformer, and
// how the interface files are connected to it.

#include "app/appdelegate.h"
#include "app/application.h"
#include "app/playbuttonnametransformer.h"
#include "platform/binder.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "player/bridgeregistry.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace sleevelight;
using namespace sleevelight::test;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initialValues()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QVERIFY(delegate.iTunesBridge);
        QCOMPARE(delegate.trackElapsed(), QStringLiteral("0:00"));
        QCOMPARE(delegate.trackLoved(), QVariant(0));
        QCOMPARE(delegate.trackRating(), QVariant(0));
        for (const QVariant& text : {delegate.trackName(), delegate.trackAlbum(), delegate.trackArtist(),
                                     delegate.trackNumbers(), delegate.trackDuration()}) {
            QCOMPARE(text.typeId(), QMetaType::QString);
            QCOMPARE(text.toString(), QString());
        }
        QVERIFY(!delegate.trackYear().isValid());
        QVERIFY(!delegate.trackProgress().isValid());
        // Present but empty, so a first track without a name still counts as new.
        QVERIFY(delegate.prevTrackName.isValid());
        QCOMPARE(delegate.prevTrackName.toString(), QString());
        QCOMPARE(delegate.currentArtworkPosition, LayoutAttribute::Right);
        QCOMPARE(delegate.nextArtworkPosition, LayoutAttribute::Left);
        QCOMPARE(delegate.artworkPositionMode, AppDelegate::ArtworkPositionMode::Toggle);
        QCOMPARE(delegate.maxFontSize(), 72.0f);
        QCOMPARE(delegate.windowSizeRatio, 1.0f);
        QCOMPARE(delegate.playerState(), PlayerState::notRunning);
        QCOMPARE(delegate.trackInfoPosition(), QVariant(1));
        QVERIFY(!delegate.sleepDisabled());
        QCOMPARE(delegate.assertionID, 0u);
        QVERIFY(!delegate.toggleArtworkTimer() && !delegate.hideMouseTimer() &&
                !delegate.preventSleepTimer() && !delegate.resetAlertInfoTimer());
        QCOMPARE(delegate.charLoved, (QStringList{QStringLiteral("\u2661"), QStringLiteral("\u2665")}));
        QCOMPARE(delegate.charStar, (QStringList{QStringLiteral("\u2606"), QStringLiteral("\u2605")}));
        QCOMPARE(AppDelegate::helpText.size(), 172);
    }

    void settersNotifyOnlyOnChange()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QSignalSpy spy(&delegate, &AppDelegate::trackNameChanged);
        delegate.setTrackName(QStringLiteral("A"));
        delegate.setTrackName(QStringLiteral("A"));
        QCOMPARE(spy.count(), 1);
        // An absent name is not the same as an empty one.
        delegate.setTrackName(QString());
        delegate.setTrackName(QVariant());
        QCOMPARE(spy.count(), 3);
    }

    void playerStateConversion_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("active");
        QTest::newRow("not running") << qint64(0) << true << false;
        QTest::newRow("stopped") << qint64(1) << true << false;
        QTest::newRow("playing") << qint64(2) << true << true;
        QTest::newRow("paused") << qint64(3) << true << false;
        QTest::newRow("fast forward") << qint64(4) << true << true;
        QTest::newRow("rewinding") << qint64(5) << true << true;
        QTest::newRow("six") << qint64(6) << false << false;
        QTest::newRow("negative") << qint64(-1) << false << false;
    }

    void playerStateConversion()
    {
        QFETCH(qint64, raw);
        QFETCH(bool, valid);
        QFETCH(bool, active);
        const std::optional<PlayerState> state = playerStateFromRaw(raw);
        QCOMPARE(state.has_value(), valid);
        if (state) {
            QCOMPARE(int(*state), int(raw));
            QCOMPARE(isActive(*state), active);
        }
    }

    void artworkPositionModeConversion()
    {
        QVERIFY(!AppDelegate::artworkPositionModeFromRaw(0));
        QCOMPARE(AppDelegate::artworkPositionModeFromRaw(1), AppDelegate::ArtworkPositionMode::Left);
        QCOMPARE(AppDelegate::artworkPositionModeFromRaw(2), AppDelegate::ArtworkPositionMode::Right);
        QCOMPARE(AppDelegate::artworkPositionModeFromRaw(3), AppDelegate::ArtworkPositionMode::Toggle);
        QVERIFY(!AppDelegate::artworkPositionModeFromRaw(4));
    }

    void playButtonTitle_data()
    {
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QString>("title");
        QTest::newRow("absent") << QVariant() << QStringLiteral("Play");
        for (int raw : {0, 1, 3, 4, 5, 7})
            QTest::addRow("state %d", raw) << QVariant(raw) << QStringLiteral("Play");
        QTest::newRow("playing") << QVariant(2) << QStringLiteral("Pause");
        QTest::newRow("playing, 64-bit") << QVariant(qint64(2)) << QStringLiteral("Pause");
        QTest::newRow("playing, as the state")
            << QVariant::fromValue(PlayerState::playing) << QStringLiteral("Pause");
        QTest::newRow("paused, as the state")
            << QVariant::fromValue(PlayerState::paused) << QStringLiteral("Play");
        QTest::newRow("text") << QVariant(QStringLiteral("2")) << QStringLiteral("Play");
        QTest::newRow("fraction") << QVariant(2.5) << QStringLiteral("Play");
    }

    void playButtonTitle()
    {
        QFETCH(QVariant, input);
        QFETCH(QString, title);
        QCOMPARE(PlayButtonNameTransformer::transformedValue(input).toString(), title);
        QVERIFY(!PlayButtonNameTransformer::allowsReverseTransformation());
    }

    void playButtonFollowsThePlayerState()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        auto* action = application->window()->findChild<QAction*>(QStringLiteral("actionPlayPause"));
        QVERIFY(action);
        FakeBridge::last->state = 2;
        FakeBridge::last->notify();
        QCOMPARE(action->text(), QStringLiteral("Pause"));
        FakeBridge::last->state = 3;
        FakeBridge::last->notify();
        QCOMPARE(action->text(), QStringLiteral("Play"));
    }

    void boundViewsFollowTheirProperties()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* delegate = application->delegate();
        delegate->setTrackAlbum(QStringLiteral("Blue Train"));
        delegate->setTrackElapsed(QStringLiteral("2:22"));
        QCOMPARE(delegate->mTrackAlbum->text(), QStringLiteral("Blue Train"));
        QCOMPARE(delegate->mTrackAlbum2->text(), QStringLiteral("Blue Train"));
        QCOMPARE(delegate->mTrackAlbum3->text(), QStringLiteral("Blue Train"));
        QCOMPARE(delegate->mTrackProgressElapsed3->text(), QStringLiteral("2:22"));
        // An absent value shows as empty text.
        delegate->setTrackAlbum(QVariant());
        QCOMPARE(delegate->mTrackAlbum->text(), QString());
    }

    void missingOutletsAreNamed()
    {
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        AppDelegate delegate;
        // The same interface without one view: the name comes back, nothing else is missing.
        delete application.window()->findChild<TextField*>(QStringLiteral("mTrackArtist3"));
        const QStringList missing = delegate.connectOutlets({application.window()});
        QCOMPARE(missing, QStringList{QStringLiteral("mTrackArtist3")});
        QVERIFY(delegate.mTrackArtist3.isNull());
        QVERIFY(delegate.mTrackArtist2);
    }

    void binderReportsUnknownDeclarations()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QWidget root;
        auto* label = new TextField(&root);
        label->setObjectName(QStringLiteral("label"));
        label->setProperty("bind", QStringLiteral("noSuchProperty"));
        auto* button = new QPushButton(&root);
        button->setObjectName(QStringLiteral("button"));
        button->setProperty("action", QStringLiteral("noSuchAction:"));
        auto* good = new QPushButton(&root);
        good->setProperty("action", QStringLiteral("playPause:"));
        const QStringList errors = Binder::connect(&delegate, {&root});
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0].contains(QStringLiteral("noSuchProperty")));
        QVERIFY(errors[1].contains(QStringLiteral("noSuchAction:")));
        // The declared action reaches the application object with its sender.
        good->click();
        QCOMPARE(FakeBridge::last->commands, QStringList{QStringLiteral("playPause")});
    }

    void noBridgeMeansNoStart()
    {
        BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName, nullptr);
        Application application;
        QString error;
        QVERIFY(!application.load(&error));
        QVERIFY(error.contains(QStringLiteral("itb")));
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
