// Keys, clicks, drags, the pointer, notices, the heart and the stars, driven through the
// application's own event filter on the offscreen window.

#include "app/appdelegate.h"
#include "app/application.h"
#include "display/utility.h"
#include "interaction/keycommands.h"
#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/panel.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"
#include "platform/workspace.h"
#include "preferences/zivpreferences.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QUrlQuery>
#include <QWindow>

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

const QColor filledStar = QColor::fromRgbF(228.0f / 255.0f, 228.0f / 255.0f, 228.0f / 255.0f, 1.0f);

// The application launched on a fake player; its program timers are held still unless a scale is given.
struct Launched
{
    explicit Launched(double timeScale = 1000.0) : environment(timeScale)
    {
        application = launchApplication();
        d = application->delegate();
        window = d->mWindow;
        bridge = FakeBridge::last;
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

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(handle(), key, modifiers);
    }

    // A pointer event at a place of the main window, given to the window as the platform would.
    void mouse(QEvent::Type type, const QPointF& local, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF global = QPointF(handle()->position()) + local;
        QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
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
        QTRY_COMPARE(window->pos(), QPoint(60, 40));
        QTRY_COMPARE(handle()->position(), QPoint(60, 40));
    }

    Panel* panel(const QString& which) const
    {
        if (which == u"preferences")
            return d->mPreferencePanel;
        if (which == u"update")
            return d->mCheckForUpdatePanel;
        return nullptr;
    }

    // A glyph as the display's text styling draws it at the size of the current window.
    TitleButton::Title glyph(const QString& text, const QColor& color) const
    {
        TitleButton sample;
        Utility::styleButtonTitle(&sample, text, std::nullopt,
                                  double(d->maxFontSize() * 0.5f * d->windowSizeRatio), color, true,
                                  TextAlignment::Natural);
        return sample.attributedTitle();
    }

    // Every star of both rows drawn as the first `filled` filled and the rest empty.
    void verifyStars(int filled) const
    {
        const TitleButton::Title full = glyph(d->charStar[1], filledStar);
        const TitleButton::Title empty = glyph(d->charStar[0], Utility::grayColor());
        for (const auto& stars : {d->mTrackRatingRight, d->mTrackRatingLeft})
            for (int i = 0; i < 5; ++i)
                QVERIFY2((*stars)[i]->attributedTitle() == (i < filled ? full : empty),
                         qPrintable(QStringLiteral("star %1 of %2 is %3")
                                        .arg(i + 1)
                                        .arg(stars == d->mTrackRatingRight ? u"right" : u"left")
                                        .arg((*stars)[i]->attributedTitle().text)));
    }

    TestEnvironment environment;
    std::unique_ptr<Application> application;
    AppDelegate* d = nullptr;
    MainWindow* window = nullptr;
    FakeBridge* bridge = nullptr;
};

QList<TitleButton::Title> titles(const AppDelegate* d)
{
    QList<TitleButton::Title> all;
    for (const auto& stars : {d->mTrackRatingRight, d->mTrackRatingLeft})
        for (TitleButton* star : *stars)
            all << star->attributedTitle();
    return all;
}

} // namespace

class TestInteraction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ratingKey_data()
    {
        QTest::addColumn<QVariant>("rating");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("none to one star") << QVariant(0) << qint64(20);
        QTest::newRow("four stars to five") << QVariant(80) << qint64(100);
        QTest::newRow("five stars to none") << QVariant(100) << qint64(0);
        QTest::newRow("between stars stops at five") << QVariant(90) << qint64(100);
        QTest::newRow("99 stops at five") << QVariant(99.5) << qint64(100);
        QTest::newRow("absent counts as none") << QVariant() << qint64(20);
    }

    void ratingKey()
    {
        QFETCH(QVariant, rating);
        QFETCH(qint64, expected);
        Launched app;
        app.d->setTrackRating(rating);
        app.key(Qt::Key_S);
        QCOMPARE(app.d->trackRating().toLongLong(), expected);
        QCOMPARE(app.bridge->ratingWrites.size(), 1);
        QCOMPARE(app.bridge->ratingWrites[0].toLongLong(), expected);
        app.verifyStars(int(expected / 20));
    }

    void playerCommandsIgnoredWhileNotRunning_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("s") << Qt::Key_S;
        QTest::newRow("l") << Qt::Key_L;
        QTest::newRow("n") << Qt::Key_N;
    }

    void playerCommandsIgnoredWhileNotRunning()
    {
        QFETCH(Qt::Key, key);
        Launched app;
        AppDelegate* d = app.d;
        app.bridge->artworks = QList<QByteArray>{QByteArrayLiteral("first"), QByteArrayLiteral("second")};
        d->setPlayerState(PlayerState::notRunning);
        d->setTrackRating(40);
        d->setTrackLoved(0);
        app.key(key);
        QCOMPARE(d->trackRating(), QVariant(40));
        QCOMPARE(d->trackLoved(), QVariant(0));
        QCOMPARE(d->currentArtworkNumber, qint64(0));
        QCOMPARE(app.bridge->totalReads(), 0);
        QVERIFY(app.bridge->ratingWrites.isEmpty() && app.bridge->lovedWrites.isEmpty());

        // The same key acts once the player runs, also while it is paused.
        d->setPlayerState(PlayerState::paused);
        app.key(key);
        if (key == Qt::Key_S)
            QCOMPARE(d->trackRating().toInt(), 60);
        else if (key == Qt::Key_L)
            QCOMPARE(d->trackLoved(), QVariant(true));
        else
            QCOMPARE(d->currentArtworkNumber, qint64(1));
    }

    void notices_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QVariant>("codecInfo");
        QTest::addColumn<QString>("notice");
        const QString help = AppDelegate::helpText;
        QTest::newRow("h") << Qt::Key_H << Qt::KeyboardModifiers() << QVariant() << help;
        QTest::newRow("ctrl-h acts like h")
            << Qt::Key_H << Qt::KeyboardModifiers(Qt::ControlModifier) << QVariant() << help;
        QTest::newRow("shift-h acts like h")
            << Qt::Key_H << Qt::KeyboardModifiers(Qt::ShiftModifier) << QVariant() << help;
        QTest::newRow("c shows the file information as given")
            << Qt::Key_C << Qt::KeyboardModifiers()
            << QVariant(QStringLiteral("  FLAC 44.1 kHz\n/music/a.flac "))
            << "  FLAC 44.1 kHz\n/music/a.flac ";
        QTest::newRow("c without information")
            << Qt::Key_C << Qt::KeyboardModifiers() << QVariant() << QString();
    }

    void notices()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QVariant, codecInfo);
        QFETCH(QString, notice);
        Launched app;
        app.d->setAlertInfo(QStringLiteral("an earlier notice"));
        // Neither notice needs the player; they work with none running.
        app.d->setPlayerState(PlayerState::notRunning);
        app.bridge->codecInfo = codecInfo;
        app.key(key, modifiers);
        QCOMPARE(app.d->alertInfo(), notice);
        // Every line of the notice fits in the field.
        QVERIFY(app.d->mAlertInfo->height() >= app.d->mAlertInfo->sizeHint().height());
        QVERIFY(app.d->resetAlertInfoTimer() && app.d->resetAlertInfoTimer()->isActive());
        QCOMPARE(app.d->resetAlertInfoTimer()->interval(), Timers::milliseconds(10.0));
        QCOMPARE(AppDelegate::helpText.size(), 172);
    }

    void switchingKeys_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("onNotice");
        QTest::addColumn<QString>("offNotice");
        QTest::newRow("v") << Qt::Key_V << "isShowVinyl"
                           << "Show Vinyl Record"
                           << "Hide Vinyl Record";
        QTest::newRow("m") << Qt::Key_M << "isShowMultiArtworks"
                           << "Show Multiple Artworks"
                           << "Show Main Artwork";
    }

    void switchingKeys()
    {
        QFETCH(Qt::Key, key);
        QFETCH(QString, setting);
        QFETCH(QString, onNotice);
        QFETCH(QString, offNotice);
        Launched app;
        AppDelegate* d = app.d;
        const QByteArray property = setting.toLatin1();
        const QByteArray prefProperty = "pref" + property.left(1).toUpper() + property.mid(1);
        const QVariant prefBefore = d->property(prefProperty);
        auto stored = [&] {
            return UserDefaults(app.environment.settingsFile()).objectForKey(setting);
        };

        // The stored value decides, not the live one: stored off, live on, the key switches on.
        UserDefaults::standardUserDefaults().setBool(false, setting);
        UserDefaults::standardUserDefaults().synchronize();
        d->setProperty(property, true);
        d->currentArtworkNumber = 2;
        app.key(key);
        QCOMPARE(d->property(property), QVariant(true));
        QCOMPARE(d->alertInfo(), onNotice);
        QCOMPARE(stored().toBool(), true);
        QCOMPARE(d->currentArtworkNumber, qint64(2));

        app.bridge->resetCounts();
        app.key(Qt::Key_A); // no command
        app.key(key);
        QCOMPARE(d->property(property), QVariant(false));
        QCOMPARE(d->alertInfo(), offNotice);
        QCOMPARE(stored().toBool(), false);
        QCOMPARE(d->property(prefProperty), prefBefore);
        if (key == Qt::Key_M) {
            QCOMPARE(d->currentArtworkNumber, qint64(0));
            QCOMPARE(app.bridge->totalReads(), 0); // no refresh follows
        } else {
            QVERIFY(app.bridge->reads.value(QStringLiteral("playerState")) > 0); // the refresh ran
        }

        // A database without the key reads as off, so the key switches on.
        UserDefaults::standardUserDefaults().setObject(QVariant(), setting);
        UserDefaults::standardUserDefaults().synchronize();
        app.key(key);
        QCOMPARE(d->alertInfo(), onNotice);
    }

    void commandsSuspendedWhileAPanelIsVisible_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::newRow("preferences") << "preferences";
        QTest::newRow("update") << "update";
    }

    void commandsSuspendedWhileAPanelIsVisible()
    {
        QFETCH(QString, panel);
        Launched app;
        app.d->setTrackRating(40);
        app.panel(panel)->show();
        QTRY_VERIFY(app.panel(panel)->isVisible());
        for (Qt::Key key : {Qt::Key_S, Qt::Key_H, Qt::Key_C, Qt::Key_V, Qt::Key_L, Qt::Key_N, Qt::Key_M})
            app.key(key);
        QCOMPARE(app.d->alertInfo(), QString());
        QCOMPARE(app.d->trackRating(), QVariant(40));
        QVERIFY(app.bridge->ratingWrites.isEmpty() && app.bridge->lovedWrites.isEmpty());
        QCOMPARE(app.bridge->totalReads(), 0);

        app.panel(panel)->hide();
        app.key(Qt::Key_H);
        QCOMPARE(app.d->alertInfo(), AppDelegate::helpText);
    }

    void keysGoOnToTheFocusedControl()
    {
        Launched app;
        auto* field = new QLineEdit(app.d->mView);
        field->show();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        app.key(Qt::Key_H);
        QCOMPARE(app.d->alertInfo(), AppDelegate::helpText);
        QCOMPARE(field->text(), QStringLiteral("h"));
    }

    void keysByPlace_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("key");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<int>("command");
        const auto add = [](const char* name, const char* platform, int key, quint32 code,
                            KeyCommand command) {
            QTest::newRow(name) << QString::fromLatin1(platform) << key << code << int(command);
        };
        add("x11 s", "xcb", Qt::Key_S, 39, KeyCommand::Rating);
        add("x11 m", "xcb", Qt::Key_M, 58, KeyCommand::MultiArtworks);
        // Another layout: the key in the place of s types o, and the key typing s is elsewhere.
        add("x11 dvorak s place", "xcb", Qt::Key_O, 39, KeyCommand::Rating);
        add("x11 dvorak s letter", "xcb", Qt::Key_S, 47, KeyCommand::None);
        add("wayland h place", "wayland", Qt::Key_D, 43, KeyCommand::Help);
        add("x11 without a code", "xcb", Qt::Key_M, 0, KeyCommand::MultiArtworks);
        add("offscreen by letter", "offscreen", Qt::Key_N, 0, KeyCommand::NextArtwork);
        add("framebuffer by letter", "linuxfb", Qt::Key_L, 38, KeyCommand::Loved);
        add("no command", "xcb", Qt::Key_A, 38, KeyCommand::None);
    }

    void keysByPlace()
    {
        QFETCH(QString, platform);
        QFETCH(int, key);
        QFETCH(quint32, scanCode);
        QFETCH(int, command);
        QCOMPARE(int(keyCommand(key, scanCode, platform)), command);
    }

    void loved_data()
    {
        QTest::addColumn<QVariant>("loved");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("expected");
        QTest::newRow("key on a track not loved") << QVariant(0) << true << true;
        QTest::newRow("key on a loved track") << QVariant(true) << true << false;
        QTest::newRow("heart on a track loved as 1") << QVariant(1) << false << false;
        QTest::newRow("heart with nothing known") << QVariant() << false << true;
        QTest::newRow("heart on a track loved as 1.0") << QVariant(1.0) << false << false;
    }

    void loved()
    {
        QFETCH(QVariant, loved);
        QFETCH(bool, byKey);
        QFETCH(bool, expected);
        Launched app;
        AppDelegate* d = app.d;
        d->setTrackLoved(loved);
        if (byKey)
            app.key(Qt::Key_L);
        else
            d->mTrackLovedLeft->click();
        QCOMPARE(d->trackLoved(), QVariant(expected));
        QCOMPARE(app.bridge->lovedWrites, QList<QVariant>{QVariant(expected)});
        const TitleButton::Title expectedHeart = expected ? app.glyph(d->charLoved[1], Utility::redColor())
                                                          : app.glyph(d->charLoved[0], Utility::grayColor());
        QVERIFY(d->mTrackLovedRight->attributedTitle() == expectedHeart);
        QVERIFY(d->mTrackLovedLeft->attributedTitle() == expectedHeart);
    }

    void starClicks_data()
    {
        QTest::addColumn<QVariant>("rating");
        QTest::addColumn<QString>("sender"); // a star of either row, "none" or an unknown tag
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<int>("filled"); // -1: nothing drawn
        QTest::newRow("first star of a one-star track clears") << QVariant(20) << "R1" << QVariant(0) << 0;
        QTest::newRow("first star of a two-star track sets one") << QVariant(40) << "R1" << QVariant(20) << 1;
        QTest::newRow("first star, left row") << QVariant(20.0) << "L1" << QVariant(0) << 0;
        QTest::newRow("first star with nothing known") << QVariant() << "L1" << QVariant(20) << 1;
        QTest::newRow("third star on three stars again") << QVariant(60) << "R3" << QVariant(60) << 3;
        QTest::newRow("fifth star") << QVariant(0) << "L5" << QVariant(100) << 5;
        QTest::newRow("second star from five") << QVariant(100) << "R2" << QVariant(40) << 2;
        QTest::newRow("no tag redraws from the rating") << QVariant(75) << "none" << QVariant(75) << 3;
        QTest::newRow("no tag, below one star") << QVariant(19) << "none" << QVariant(19) << 0;
        QTest::newRow("unknown tag draws nothing") << QVariant(60) << "tag9" << QVariant(60) << -1;
    }

    void starClicks()
    {
        QFETCH(QVariant, rating);
        QFETCH(QString, sender);
        QFETCH(QVariant, expected);
        QFETCH(int, filled);
        Launched app;
        AppDelegate* d = app.d;
        d->setTrackRating(rating);
        const QList<TitleButton::Title> before = titles(d);

        if (sender.startsWith(u'R') || sender.startsWith(u'L')) {
            const auto& row = sender.startsWith(u'R') ? d->mTrackRatingRight : d->mTrackRatingLeft;
            // The click goes through the connection the interface file declares.
            (*row)[sender.mid(1).toInt() - 1]->click();
        } else if (sender == u"none") {
            d->clickTrackRating(nullptr);
        } else {
            QObject tagged;
            tagged.setProperty("tag", 9);
            d->clickTrackRating(&tagged);
        }

        QCOMPARE(d->trackRating().toDouble(), expected.toDouble());
        QCOMPARE(app.bridge->ratingWrites.size(), 1);
        QCOMPARE(app.bridge->ratingWrites[0].toDouble(), expected.toDouble());
        if (filled < 0)
            QCOMPARE(titles(d), before);
        else
            app.verifyStars(filled);
    }

    void noticeKeepsItsFullTimeWhenReplaced()
    {
        // Ten program seconds last 0.1 real ones.
        const double scale = 0.01;
        Launched app(scale);
        AppDelegate* d = app.d;
        app.key(Qt::Key_H);
        QTimer* first = d->resetAlertInfoTimer();
        QVERIFY(first);
        QTest::qWait(int(5.0 * 1000 * scale));

        // Started before the key, so the time measured is never shorter than the notice's own.
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        app.key(Qt::Key_V);
        QCOMPARE(d->alertInfo(), QStringLiteral("Show Vinyl Record"));
        QVERIFY(d->resetAlertInfoTimer() != first);
        QTRY_COMPARE_WITH_TIMEOUT(d->alertInfo(), QString(), 5000);
        // Cleared no earlier than ten program seconds after its own start (coarse timers may fire 5% early),
        // so not by the first notice's timer, which ended about five seconds into it.
        QVERIFY2(sinceSecond.elapsed() >= qint64(0.95 * 10.0 * 1000 * scale),
                 qPrintable(QString::number(sinceSecond.elapsed())));
        // Clearing leaves the timer field alone.
        QVERIFY(d->resetAlertInfoTimer());
    }

    void dragThreshold_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<bool>("moves");
        QTest::newRow("4.9 both ways stays") << QPointF(4.9, 4.9) << "" << false << false;
        QTest::newRow("-4.9 both ways stays") << QPointF(-4.9, -4.9) << "" << false << false;
        QTest::newRow("5 across moves") << QPointF(5.0, 0.0) << "" << false << true;
        QTest::newRow("5 up moves") << QPointF(0.0, -5.0) << "" << false << true;
        QTest::newRow("far moves") << QPointF(-40.0, 25.0) << "" << false << true;
        QTest::newRow("panels do not block a drag") << QPointF(0.0, 8.0) << "preferences" << false << true;
        QTest::newRow("full screen stays put") << QPointF(30.0, 30.0) << "" << true << false;
    }

    void dragThreshold()
    {
        QFETCH(QPointF, offset);
        QFETCH(QString, panel);
        QFETCH(bool, fullScreen);
        QFETCH(bool, moves);
        Launched app;
        if (fullScreen) {
            app.window->showFullScreen();
            QTRY_VERIFY(app.window->isFullScreen());
        } else {
            app.showNormalWindow();
        }
        if (Panel* p = app.panel(panel))
            p->show();
        const QPoint start = app.window->pos();
        const QPointF pressedAt(200.0, 150.0);

        app.press(pressedAt);
        QCOMPARE(*app.d->mouseDownPosition, pressedAt);
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
    }

    void pressBringsTheWindowForward_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("forward");
        QTest::newRow("no panel") << "" << true;
        QTest::newRow("preferences panel") << "preferences" << false;
        QTest::newRow("update panel") << "update" << false;
    }

    void pressBringsTheWindowForward()
    {
        QFETCH(QString, panel);
        QFETCH(bool, forward);
        Launched app;
        app.showNormalWindow();
        QWidget other;
        other.setGeometry(700, 500, 100, 100);
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        if (Panel* p = app.panel(panel))
            p->show();
        QTRY_VERIFY(!app.window->isActiveWindow());

        app.press(QPointF(100.0, 100.0));
        QCOMPARE(*app.d->mouseDownPosition, QPointF(100.0, 100.0));
        if (forward) {
            QTRY_VERIFY(app.window->isActiveWindow());
        } else {
            QTest::qWait(20);
            QVERIFY(!app.window->isActiveWindow());
        }
    }

    void pointerHiding()
    {
        Launched app;
        AppDelegate* d = app.d;
        QVERIFY(d->hideMouseTimer());
        d->hideMouse();
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
        QCOMPARE(d->hideMouseTimer(), nullptr);
        d->hideMouse();

        app.move(QPointF(50.0, 50.0));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr); // hidden once, shown by one move
        QTimer* next = d->hideMouseTimer();
        QVERIFY(next && next->isActive() && next->isSingleShot());
        QCOMPARE(next->interval(), Timers::milliseconds(15.0));
        // Later moves keep the period that runs.
        app.move(QPointF(60.0, 50.0));
        QCOMPARE(d->hideMouseTimer(), next);

        // Dragging is moving too.
        d->hideMouse();
        app.press(QPointF(60.0, 50.0));
        app.drag(QPointF(61.0, 50.0));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void windowButtonsFollowThePointer()
    {
        Launched app;
        app.showNormalWindow();
        const auto visible = [&] {
            int shown = 0;
            for (auto which :
                 {MainWindow::CloseButton, MainWindow::MiniaturizeButton, MainWindow::ZoomButton})
                shown += app.window->standardWindowButton(which)->isVisible() ? 1 : 0;
            return shown;
        };
        QCOMPARE(visible(), 0);
        app.move(QPointF(300.0, 200.0));
        QCOMPARE(visible(), 3);
        app.move(QPointF(-20.0, 200.0));
        QCOMPARE(visible(), 0);
        app.move(QPointF(639.0, 359.0));
        QCOMPARE(visible(), 3);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(app.handle(), &leave);
        QCOMPARE(visible(), 0);
    }

    void helpAndDonationPages()
    {
        Launched app;
        QList<QUrl> opened;
        Workspace::setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        // Through the menu items the interface file declares.
        app.window->findChild<QAction*>(QStringLiteral("actionHelp"))->trigger();
        app.window->findChild<QAction*>(QStringLiteral("actionDonate"))->trigger();
        // An address without a scheme opens nothing.
        QVERIFY(!Workspace::openURL(QUrl(QStringLiteral("sleevelight.org/help"))));
        Workspace::setOpener({});

        QCOMPARE(opened.size(), 2);
        const QUrl site(QStringLiteral(SLEEVELIGHT_SITE));
        QCOMPARE(opened[0].scheme(), site.scheme());
        QCOMPARE(opened[0].host(), site.host());
        QCOMPARE(opened[0].path(), QStringLiteral("/help"));

        const QUrl donate = opened[1];
        QCOMPARE(donate.scheme(), QStringLiteral("https"));
        QCOMPARE(donate.path(), QStringLiteral("/cgi-bin/webscr"));
        const QList<std::pair<QString, QString>> query = QUrlQuery(donate).queryItems();
        QCOMPARE(query.size(), 3);
        QCOMPARE(query[0], std::make_pair(QStringLiteral("cmd"), QStringLiteral("_s-xclick")));
        QCOMPARE(query[1].first, QStringLiteral("hosted_button_id"));
        QVERIFY(!query[1].second.isEmpty());
        QCOMPARE(query[2], std::make_pair(QStringLiteral("source"), QStringLiteral("url")));
        QCOMPARE(donate, QUrl(QStringLiteral(SLEEVELIGHT_DONATE_URL)));
    }
};

QTEST_MAIN(TestInteraction)
#include "tst_interaction.moc"
