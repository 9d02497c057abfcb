// The application object before launch, the play-button transformer, and how the interface
// files are connected to it.

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
#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace sleevelight;
using namespace sleevelight::test;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settersNotifyOnlyOnChange()
    {
        FakeBridge::install();
        AppDelegate delegate;
        // Present but empty, so a first track without a name still counts as new.
        QCOMPARE(delegate.prevTrackName, QVariant(QString()));
        QSignalSpy spy(&delegate, &AppDelegate::trackNameChanged);
        delegate.setTrackName(QStringLiteral("A"));
        delegate.setTrackName(QStringLiteral("A"));
        QCOMPARE(spy.count(), 1);
        // An absent name is not the same as an empty one.
        delegate.setTrackName(QString());
        delegate.setTrackName(QVariant());
        QCOMPARE(spy.count(), 3);
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
        QTest::newRow("text") << QVariant(QStringLiteral("2")) << QStringLiteral("Play");
        QTest::newRow("fraction") << QVariant(2.5) << QStringLiteral("Play");
    }

    void playButtonTitle()
    {
        QFETCH(QVariant, input);
        QFETCH(QString, title);
        QCOMPARE(PlayButtonNameTransformer::transformedValue(input).toString(), title);
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
        AppDelegate* d = application->delegate();
        d->setTrackAlbum(QStringLiteral("Blue Train"));
        d->setTrackElapsed(QStringLiteral("2:22"));
        for (TextField* album : {d->mTrackAlbum.data(), d->mTrackAlbum2.data(), d->mTrackAlbum3.data()})
            QCOMPARE(album->text(), QStringLiteral("Blue Train"));
        QCOMPARE(d->mTrackProgressElapsed3->text(), QStringLiteral("2:22"));
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

    // A control bound by a preference's key edits the working copy and follows it, as a control
    // bound to a property of its own does.
    void controlBoundByPreferenceKey()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QWidget root;
        auto* box = new QCheckBox(&root);
        box->setProperty("bind", QStringLiteral("preference:isShowRatings"));
        QVERIFY(Binder::connect(&delegate, {&root}).isEmpty());
        QCOMPARE(box->isChecked(), delegate.prefIsShowRatings());
        box->setChecked(true);
        QVERIFY(delegate.prefIsShowRatings());
        QVERIFY(!delegate.isShowRatings()); // the live value waits for Apply
        delegate.setPrefIsShowRatings(false);
        QVERIFY(!box->isChecked());
        delegate.setPreference(QStringLiteral("isShowRatings"), QStringLiteral("yes")); // not a switch
        QVERIFY(!delegate.prefIsShowRatings());
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
