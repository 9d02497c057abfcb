// Keys, clicks, drags, the pointer, notices, the heart and the stars, driven through the
// application's own event filter on the offscreen window; and keeping the display awake, against
// fake desktop services on the test's private session bus.

#include "display/nextup.h"
#include "display/screencare.h"
#include "interaction/keycommands.h"
#include "interaction/playerfollowing.h"
#include "platform/userdefaults.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/lyricsview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/panel.h"
#include "platform/views/stackview.h"
#include "platform/views/standbyview.h"
#include "interaction/touchgestures.h"
#include "platform/screenpower.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "player/media/lyrics.h"
#include "player/values.h"
#include "preferences/zivpreferences.h"
#include "tests/interaction/fakescreensaver.h"
#include "tests/support/testenvironment.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QDBusConnection>
#include <QPushButton>
#include <QRegularExpression>
#include <QTime>
#include <QWindow>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

const QString hold7001 = u"Inhibit Sleevelight Disabling Screen Sleep -> 7001"_s;
const QString release7001 = u"UnInhibit 7001"_s;

// The application launched on a fake player; its program timers are held still unless a scale is given.
struct Launched : TestApplication
{
    explicit Launched(double timeScale = 1000.0) : TestApplication(timeScale), window(d->mWindow)
    {
        // Let the window reach its size before anything is measured from it.
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(20);
        d->setPlayerState(PlayerState::playing);
        bridge->resetCounts();
    }
    ~Launched()
    {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    QWindow* handle() const { return window->windowHandle(); }
    void key(Qt::Key key) { QTest::keyClick(handle(), key); }
    void keys(const QList<Qt::Key>& keys)
    {
        for (Qt::Key each : keys)
            key(each);
    }

    // A pointer event at a place of the main window, given to the window as the platform would.
    void mouse(QEvent::Type type, const QPointF& local, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, local, QPointF(handle()->position()) + local, button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(handle(), &event);
    }
    void press(const QPointF& at) { mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void drag(const QPointF& to) { mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton); }
    void move(const QPointF& to) { mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::NoButton); }

    void showNormalWindow()
    {
        window->showNormal();
        QTRY_VERIFY(!window->isFullScreen());
        window->move(60, 40);
        QTRY_COMPARE(handle()->position(), QPoint(60, 40));
    }

    Panel* panel(const QString& which) const
    {
        return which == u"preferences" ? d->mPreferencePanel
               : which == u"update"    ? d->mCheckForUpdatePanel
                                       : nullptr;
    }

    // The glyphs both rows of stars and both hearts show, as "★★★☆☆ ★★★☆☆ ♥ ♥".
    QString glyphs() const
    {
        QString shown;
        for (const auto& stars : {d->mTrackRatingRight, d->mTrackRatingLeft})
            for (int i = 0; i < 5; ++i)
                shown += (*stars)[i]->attributedTitle().text + (i == 4 ? u" "_s : QString());
        return shown + d->mTrackLovedRight->attributedTitle().text + u' ' +
               d->mTrackLovedLeft->attributedTitle().text;
    }

    // What the player's notification does when a track starts playing.
    void play()
    {
        bridge->playTrack(u"Song"_s);
        d->updateTrackInfo();
    }

    MainWindow* window = nullptr;
};

// GNOME's display configuration as Mutter offers it on the session bus, reduced to its power
// save mode: what it was set to, in turn.
class FakeMutterDisplayConfig : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.DisplayConfig")
    Q_PROPERTY(int PowerSaveMode READ powerSaveMode WRITE setPowerSaveMode)

public:
    int powerSaveMode() const { return modes.isEmpty() ? 0 : modes.last(); }
    void setPowerSaveMode(int mode) { modes << mode; }
    QList<int> modes;
};

} // namespace

class TestInteraction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The rating and loved keys, the stars and the hearts: "s" and "l" are keys, "R3"/"L1" a star
    // of the right or left row, "heart" the left heart, "none" a redraw of the stars with no star.
    void ratingAndLoved_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QVariant>("before");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("s: none to one star") << "s" << QVariant(0) << QVariant(20);
        QTest::newRow("s: four stars to five") << "s" << QVariant(80) << QVariant(100);
        QTest::newRow("s: five stars to none") << "s" << QVariant(100) << QVariant(0);
        QTest::newRow("s: between stars stops at five") << "s" << QVariant(90) << QVariant(100);
        QTest::newRow("s: 99.5 stops at five") << "s" << QVariant(99.5) << QVariant(100);
        QTest::newRow("first star of a one-star track clears") << "R1" << QVariant(20) << QVariant(0);
        QTest::newRow("first star of a two-star track sets one") << "R1" << QVariant(40) << QVariant(20);
        QTest::newRow("first star with nothing known") << "L1" << QVariant() << QVariant(20);
        QTest::newRow("third star on three stars again") << "R3" << QVariant(60) << QVariant(60);
        QTest::newRow("fifth star") << "L5" << QVariant(0) << QVariant(100);
        QTest::newRow("no star redraws from the rating") << "none" << QVariant(75) << QVariant(75);
        QTest::newRow("l on a track not loved") << "l" << QVariant(0) << QVariant(true);
        QTest::newRow("l on a loved track") << "l" << QVariant(true) << QVariant(false);
        QTest::newRow("heart on a track loved as 1") << "heart" << QVariant(1) << QVariant(false);
        QTest::newRow("heart with nothing known") << "heart" << QVariant() << QVariant(true);
    }

    void ratingAndLoved()
    {
        QFETCH(QString, sender);
        QFETCH(QVariant, before);
        QFETCH(QVariant, expected);
        Launched app;
        AppDelegate* d = app.d;
        const bool loved = sender == u"l" || sender == u"heart";
        if (loved)
            d->setTrackLoved(before);
        else
            d->setTrackRating(before);
        if (sender.size() == 1)
            app.key(sender == u"s" ? Qt::Key_S : Qt::Key_L);
        else if (sender == u"none")
            d->clickTrackRating(nullptr);
        else if (loved)
            d->mTrackLovedLeft->click();
        else // through the connection the interface file declares
            (*(sender.startsWith(u'R') ? d->mTrackRatingRight
                                       : d->mTrackRatingLeft))[sender.mid(1).toInt() - 1]
                ->click();
        if (loved) {
            const QString heart = expected.toBool() ? u"\u2665"_s : u"\u2661"_s;
            QCOMPARE(d->trackLoved(), expected);
            QCOMPARE(app.bridge->lovedWrites, QList<QVariant>{expected});
            QVERIFY(app.glyphs().endsWith(heart + u' ' + heart));
            return;
        }
        QCOMPARE(d->trackRating().toDouble(), expected.toDouble());
        QCOMPARE(app.bridge->ratingWrites.size(), 1);
        QCOMPARE(app.bridge->ratingWrites[0].toDouble(), expected.toDouble());
        const int filled = expected.toInt() / 20;
        const QString row = QString(filled, QChar(0x2605)) + QString(5 - filled, QChar(0x2606));
        QVERIFY2(app.glyphs().startsWith(row + u' ' + row), qPrintable(app.glyphs()));
    }

    // The player's commands do nothing while no player runs, and no command acts while a panel is up.
    void commandsIgnored_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("not running") << "not running";
        QTest::newRow("preferences panel") << "preferences";
        QTest::newRow("update panel") << "update";
    }

    void commandsIgnored()
    {
        QFETCH(QString, blocker);
        Launched app;
        AppDelegate* d = app.d;
        app.bridge->artworks = QList<QByteArray>{QByteArrayLiteral("first"), QByteArrayLiteral("second")};
        d->setTrackRating(40);
        d->setTrackLoved(0);
        Panel* panel = app.panel(blocker);
        if (panel)
            panel->show();
        else
            d->setPlayerState(PlayerState::notRunning);
        // With no player the keys that need none still act, so only the player's are pressed.
        const QList<Qt::Key> playerKeys{Qt::Key_S, Qt::Key_L, Qt::Key_N};
        app.keys(panel ? playerKeys + QList<Qt::Key>{Qt::Key_H, Qt::Key_C, Qt::Key_V, Qt::Key_M}
                       : playerKeys);
        QVERIFY(d->trackRating() == 40 && d->trackLoved() == 0 && d->currentArtworkNumber == 0);
        QCOMPARE(d->alertInfo(), QString());
        QCOMPARE(app.bridge->totalReads(), 0);
        QVERIFY(app.bridge->ratingWrites.isEmpty() && app.bridge->lovedWrites.isEmpty());

        // The same keys act once the panel is gone or the player runs, also while it is paused.
        if (panel)
            panel->hide();
        else
            d->setPlayerState(PlayerState::paused);
        app.keys(playerKeys + QList<Qt::Key>{Qt::Key_H});
        QVERIFY(d->trackRating() == 60 && d->trackLoved() == true && d->currentArtworkNumber == 1);
        QCOMPARE(d->alertInfo(), AppDelegate::helpText);
    }

    // Space, the arrows and the media keys work the player once each, with a notice, whatever has
    // the focus; Ctrl with an arrow stays the menu's; in standby a key only wakes the display.
    void playbackKeys()
    {
        Launched app(0.002); // five minutes of standby delay in 0.6 s
        AppDelegate* d = app.d;
        app.play();
        auto* button = new QPushButton(u"focused"_s, app.d->mView);
        int clicked = 0;
        connect(button, &QPushButton::clicked, this, [&clicked] { ++clicked; });
        button->show();
        button->setFocus();
        QTRY_VERIFY(button->hasFocus());
        const QList<std::tuple<Qt::Key, QString, QString>> keys{
            {Qt::Key_Space, u"playPause"_s, u"Pause"_s},
            {Qt::Key_Right, u"gotoNextTrack"_s, u"Next"_s},
            {Qt::Key_Left, u"gotoPreviousTrack"_s, u"Previous"_s},
            {Qt::Key_MediaTogglePlayPause, u"playPause"_s, u"Pause"_s},
            {Qt::Key_MediaNext, u"gotoNextTrack"_s, u"Next"_s},
            {Qt::Key_MediaPrevious, u"gotoPreviousTrack"_s, u"Previous"_s},
        };
        for (const auto& [key, command, notice] : keys) {
            app.bridge->commands.clear();
            if (key >= Qt::Key_Space && key <= Qt::Key_Right) {
                app.key(key);
            } else {
                // A media key has no letter for the test library: given as the platform gives it.
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QCoreApplication::sendEvent(app.handle(), &press);
            }
            QCOMPARE(app.bridge->commands, QStringList{command});
            QCOMPARE(d->alertInfo(), notice);
        }
        QCOMPARE(clicked, 0);
        d->setPlayerState(PlayerState::paused);
        app.key(Qt::Key_Space);
        QCOMPARE(d->alertInfo(), u"Play"_s);
        d->setAlertInfo(QString());
        QTest::keyClick(app.handle(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(d->alertInfo(), QString());

        // Paused long enough: standby. Space only wakes the display; the next space plays.
        app.bridge->state = 3;
        d->updateTrackInfo();
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby());
        app.bridge->commands.clear();
        app.key(Qt::Key_Space);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
        QVERIFY(app.bridge->commands.isEmpty());
        app.key(Qt::Key_Space);
        QCOMPARE(app.bridge->commands, QStringList{u"playPause"_s});
        QCOMPARE(clicked, 0);
    }

    // Touch on the real window: a tap on the artwork, swipes both ways (and reversed), a swipe too
    // short, the long press, a star tapped on and beside it, the first touch in standby; the mouse
    // swipes in full screen only.
    void touchAndSwipes()
    {
        Launched app(0.002); // five minutes of standby delay in 0.6 s
        AppDelegate* d = app.d;
        app.play();
        app.window->showFullScreen();
        QTRY_VERIFY(app.window->isFullScreen());
        // The test library makes the device and leaves it to the caller.
        const std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
        QPointingDevice* finger = device.get();
        const QRect view(d->mView->mapTo(app.window, QPoint()), d->mView->size());
        const QPoint art = QRect(d->mArtworkView->mapTo(app.window, QPoint()), d->mArtworkView->size()).center();
        const auto swipe = [&](int dx, QPointingDevice* device) {
            const QPoint from(view.center().x() - dx / 2, view.center().y());
            QTest::touchEvent(app.handle(), device).press(0, from);
            for (int step = 1; step <= 4; ++step)
                QTest::touchEvent(app.handle(), device).move(0, from + QPoint(dx * step / 4, 0));
            QTest::touchEvent(app.handle(), device).release(0, from + QPoint(dx, 0));
        };
        const auto commands = [&] { return std::exchange(app.bridge->commands, {}); };

        QTest::touchEvent(app.handle(), finger).press(0, art);
        QTest::touchEvent(app.handle(), finger).release(0, art);
        QCOMPARE(commands(), QStringList{u"playPause"_s});
        QCOMPARE(d->alertInfo(), u"Pause"_s);
        swipe(-view.width() * 2 / 5, finger);
        QCOMPARE(commands(), QStringList{u"gotoNextTrack"_s});
        swipe(view.width() * 2 / 5, finger);
        QCOMPARE(commands(), QStringList{u"gotoPreviousTrack"_s});
        swipe(-view.width() / 25, finger);
        swipe(view.width() / 6, finger);
        QCOMPARE(commands(), QStringList());
        d->setLivePreference(u"reverseSwipes"_s, true);
        swipe(-view.width() * 2 / 5, finger);
        QCOMPARE(commands(), QStringList{u"gotoPreviousTrack"_s});
        d->setLivePreference(u"reverseSwipes"_s, false);

        // Held a second: the next player, as key p.
        app.bridge->nextPlayer = u"VLC media player"_s;
        QStringList notices; // each is gone in a moment at this speed of the clock
        connect(d, &AppDelegate::alertInfoChanged, this, [&] { notices << d->alertInfo(); });
        QTest::touchEvent(app.handle(), finger).press(0, art);
        QTest::qWait(TouchGestures::longPressMs + 200);
        QTest::touchEvent(app.handle(), finger).release(0, art);
        QVERIFY(notices.contains(u"Now following: VLC media player"_s));
        QCOMPARE(commands(), QStringList());

        // A star on it and a finger's width beside it.
        d->setLivePreference(u"isShowRatings"_s, true);
        d->updateTrackInfo();
        const auto stars = d->mTrackStackViewRight->isVisibleTo(d->mView) ? *d->mTrackRatingRight : *d->mTrackRatingLeft;
        QTRY_VERIFY(stars[2]->isVisibleTo(d->mView));
        const QRect third(stars[2]->mapTo(app.window, QPoint()), stars[2]->size());
        QTest::touchEvent(app.handle(), finger).press(0, third.center());
        QTest::touchEvent(app.handle(), finger).release(0, third.center());
        QTRY_COMPARE(app.bridge->ratingWrites.value(0), QVariant(60));
        const QRect fifth(stars[4]->mapTo(app.window, QPoint()), stars[4]->size());
        const QPoint beside(fifth.right() + 12, fifth.center().y());
        QTest::touchEvent(app.handle(), finger).press(0, beside);
        QTest::touchEvent(app.handle(), finger).release(0, beside);
        QTRY_COMPARE(app.bridge->ratingWrites.value(1), QVariant(100));
        QCOMPARE(commands(), QStringList());

        // The mouse in full screen: a swipe works, a 40-pixel drag and a click do nothing.
        const auto drag = [&](int dx) {
            const QPoint from(view.center().x() - dx / 2, view.center().y());
            QTest::mousePress(app.handle(), Qt::LeftButton, Qt::NoModifier, from);
            QTest::mouseMove(app.handle(), from + QPoint(dx, 0));
            QTest::mouseRelease(app.handle(), Qt::LeftButton, Qt::NoModifier, from + QPoint(dx, 0));
        };
        drag(-view.width() * 2 / 5);
        QCOMPARE(commands(), QStringList{u"gotoNextTrack"_s});
        drag(40);
        drag(0);
        QCOMPARE(commands(), QStringList());

        // Standby: the first touch, or drag, only wakes the display.
        app.bridge->state = 3;
        d->updateTrackInfo();
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby());
        swipe(-view.width() * 2 / 5, finger);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
        QCOMPARE(commands(), QStringList());
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby());
        drag(-view.width() * 2 / 5);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
        QCOMPARE(commands(), QStringList());
    }

    void notices_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QVariant>("codecInfo");
        QTest::addColumn<QString>("notice");
        QTest::newRow("h") << Qt::Key_H << QVariant() << QString(AppDelegate::helpText);
        QTest::newRow("c shows the file information as given")
            << Qt::Key_C << QVariant(u"  FLAC 44.1 kHz\n/music/a.flac "_s)
            << "  FLAC 44.1 kHz\n/music/a.flac ";
        QTest::newRow("c without information") << Qt::Key_C << QVariant() << QString();
    }

    void notices()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QVariant, codecInfo);
        QFETCH(QString, notice);
        Launched app;
        app.d->setAlertInfo(u"an earlier notice"_s);
        // Neither notice needs the player; they work with none running.
        app.d->setPlayerState(PlayerState::notRunning);
        app.bridge->codecInfo = codecInfo;
        // The key also goes on to the focused control.
        auto* field = new QLineEdit(app.d->mView);
        field->show();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        app.key(key);
        QCOMPARE(app.d->alertInfo(), notice);
        QCOMPARE(field->text(), QString(QChar(key)).toLower());
        // Every line of the notice fits in the field.
        QVERIFY(app.d->mAlertInfo->height() >= app.d->mAlertInfo->sizeHint().height());
        QVERIFY(app.d->resetAlertInfoTimer() && app.d->resetAlertInfoTimer()->isActive());
    }

    // Key c on a file still being read: a notice says so, and the information follows when it is
    // read, unless another track came first.
    void fileInformationBeingRead()
    {
        Launched app;
        app.bridge->readingCodecInfo = true;
        app.key(Qt::Key_C);
        QCOMPARE(app.d->alertInfo(), AppDelegate::readingCodecInfoText);
        app.bridge->readingCodecInfo = false;
        app.bridge->codecInfo = u"FLAC, /music/a.flac"_s;
        Q_EMIT app.bridge->codecInfoRead();
        QCOMPARE(app.d->alertInfo(), u"FLAC, /music/a.flac"_s);

        app.bridge->readingCodecInfo = true;
        app.key(Qt::Key_C);
        app.bridge->playTrack(u"Another"_s);
        app.bridge->notify();
        Q_EMIT app.bridge->codecInfoRead();
        QCOMPARE(app.d->alertInfo(), AppDelegate::readingCodecInfoText);
    }

    void keyPFollowsTheNextPlayer()
    {
        Launched app;
        app.bridge->nextPlayer = u"VLC media player"_s;
        app.key(Qt::Key_P);
        QCOMPARE(app.d->alertInfo(), u"Now following: VLC media player"_s);
        app.bridge->nextPlayer.clear();
        app.key(Qt::Key_P);
        QCOMPARE(app.d->alertInfo(), PlayerFollowing::noPlayerText);
        Q_EMIT app.bridge->chosenPlayerLeft(u"Spotify"_s);
        QCOMPARE(app.d->alertInfo(), u"Now following: Spotify"_s);
    }

    // The vinyl and multiple-artwork keys switch what is stored, not what shows, and say so.
    void switchingKeys_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QStringList>("notices"); // switched on, switched off
        QTest::newRow("v") << Qt::Key_V << "isShowVinyl"
                           << QStringList{u"Show Vinyl Record"_s, u"Hide Vinyl Record"_s};
        QTest::newRow("m") << Qt::Key_M << "isShowMultiArtworks"
                           << QStringList{u"Show Multiple Artworks"_s, u"Show Main Artwork"_s};
    }

    void switchingKeys()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, setting);
        QFETCH(QStringList, notices);
        Launched app;
        AppDelegate* d = app.d;
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        const QByteArray property = setting.toLatin1();
        const QVariant working = d->preference(setting);
        const auto stored = [&] {
            return UserDefaults(app.environment.settingsFile()).boolForKey(setting);
        };

        // The stored value decides, not the live one: stored off, live on, the key switches on.
        defaults.setBool(false, setting);
        defaults.synchronize();
        d->setProperty(property, true);
        d->currentArtworkNumber = 2;
        app.key(key);
        QVERIFY(d->property(property).toBool() && stored() && d->currentArtworkNumber == 2);
        QCOMPARE(d->alertInfo(), notices[0]);

        app.bridge->resetCounts();
        app.keys({Qt::Key_A, key}); // a key of no command, then the switch
        QVERIFY(!d->property(property).toBool() && !stored() && d->preference(setting) == working);
        QCOMPARE(d->alertInfo(), notices[1]);
        if (key == Qt::Key_M)
            QVERIFY(d->currentArtworkNumber == 0 && app.bridge->totalReads() == 0); // no refresh follows
        else
            QVERIFY(app.bridge->reads.value(u"playerState"_s) > 0); // the refresh ran

        // A database without the key reads as off, so the key switches on.
        defaults.setObject(QVariant(), setting);
        defaults.synchronize();
        app.key(key);
        QCOMPARE(d->alertInfo(), notices[0]);
    }

    void pressAndDrag_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QString>("setup"); // a panel shown, or "full screen"
        QTest::addColumn<bool>("moves");
        QTest::newRow("4.9 both ways stays") << QPointF(4.9, 4.9) << "" << false;
        QTest::newRow("5 across moves") << QPointF(5.0, 0.0) << "" << true;
        QTest::newRow("5 up moves") << QPointF(0.0, -5.0) << "" << true;
        QTest::newRow("panels do not block a drag") << QPointF(0.0, 8.0) << "preferences" << true;
        QTest::newRow("full screen stays put") << QPointF(30.0, 30.0) << "full screen" << false;
    }

    void pressAndDrag()
    {
        QFETCH(QPointF, offset);
        QFETCH(QString, setup);
        QFETCH(bool, moves);
        Launched app;
        if (setup == u"full screen") {
            app.window->showFullScreen();
            QTRY_VERIFY(app.window->isFullScreen());
        } else {
            app.showNormalWindow();
        }
        // Another window is active; the press brings the window forward unless a panel is up.
        QWidget other;
        other.setGeometry(700, 500, 100, 100);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        if (Panel* panel = app.panel(setup))
            panel->show();
        QTRY_VERIFY(!app.window->isActiveWindow());
        const QPoint start = app.window->pos();
        const QPointF pressedAt(200.0, 150.0);

        app.press(pressedAt);
        QCOMPARE(*app.d->mouseDownPosition, pressedAt);
        QTRY_COMPARE(app.window->isActiveWindow(), app.panel(setup) == nullptr);
        // Small steps on the way do not move the window.
        app.drag(pressedAt + QPointF(1.0, 1.0));
        QCoreApplication::processEvents();
        QCOMPARE(app.window->pos(), start);
        app.drag(pressedAt + offset);
        if (moves) {
            QTRY_COMPARE(app.window->pos(), start + offset.toPoint());
            // Once moving, the window follows every further step of the pointer.
            app.drag(pressedAt + QPointF(2.0, 1.0));
            QTRY_COMPARE(app.window->pos(), start + offset.toPoint() + QPoint(2, 1));
        } else {
            QTest::qWait(20);
            QCOMPARE(app.window->pos(), start);
        }
        QCOMPARE(app.window->isActiveWindow(), app.panel(setup) == nullptr);
    }

    // The window's buttons show while the pointer is over the display; the pointer hides once and
    // shows on any move or drag, which starts a new hiding period only when none runs.
    // Paused for standbyDelay minutes, the display goes dark but for a clock and the last track;
    // playing, a key or the pointer brings the track back, and the key does nothing else.
    void lyricsInTheAlbumsPlace()
    {
        Launched app; // the program's timers held still: only the lyrics' own timing moves a line
        AppDelegate* d = app.d;
        app.play();
        QCOMPARE(app.window->findChildren<LyricsView*>().size(), 3);
        auto* view = d->mTrackStackViewRight->findChild<LyricsView*>();
        QVERIFY(view != nullptr);

        // Without lyrics the key only turns them on: the display stays as it was.
        app.key(Qt::Key_Y);
        QCOMPARE(d->alertInfo(), u"Show Lyrics"_s);
        QVERIFY(d->livePreferences().showLyrics);
        QVERIFY(!view->isVisible());
        QVERIFY(d->mTrackAlbum->isVisible());

        app.bridge->lyrics =
            lyrics::fromText(u"[00:00.30]First\n[00:00.60]Second\n[00:00.90]Third\n[00:05.00]Fourth"_s);
        QElapsedTimer clock;
        clock.start();
        app.bridge->setPositionMs(0);
        d->updateTrackInfo();
        QVERIFY(view->isVisible());
        QVERIFY(!d->mTrackAlbum->isVisible());
        for (QWidget* stays : {static_cast<QWidget*>(d->mTrackName), static_cast<QWidget*>(d->mTrackArtist),
                               static_cast<QWidget*>(d->mTrackStackProgressRight)})
            QVERIFY(stays->isVisible());
        QTRY_VERIFY(QRect(QPoint(), d->mView->size()).contains(d->mTrackStackViewRight->geometry()));
        QCOMPARE(view->shownLines(), (QStringList{QString(), QString(), u"First"_s, u"Second"_s}));

        // Each line at its time, never before it.
        QTRY_COMPARE(view->currentLine(), 0);
        QVERIFY(clock.elapsed() >= 300);
        QTRY_COMPARE(view->currentLine(), 1);
        QVERIFY(clock.elapsed() >= 600);
        QCOMPARE(view->shownLines(), (QStringList{u"First"_s, u"Second"_s, u"Third"_s, u"Fourth"_s}));
        const QImage shown = view->grab().toImage();
        int lit = 0;
        for (int y = 0; y < shown.height(); y += 3)
            for (int x = 0; x < shown.width(); x += 3)
                lit += QColor(shown.pixel(x, y)).value() > 128 ? 1 : 0;
        QVERIFY(lit > 20);

        // Paused they stand still; a seek shows its line at once.
        app.bridge->state = 3;
        app.bridge->setPositionMs(700);
        d->updateTrackInfo();
        QTest::qWait(400);
        QCOMPARE(view->currentLine(), 1);
        app.bridge->setPositionMs(950);
        Q_EMIT app.bridge->positionJumped();
        QCOMPARE(view->currentLine(), 2);

        // Half a second later, then a second sooner: kept for the track, told in a notice.
        app.key(Qt::Key_BracketRight);
        QCOMPARE(d->alertInfo(), u"Lyrics 0.5 s later"_s);
        QCOMPARE(view->currentLine(), 0);
        app.keys({Qt::Key_BracketLeft, Qt::Key_BracketLeft});
        QCOMPARE(d->alertInfo(), u"Lyrics 0.5 s sooner"_s);
        QCOMPARE(app.bridge->lyricsShiftWrites, (QList<qint64>{500, 0, -500}));
        QCOMPARE(view->currentLine(), 2);

        // Plain lyrics go through the view with the track.
        QString plain;
        for (int line = 1; line <= 40; ++line)
            plain += u"Line %1\n"_s.arg(line);
        app.bridge->lyrics = lyrics::fromText(plain);
        const auto shownAt = [&](double ratio) {
            app.bridge->progress->insert(BridgeKey::trackProgressRatio, ratio);
            d->updateTrackInfo();
            return view->shownLines();
        };
        QCOMPARE(shownAt(0.0).constFirst(), u"Line 1"_s);
        const int quarter = shownAt(0.25).constFirst().mid(5).toInt();
        QVERIFY2(quarter > 5 && quarter < 15, qPrintable(QString::number(quarter)));
        QCOMPARE(shownAt(1.0).constLast(), u"Line 40"_s);
        QVERIFY(shownAt(1.0).size() >= 3);

        app.key(Qt::Key_Y);
        QCOMPARE(d->alertInfo(), u"Hide Lyrics"_s);
        QVERIFY(!view->isVisible());
        QVERIFY(d->mTrackAlbum->isVisible());
        QCOMPARE(UserDefaults::standardUserDefaults().boolForKey(u"showLyrics"_s), false);
    }

    // Key u shows the next track of the player's queue under the progress, one dim line, and keeps
    // the choice; nothing shows when nothing is next.
    void nextUp()
    {
        Launched app;
        AppDelegate* d = app.d;
        app.bridge->next = QVariantMap{{BridgeKey::trackName, u"Later (Official Video)"_s},
                                       {BridgeKey::trackArtist, u"The Band"_s}};
        app.play();
        const auto shownLine = [&]() -> TextField* {
            for (TextField* line : app.window->findChildren<TextField*>(u"nextUp"_s))
                if (line->isVisible())
                    return line;
            return nullptr;
        };
        QCOMPARE(shownLine(), nullptr); // off unless asked for
        app.key(Qt::Key_U);
        QCOMPARE(d->alertInfo(), NextUpLine::showText);
        QCOMPARE(UserDefaults::standardUserDefaults().boolForKey(u"showNextUp"_s), true);
        TextField* line = shownLine();
        QVERIFY(line != nullptr);
        QCOMPARE(line->text(), u"Next: Later \u2014 The Band"_s);
        app.placeStacks();
        const QWidget* progress = d->mTrackStackProgressRight->isVisible()
                                      ? d->mTrackStackProgressRight.data()
                                      : d->mTrackStackProgressLeft.data();
        QVERIFY(line->mapTo(d->mView, QPoint()).y() >=
                progress->mapTo(d->mView, QPoint(0, progress->height())).y());

        app.bridge->next.reset();
        d->updateTrackInfo();
        QCOMPARE(shownLine(), nullptr);
        app.key(Qt::Key_U);
        QCOMPARE(d->alertInfo(), NextUpLine::hideText);
        QCOMPARE(UserDefaults::standardUserDefaults().boolForKey(u"showNextUp"_s), false);
    }

    void standby()
    {
        Launched app(0.002); // five minutes in 0.6 s
        AppDelegate* d = app.d;
        app.play();
        QTest::qWait(1000);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());

        app.bridge->state = 3;
        d->updateTrackInfo();
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby());
        auto* view = app.window->findChild<StandbyView*>();
        QVERIFY(view != nullptr);
        const QTime now = QTime::currentTime();
        QVERIFY2(view->clockText() == now.toString(u"HH:mm"_s) ||
                     view->clockText() == now.addSecs(-60).toString(u"HH:mm"_s),
                 qPrintable(view->clockText()));
        QVERIFY(view->rect().contains(view->clockRect()));
        // Faded in within a second: black everywhere but where the clock and the lines stand.
        QTest::qWait(1000);
        const QImage shown = app.window->grab().toImage();
        const QRect clock(view->mapTo(app.window, view->clockRect().topLeft()), view->clockRect().size());
        int lit = 0, litOutside = 0;
        for (int y = 0; y < shown.height(); y += 7)
            for (int x = 0; x < shown.width(); x += 7)
                if (QColor(shown.pixel(x, y)).value() > 8)
                    ++(clock.contains(QPoint(x, y) / shown.devicePixelRatio()) ? lit : litOutside);
        QVERIFY(lit > 0);
        QCOMPARE(litOutside, 0);

        const bool vinyl = d->isShowVinyl();
        app.key(Qt::Key_V);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
        QCOMPARE(d->isShowVinyl(), vinyl);
        QTRY_VERIFY(!view->isVisible());                      // the track again
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby()); // the full delay after the key
        app.move(QPointF(100.0, 100.0));
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
        QTRY_VERIFY(d->feature<ScreenCare>()->isInStandby());
        QElapsedTimer back;
        back.start();
        app.bridge->state = 2;
        d->updateTrackInfo();
        QTRY_VERIFY(!view->isVisible());
        QVERIFY(back.elapsed() < 1000);

        d->setLivePreference(u"standbyDelay"_s, 0);
        app.bridge->state = 3;
        d->updateTrackInfo();
        QTest::qWait(1000);
        QVERIFY(!d->feature<ScreenCare>()->isInStandby());
    }

    // With standbyScreenOff, standby turns the screen off (here DPMS, its requests recorded in
    // place of an X server's) and a key or playing turns it on; where the window system offers no
    // way (offscreen), the clock shows and the log says so once.
    void screenTurnedOffInStandby()
    {
        struct FakeDpms : DpmsRequests
        {
            explicit FakeDpms(QStringList* log) : log(log) {}
            bool isOffered() override { return true; }
            void enable() override { *log << u"enable"_s; }
            void forceLevel(bool on) override { *log << (on ? u"on"_s : u"off"_s); }
            QStringList* log;
        };
        Launched app(0.002); // five minutes in 0.6 s
        AppDelegate* d = app.d;
        auto* care = d->feature<ScreenCare>();
        QStringList requests;
        care->setScreenPower(dpmsScreenPower(std::make_unique<FakeDpms>(&requests)));
        d->setLivePreference(u"standbyScreenOff"_s, true);
        app.play();
        app.bridge->state = 3;
        d->updateTrackInfo();
        QTRY_VERIFY(care->isInStandby());
        QCOMPARE(requests, (QStringList{u"enable"_s, u"off"_s}));
        app.key(Qt::Key_V);
        QCOMPARE(requests, (QStringList{u"enable"_s, u"off"_s, u"enable"_s, u"on"_s}));
        QTRY_VERIFY(care->isInStandby());
        app.bridge->state = 2;
        d->updateTrackInfo();
        QCOMPARE(requests.mid(4), (QStringList{u"enable"_s, u"off"_s, u"enable"_s, u"on"_s}));

        // No way offered here: the clock, and one line.
        Launched plain(0.002);
        static QStringList said;
        said.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) { said << message; });
        plain.d->setLivePreference(u"standbyScreenOff"_s, true);
        plain.play();
        for (int round = 0; round < 2; ++round) {
            plain.bridge->state = 3;
            plain.d->updateTrackInfo();
            QTRY_VERIFY(plain.d->feature<ScreenCare>()->isInStandby());
            plain.key(Qt::Key_V);
        }
        qInstallMessageHandler(previous);
        QCOMPARE(said.filter(u"no way to turn the screen off"_s).size(), 1);
    }

    // On GNOME's Wayland session the screen goes off through Mutter's power save mode (3), and on (0).
    void gnomePowerSaveMode()
    {
        FakeMutterDisplayConfig mutter;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/org/gnome/Mutter/DisplayConfig"_s, &mutter,
                                   QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService(u"org.gnome.Mutter.DisplayConfig"_s));
        Launched app(0.002);
        AppDelegate* d = app.d;
        d->feature<ScreenCare>()->setScreenPower(mutterScreenPower(bus));
        d->setLivePreference(u"standbyScreenOff"_s, true);
        app.play();
        app.bridge->state = 3;
        d->updateTrackInfo();
        QTRY_COMPARE(mutter.modes, QList<int>{3});
        app.key(Qt::Key_V);
        QTRY_COMPARE(mutter.modes, (QList<int>{3, 0}));
        bus.unregisterService(u"org.gnome.Mutter.DisplayConfig"_s);
        bus.unregisterObject(u"/org/gnome/Mutter/DisplayConfig"_s);
    }

    // While playing, the whole display drifts a pixel at a time within a few pixels of its place,
    // never back where it stood ten steps before; off, it stands where the layout puts it.
    void driftAgainstBurnIn()
    {
        for (const int height : {720, 1080, 2160}) {
            const int half = std::max(1, int(std::lround(4.0 * height / 1080.0)));
            QCOMPARE(driftOffset(0, height), QPoint());
            for (qint64 step = 1; step < 600; ++step) {
                const QPoint now = driftOffset(step, height), before = driftOffset(step - 1, height);
                QVERIFY(now != before && std::abs(now.x() - before.x()) <= 1 &&
                        std::abs(now.y() - before.y()) <= 1);
                QVERIFY(std::abs(now.x()) <= half && std::abs(now.y()) <= half);
                if (step >= 10)
                    QVERIFY(driftOffset(step - 10, height) != now);
            }
        }

        Launched app(0.002); // a minute in 120 ms
        AppDelegate* d = app.d;
        // The name shown, where it stands against the artwork's corner.
        const auto nameAgainstArtwork = [&] {
            app.placeStacks();
            for (TextField* name : {d->mTrackName.data(), d->mTrackName2.data(), d->mTrackName3.data()})
                if (name->isVisible())
                    return name->mapTo(app.window, QPoint()) - d->mArtworkView->mapTo(app.window, QPoint());
            return QPoint(-1, -1);
        };
        app.TestApplication::play(u"First"_s, std::nullopt);
        const QPoint first = nameAgainstArtwork();
        QTRY_VERIFY(d->mView->pos() != QPoint());
        QVERIFY(std::abs(d->mView->pos().x()) <= 4 && std::abs(d->mView->pos().y()) <= 4);
        QCOMPARE(d->mView->size(), app.window->contentView()->size());
        // The composition moves whole, also when a refresh or a new track lays the text out again.
        QCOMPARE(nameAgainstArtwork(), first);
        d->updateTrackInfo();
        QCOMPARE(nameAgainstArtwork(), first);
        app.TestApplication::play(u"Second"_s, std::nullopt); // the artwork goes to the other side
        app.TestApplication::play(u"First"_s, std::nullopt);
        QVERIFY(d->mView->pos() != QPoint());
        QCOMPARE(nameAgainstArtwork(), first);
        d->updateViewBounds();
        QCOMPARE(nameAgainstArtwork(), first);
        d->setLivePreference(u"shiftAgainstBurnIn"_s, false);
        QCOMPARE(d->mView->pos(), QPoint());
        QTest::qWait(300);
        QCOMPARE(d->mView->pos(), QPoint());
    }

    void pointerMoves()
    {
        Launched app;
        AppDelegate* d = app.d;
        QVERIFY(d->hideMouseTimer()); // from the launch
        app.showNormalWindow();
        const auto buttonsShown = [&] {
            int shown = 0;
            for (auto which :
                 {MainWindow::CloseButton, MainWindow::MiniaturizeButton, MainWindow::ZoomButton})
                shown += app.window->standardWindowButton(which)->isVisible() ? 1 : 0;
            return shown;
        };
        QList<int> seen{buttonsShown()};
        for (const QPointF& at : {QPointF(300.0, 200.0), QPointF(-20.0, 200.0), QPointF(639.0, 359.0)}) {
            app.move(at);
            seen << buttonsShown();
        }
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(app.handle(), &leave);
        QCOMPARE(seen << buttonsShown(), (QList<int>{0, 3, 0, 3, 0}));

        d->hideMouse();
        QVERIFY(QGuiApplication::overrideCursor() && !d->hideMouseTimer());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
        d->hideMouse();
        app.move(QPointF(50.0, 50.0));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr); // hidden once, shown by one move
        QTimer* next = d->hideMouseTimer();
        QVERIFY(next && next->isActive() && next->isSingleShot());
        app.move(QPointF(60.0, 50.0));
        QCOMPARE(d->hideMouseTimer(), next);
        d->hideMouse();
        app.press(QPointF(60.0, 50.0));
        app.drag(QPointF(61.0, 50.0));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // Each character is one tick of the slow timer: 'p' finds the player playing, 'i' paused,
    // 'f' fast-forwarding, which does not count as playing. After each tick the pause counter is
    // the digit of `counters`; `calls` is what the screen saver received after the first hold.
    void idleTicks_data()
    {
        QTest::addColumn<QString>("ticks");
        QTest::addColumn<QString>("counters");
        QTest::addColumn<QStringList>("calls");
        const QStringList released{release7001};
        QTest::newRow("the fourth idle tick releases") << u"iiii"_s << u"1230"_s << released;
        QTest::newRow("idle ticks after the release do nothing") << u"iiiiii"_s << u"123000"_s << released;
        QTest::newRow("fast-forwarding counts as idle") << u"ffff"_s << u"1230"_s << released;
        QTest::newRow("counter carried across pauses") << u"iipii"_s << u"12230"_s << released;
        QTest::newRow("playing keeps the hold") << u"iipppi"_s << u"122223"_s << QStringList();
        QTest::newRow("playing after the release takes a new hold")
            << u"iiiip"_s << u"12300"_s
            << released + QStringList{u"Inhibit Sleevelight Disabling Screen Sleep -> 7002"_s};
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
        app.play(); // asked for at once when playing
        QVERIFY(app.d->sleepDisabled());
        QTRY_COMPARE(desktop.calls(), QStringList{hold7001});
        for (int i = 0; i < ticks.size(); ++i) {
            app.d->setPlayerState(ticks[i] == u'p'   ? PlayerState::playing
                                  : ticks[i] == u'f' ? PlayerState::fastForwarding
                                                     : PlayerState::paused);
            app.d->setScreenSleep();
            QCOMPARE(app.d->pauseDurationCounter, qint64(counters[i].digitValue()));
        }
        // Releases are sent without waiting for the answer; a hold given back before the service
        // answered is given back when it does, perhaps after the next hold was asked for.
        const auto sorted = [](QStringList list) {
            list.sort();
            return list;
        };
        QTRY_COMPARE(sorted(desktop.calls()), sorted(QStringList{hold7001} + calls));
        QCOMPARE(app.d->sleepDisabled(), ticks.endsWith(u'p') || calls.isEmpty());
    }

    // Each service the desktop may offer, by patterns of what it records of the hold and of its
    // release. The hold is released at once when the preference is switched off, and the timer
    // comes back when it is switched on.
    void services_data()
    {
        QTest::addColumn<int>("service");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("released");
        const QString screenSaverHold = u'^' + hold7001 + u'$';
        QTest::newRow("screen saver")
            << int(FakeDesktopServices::ScreenSaver) << screenSaverHold << "^UnInhibit 7001$";
        QTest::newRow("screen saver under /ScreenSaver")
            << int(FakeDesktopServices::ScreenSaverAtShortPath) << screenSaverHold << "^UnInhibit 7001$";
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
        QTRY_COMPARE(desktop.calls().size(), 1);
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
        QCOMPARE(release.captured(1), hold.captured(1)); // the portal's request is the one it handed out
        d->setPreventSleep(true);
        d->updatePreventSleepTimer();
        QVERIFY(d->preventSleepTimer() && d->preventSleepTimer()->isActive());
    }

    // No service on the bus and no window system to ask (offscreen): no hold, said at once, and
    // the refresh goes on. A service that appears later is used on a later check while playing.
    void noServiceAtAll()
    {
        Launched app;
        app.play();
        QVERIFY(!app.d->sleepDisabled());
        QVERIFY(!app.d->artworkImage().isNull()); // the refresh that asked for the hold went on to its end
        app.d->setPlayerState(PlayerState::paused);
        for (int i = 0; i < 5; ++i)
            app.d->setScreenSleep();
        QCOMPARE(app.d->pauseDurationCounter, qint64(0));

        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        app.d->setPlayerState(PlayerState::playing);
        QTRY_VERIFY((app.d->setScreenSleep(), app.d->sleepDisabled()));
        QTRY_COMPARE(desktop.calls(), QStringList{hold7001});
    }

    // A service that never answers never holds the window; the hold counts as lost once the call
    // times out, and the bus is not asked again for a while.
    void serviceThatNeverAnswers()
    {
        FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
        desktop.answers = false;
        Launched app;
        QElapsedTimer clock;
        clock.start();
        app.play();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(!app.d->sleepDisabled(), 10000);
        for (int i = 0; i < 3; ++i)
            app.d->updateTrackInfo();
        QVERIFY(!app.d->sleepDisabled());
        QCOMPARE(desktop.calls().size(), 1);
    }
};

QTEST_MAIN(TestInteraction)
#include "tst_interaction.moc"
