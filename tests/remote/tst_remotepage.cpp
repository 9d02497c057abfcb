// The remote's page in a real browser: a phone-sized headless Chromium opened at the address the
// display gives, its controls found by their accessible names and pressed.

#include "remote/remotecontrol.h"
#include "tests/remote/devtools.h"
#include "tests/support/testenvironment.h"

#include <QElapsedTimer>

using namespace sleevelight;
using namespace sleevelight::test;
using namespace Qt::StringLiterals;

class TestRemotePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pressesReachThePlayerAndChangesReachThePage();
};

void TestRemotePage::pressesReachThePlayerAndChangesReachThePage()
{
    QVERIFY2(!Browser::program().isEmpty(), "chromium is not installed (scripts/setup.sh installs it)");
    TestApplication app;
    auto* remote = app.d->feature<RemoteControl>();
    Preferences live = app.d->livePreferences();
    live.remoteControl = true;
    live.remotePort = 0;
    app.d->setLivePreferences(live);
    QTRY_VERIFY_WITH_TIMEOUT(!remote->address().isEmpty(), 5000);
    app.play(u"First Song"_s, std::nullopt);

    // The printed address, its host replaced by the loopback one.
    QUrl address(remote->address());
    address.setHost(u"127.0.0.1"_s);
    Browser browser;
    QVERIFY(browser.start(QSize(390, 844)));
    const QString page = browser.open(address.toString());
    QTRY_VERIFY_WITH_TIMEOUT(browser.find(page, u"heading"_s, u"First Song"_s) != 0, 20000);

    // Every control, by the name a screen reader reads.
    const int next = browser.find(page, u"button"_s, u"Next"_s);
    QVERIFY(next != 0);
    QVERIFY(browser.find(page, u"button"_s, u"Previous"_s) != 0);
    QVERIFY(browser.find(page, u"button"_s, u"Pause"_s) != 0); // it plays
    QVERIFY(browser.find(page, u"button"_s, u"Play"_s) == 0);
    for (const QString& stars : {u"1 star"_s, u"2 stars"_s, u"3 stars"_s, u"4 stars"_s, u"5 stars"_s})
        QVERIFY2(browser.find(page, u"button"_s, stars) != 0, qPrintable(stars));
    const int loved = browser.find(page, u"button"_s, u"Loved"_s);
    const int volume = browser.find(page, u"slider"_s, u"Volume"_s);
    QVERIFY(loved != 0 && volume != 0);

    // Next, the heart and the volume reach the player.
    QVERIFY(browser.press(page, next));
    QTRY_VERIFY(app.bridge->commands.contains(u"gotoNextTrack"_s));
    QVERIFY(browser.press(page, loved));
    QTRY_COMPARE(app.bridge->lovedWrites.size(), 1);
    QVERIFY(app.bridge->lovedWrites.last().toBool());
    browser.key(page, volume, u"ArrowRight"_s, 39);
    QTRY_COMPARE(app.bridge->volumeWrites.value(app.bridge->volumeWrites.size() - 1).toInt(), 51);

    // The player moves on: the page shows it without a reload.
    QElapsedTimer clock;
    clock.start();
    app.bridge->playTrack(u"Second Song"_s);
    app.bridge->notify();
    QTRY_VERIFY_WITH_TIMEOUT(browser.find(page, u"heading"_s, u"Second Song"_s) != 0, 1000);
    qInfo("the page showed the next track %lld ms after the player changed", clock.elapsed());
    QVERIFY(browser.evaluate(page, u"performance.getEntriesByType('navigation').length"_s).toInt() == 1);

    // A browser never paired, at the address without the token, shows no track.
    QUrl bare = address;
    bare.setQuery(QString());
    const QString stranger = browser.open(bare.toString(), true);
    QTRY_VERIFY_WITH_TIMEOUT(browser.evaluate(stranger, u"document.getElementById('notice').textContent"_s)
                                 .toString()
                                 .contains(u"press r on the display"_s),
                             10000);
    QCOMPARE(browser.find(stranger, u"heading"_s, u"Second Song"_s), 0);
}

QTEST_MAIN(TestRemotePage)
#include "tst_remotepage.moc"
