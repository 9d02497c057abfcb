// The full refresh and the one-second refresh, driven through the fake bridge.

#include "platform/views/textfield.h"
#include "player/values.h"
#include "tests/support/testenvironment.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {
const QColor grey = QColor::fromRgbF(0.8f, 0.8f, 0.8f, 1.0f);
const QColor yellow = QColor::fromRgbF(1.0f, 1.0f, 0.0f, 1.0f);
} // namespace

class TestTrackRefresh : public QObject
{
    Q_OBJECT

    std::optional<TestApplication> m_app;
    AppDelegate* d = nullptr;
    FakeBridge* bridge = nullptr;

    void refreshWith(QVariant state)
    {
        bridge->state = std::move(state);
        bridge->resetCounts();
        d->updateTrackInfo();
    }

private Q_SLOTS:
    void init()
    {
        m_app.emplace();
        d = m_app->d;
        bridge = m_app->bridge;
        bridge->playTrack(u"Giant Steps"_s, u"Giant Steps"_s, u"Coltrane"_s);
        d->updateTrackInfo();
    }

    void cleanup() { m_app.reset(); }

    // What the bridge gives is copied; what is missing or of the wrong kind becomes absent, and a
    // progress without an elapsed text keeps the last one.
    void copiesTheTrackInformation()
    {
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
        refreshWith(2);
        QVERIFY(!d->trackYear().isValid() && !d->trackRating().isValid() && !d->trackAlbum().isValid());
        QCOMPARE(d->mTrackAlbum->text(), QString());
        QCOMPARE(d->trackElapsed(), u"1:01"_s);
        QCOMPARE(d->trackProgress(), QVariant(0.5));
        bridge->progress->remove(BridgeKey::trackProgressRatio);
        refreshWith(2);
        QVERIFY(!d->trackProgress().isValid());
    }

    // Not running, a refresh asks only for the state, unless the player is to start with the display.
    void notRunning()
    {
        bridge->info->insert(BridgeKey::trackName, u"Other"_s);
        refreshWith(0);
        QCOMPARE(bridge->reads, (QHash<QString, int>{{u"playerState"_s, 1}}));
        QCOMPARE(d->playerState(), PlayerState::notRunning);
        QCOMPARE(d->trackName(), QVariant(u"Giant Steps"_s));
        d->setStartItunesWithApp(true);
        refreshWith(0);
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
        QFETCH(QVariant, raw);
        QFETCH(bool, track);
        QFETCH(PlayerState, state);
        QFETCH(bool, greyed);
        d->setVinylImage(Image::fromImage(QImage(4, 4, QImage::Format_RGB32)));
        if (!track)
            bridge->info.reset();
        refreshWith(raw);
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
        QFETCH(int, state);
        QFETCH(bool, advances);
        refreshWith(state);
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

    // Commands and the player's notifications each end in a refresh.
    void commandsAndNotificationsRefresh()
    {
        bridge->resetCounts();
        d->gotoNextTrack(nullptr);
        d->gotoPreviousTrack(nullptr);
        d->playPause(nullptr);
        QCOMPARE(bridge->commands, (QStringList{u"gotoNextTrack"_s, u"gotoPreviousTrack"_s, u"playPause"_s}));
        QCOMPARE(bridge->reads.value(u"playerState"_s), 3);
        bridge->playTrack(u"Naima"_s);
        bridge->notify();
        QCOMPARE(bridge->reads.value(u"playerState"_s), 4);
        QCOMPARE(d->mTrackName3->text(), u"Naima"_s);
    }
};

QTEST_MAIN(TestTrackRefresh)
#include "tst_trackrefresh.moc"
