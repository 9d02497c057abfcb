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

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playButtonFollowsThePlayerState()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        auto* action = application->window()->findChild<QAction*>(u"actionPlayPause"_s);
        QVERIFY(action);
        FakeBridge::last->state = 2;
        FakeBridge::last->notify();
        QCOMPARE(action->text(), u"Pause"_s);
        FakeBridge::last->state = 3;
        FakeBridge::last->notify();
        QCOMPARE(action->text(), u"Play"_s);
    }

    void boundViewsFollowTheirProperties()
    {
        TestEnvironment environment;
        auto application = launchApplication();
        AppDelegate* d = application->delegate();
        d->setTrackAlbum(u"Blue Train"_s);
        d->setTrackElapsed(u"2:22"_s);
        for (TextField* album : {d->mTrackAlbum.data(), d->mTrackAlbum2.data(), d->mTrackAlbum3.data()})
            QCOMPARE(album->text(), u"Blue Train"_s);
        QCOMPARE(d->mTrackProgressElapsed3->text(), u"2:22"_s);
    }

    void missingOutletsAreNamed()
    {
        FakeBridge::install();
        Application application;
        QString error;
        QVERIFY(application.load(&error));
        AppDelegate delegate;
        // The same interface without one view: the name comes back, nothing else is missing.
        delete application.window()->findChild<TextField*>(u"mTrackArtist3"_s);
        const QStringList missing = delegate.connectOutlets({application.window()});
        QCOMPARE(missing, QStringList{u"mTrackArtist3"_s});
        QVERIFY(delegate.mTrackArtist3.isNull());
        QVERIFY(delegate.mTrackArtist2);
    }

    void binderReportsUnknownDeclarations()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QWidget root;
        auto* label = new TextField(&root);
        label->setObjectName(u"label"_s);
        label->setProperty("bind", u"noSuchProperty"_s);
        auto* button = new QPushButton(&root);
        button->setObjectName(u"button"_s);
        button->setProperty("action", u"noSuchAction:"_s);
        auto* good = new QPushButton(&root);
        good->setProperty("action", u"playPause:"_s);
        const QStringList errors = Binder::connect(&delegate, {&root});
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0].contains(u"noSuchProperty"_s));
        QVERIFY(errors[1].contains(u"noSuchAction:"_s));
        // The declared action reaches the application object with its sender.
        good->click();
        QCOMPARE(FakeBridge::last->commands, QStringList{u"playPause"_s});
    }

    // A control bound by a preference's key edits the working copy and follows it, as a control
    // bound to a property of its own does.
    void controlBoundByPreferenceKey()
    {
        FakeBridge::install();
        AppDelegate delegate;
        QWidget root;
        auto* box = new QCheckBox(&root);
        box->setProperty("bind", u"preference:isShowRatings"_s);
        QVERIFY(Binder::connect(&delegate, {&root}).isEmpty());
        QCOMPARE(box->isChecked(), delegate.prefIsShowRatings());
        box->setChecked(true);
        QVERIFY(delegate.prefIsShowRatings());
        QVERIFY(!delegate.isShowRatings()); // the live value waits for Apply
        delegate.setPrefIsShowRatings(false);
        QVERIFY(!box->isChecked());
        delegate.setPreference(u"isShowRatings"_s, u"yes"_s); // not a switch
        QVERIFY(!delegate.prefIsShowRatings());
    }

    void noBridgeMeansNoStart()
    {
        BridgeRegistry::registerClass(BridgeRegistry::applicationBridgeName, nullptr);
        Application application;
        QString error;
        QVERIFY(!application.load(&error));
        QVERIFY(error.contains(u"itb"_s));
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
