// The preferences: the settings file, the working copy, the live values and the panel.

#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/mainwindow.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "preferences/preferences.h"
#include "preferences/zivpreferences.h"
#include "tests/support/testenvironment.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QLineEdit>
#include <QTableWidget>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

// The application as it starts with this settings file, or with none.
struct Started : TestApplication
{
    explicit Started(const QByteArray& content = {})
    {
        if (content.isEmpty())
            return;
        QDir().mkpath(QFileInfo(settingsFile()).path());
        if (!writeFile(settingsFile(), content))
            qFatal("the settings file could not be written");
        restart();
    }
    QString settingsFile() const { return environment.settingsFile(); }
    QByteArray file() const { return readFile(settingsFile()); }
};

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every key is written with its reset value at the first start, and on confirming a reset,
    // which keeps the update check as it was.
    void everyKeyIsWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("first start") << QByteArray();
        QTest::newRow("reset, then confirmed") << QByteArray("[General]\nautomaticCheckUpdate=false\n"
                                                             "fullScreenMode=false\nnameFont=DejaVuSans\n"
                                                             "maxFontSize=50\nisShowRatings=true\n");
    }

    void everyKeyIsWritten()
    {
        QFETCH(QByteArray, content);
        Started s(content);
        if (!content.isEmpty()) {
            s.d->openPreference(nullptr);
            s.d->resetPreference(nullptr);
            s.d->setPreferenceDone(nullptr);
            QVERIFY(s.d->mPreferencePanel->isVisible());
        }
        QSettings stored(s.settingsFile(), QSettings::IniFormat);
        for (const PreferenceField& field : preferenceFields())
            QVERIFY2(stored.contains(field.key), qPrintable(field.key));
        QCOMPARE(stored.value(u"fullScreenMode"_s).toBool(), true);
        QCOMPARE(stored.value(u"isShowRatings"_s).toBool(), false);
        QCOMPARE(stored.value(u"toggleArtworkInterval"_s).toInt(), 30);
        QCOMPARE(stored.value(u"nameFont"_s).toString(), u"HelveticaNeue-Medium"_s);
        QCOMPARE(stored.value(u"maxFontSize"_s).toInt(), 72);
        QCOMPARE(stored.value(u"artworkPositionMode"_s).toInt(), 3);
        QCOMPARE(stored.value(u"automaticCheckUpdate"_s).toBool(), content.isEmpty());
        QVERIFY(!s.file().contains("@Invalid")); // an empty list of players is written as empty
        QCOMPARE(s.d->maxFontSize(), 72.0f);
    }

    void missingKeysReadFalseAndZeroAndAreNotWritten()
    {
        const QByteArray content = "[General]\nautomaticCheckUpdate=false\n";
        Started s(content);
        AppDelegate* d = s.d;
        QVERIFY(!d->fullScreenMode() && !d->preventSleep() && !d->isShowAlbumName() && !d->isShowProgress());
        QCOMPARE(d->toggleArtworkInterval(), 0);
        QCOMPARE(d->maxFontSize(), 0.0f);
        QVERIFY(!d->automaticCheckUpdate());
        // Fonts and the position have no sound "empty" value: they read as their reset values.
        QCOMPARE(d->nameFont(), u"HelveticaNeue-Medium"_s);
        QCOMPARE(d->livePreferences().artworkPositionMode, ArtworkPositionMode::Toggle);
        // Later keys read as their defaults.
        QVERIFY(d->livePreferences().cleanUpTitles);
        QCOMPARE(d->livePreferences().standbyDelay, 5);
        QVERIFY(d->livePreferences().shiftAgainstBurnIn);
        QVERIFY(!d->livePreferences().showLyrics && !d->livePreferences().lyricsFromWeb);
        QCOMPARE(s.file(), content);
        // A zero interval never makes a timer faster than a second.
        QVERIFY(d->toggleArtworkTimer());
        QVERIFY(d->toggleArtworkTimer()->interval() >= Timers::milliseconds(1.0));
    }

    // Values that are not what the key holds load as the reset values.
    void foreignValuesLoadAsTheirResetValues()
    {
        Started s("[General]\nautomaticCheckUpdate=true\nnameFont=DejaVu, Sans\nalbumFont=\n"
                  "artistFont=DejaVuSans-Bold\nartworkPositionMode=7\nmaxFontSize=40\n"
                  "preferredPlayers=vlc\nignoredPlayers=kdeconnect, , Firefox\n");
        // A list of one name is a plain text in the file; empty names are dropped.
        QCOMPARE(s.d->livePreferences().preferredPlayers, QStringList{u"vlc"_s});
        QCOMPARE(s.d->livePreferences().ignoredPlayers, (QStringList{u"kdeconnect"_s, u"Firefox"_s}));
        QCOMPARE(s.d->nameFont(), u"HelveticaNeue-Medium"_s);
        QCOMPARE(s.d->albumFont(), u"HelveticaNeue-Italic"_s);
        QCOMPARE(s.d->artistFont(), u"DejaVuSans-Bold"_s);
        QCOMPARE(s.d->livePreferences().artworkPositionMode, ArtworkPositionMode::Toggle);
        QCOMPARE(s.d->maxFontSize(), 40.0f);
    }

    // A file with content but without the first start's marker runs on the reset values and is
    // not written over.
    void contentWithoutTheMarkerIsNotOverwritten()
    {
        const QByteArray content = "[General]\nnameFont=DejaVuSans\n";
        Started s(content);
        QCOMPARE(s.d->nameFont(), u"HelveticaNeue-Medium"_s);
        QCOMPARE(s.file(), content);
    }

    void damagedFileIsNeitherFatalNorOverwritten()
    {
        const QByteArray garbage = "\x01\x02\xff not a settings file [[[\nmaxFontSize\n=\n\0\0";
        Started s(garbage);
        QVERIFY(UserDefaults::standardUserDefaults().isDamaged());
        QCOMPARE(s.d->maxFontSize(), 72.0f);
        QCOMPARE(s.file(), garbage);
        // Once the user confirms, the file is written, and the damaged one is kept beside it.
        s.d->openPreference(nullptr);
        s.d->setPreferenceDone(nullptr);
        QSettings stored(s.settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(u"maxFontSize"_s).toInt(), 72);
        QCOMPARE(readFile(s.settingsFile() + u".damaged"_s), garbage);
    }

    // Resetting shows the reset values in the panel; cancelling leaves the working copy, the file
    // and the display as they were.
    void resetThenCancelChangesNothing()
    {
        const QByteArray content =
            "[General]\nautomaticCheckUpdate=false\nnameFont=DejaVuSans\nmaxFontSize=50\n";
        Started s(content);
        AppDelegate* d = s.d;
        d->openPreference(nullptr);
        d->resetPreference(nullptr);
        QCOMPARE(d->mNameFontPopup->currentText(), u"HelveticaNeue-Medium"_s);
        d->closePreferences(nullptr);
        QVERIFY(!d->mPreferencePanel->isVisible());
        QVERIFY(d->prefNameFont() == u"DejaVuSans"_s && d->prefMaxFontSize() == 50);
        QCOMPARE(s.file(), content);
        QCOMPARE(d->maxFontSize(), 50.0f);
    }

    void applyingShowsAndHidesItems_data()
    {
        QTest::addColumn<bool>("album");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<bool>("ratings");
        QTest::addColumn<bool>("progress");
        QTest::newRow("none") << false << false << false << false;
        QTest::newRow("album only") << true << false << false << true;
        QTest::newRow("numbers only") << false << true << false << false;
        QTest::newRow("ratings only") << false << false << true << true;
    }

    void applyingShowsAndHidesItems()
    {
        QFETCH(bool, album);
        QFETCH(bool, numbers);
        QFETCH(bool, ratings);
        QFETCH(bool, progress);
        Started s;
        AppDelegate* d = s.d;
        d->setIsShowAlbumName(album);
        d->setIsShowAlbumNumber(numbers);
        d->setIsShowRatings(ratings);
        d->setIsShowProgress(progress);
        d->isWideArtworkImage = false;
        d->currentArtworkPosition = LayoutAttribute::Left;
        d->changeViewFromPrefValueWithTimer(false);
        for (TextField* field : {d->mTrackAlbum.data(), d->mTrackAlbum2.data(), d->mTrackAlbum3.data()})
            QCOMPARE(field->isHidden(), !album);
        for (TextField* field : {d->mTrackNumbers.data(), d->mTrackNumbers2.data(), d->mTrackNumbers3.data()})
            QCOMPARE(field->isHidden(), !numbers);
        // The text stands right of an artwork on the left: only its rating row shows.
        QCOMPARE(d->mTrackStackRatingsRight->isHidden(), !ratings);
        QVERIFY(d->mTrackStackRatingsLeft->isHidden());
        for (StackView* row : {d->mTrackStackProgressRight.data(), d->mTrackStackProgressLeft.data(),
                               d->mTrackStackProgressWide.data()})
            QCOMPARE(row->isHidden(), !progress);
        const bool combined = album || numbers || ratings;
        QCOMPARE(d->mTrackStackAlbumNumbersRatingsRight->isHidden(), !combined);
        QCOMPARE(d->mTrackStackAlbumNumbersRatingsLeft->isHidden(), !combined);
    }

    void panelEditsTheWorkingCopyOnly()
    {
        Started s;
        AppDelegate* d = s.d;
        d->openPreference(nullptr);
        QVERIFY(d->mPreferencePanel->isVisible());
        QVERIFY(!d->mPreferenceView1->isHidden() && d->mPreferenceView2->isHidden());

        // Page control: tag 1 turns the page, tag 3 does nothing.
        QObject page;
        for (int tag : {1, 3}) {
            page.setProperty("tag", tag);
            d->selectPreferenceView(&page);
            QVERIFY(d->mPreferenceView1->isHidden() && !d->mPreferenceView2->isHidden());
        }

        // A font chosen in the pop-up goes to the working copy and its sample.
        const int index = d->mArtistFontPopup->count() - 1;
        const QString chosen = d->mArtistFontPopup->itemText(index);
        d->mArtistFontPopup->setCurrentIndex(index);
        Q_EMIT d->mArtistFontPopup->activated(index);
        QCOMPARE(d->prefArtistFont(), chosen);
        QCOMPARE(d->artistFont(), u"HelveticaNeue"_s);
        const QFont sampleFont = *d->mArtistTextField->fieldFont();

        // The position buttons, through the click a person makes.
        d->mArtworkRightRadioButton->click();
        QCOMPARE(d->workingPreferences().artworkPositionMode, ArtworkPositionMode::Right);

        // Bound controls edit the working copy.
        auto* albumCheck = d->mPreferencePanel->findChild<QAbstractButton*>(u"albumCheck"_s);
        albumCheck->click();
        QVERIFY(!d->prefIsShowAlbumName() && d->isShowAlbumName());
        auto* standbySpin = d->mPreferencePanel->findChild<QSpinBox*>(u"standbySpin"_s);
        QCOMPARE(standbySpin->value(), 5);
        standbySpin->setValue(0);
        QCOMPARE(d->workingPreferences().standbyDelay, 0);
        QCOMPARE(standbySpin->text(), u"never"_s);
        d->mPreferencePanel->findChild<QAbstractButton*>(u"shiftAgainstBurnInCheck"_s)->click();
        QVERIFY(!d->workingPreferences().shiftAgainstBurnIn && d->livePreferences().shiftAgainstBurnIn);
        d->mPreferencePanel->findChild<QAbstractButton*>(u"lyricsFromWebCheck"_s)->click();
        QVERIFY(d->workingPreferences().lyricsFromWeb && !d->livePreferences().lyricsFromWeb);

        // Closing the panel by its close box throws the edits away; the sample keeps its font.
        d->mPreferencePanel->close();
        QCOMPARE(d->prefArtistFont(), u"HelveticaNeue"_s);
        QCOMPARE(d->workingPreferences().artworkPositionMode, ArtworkPositionMode::Toggle);
        QVERIFY(d->prefIsShowAlbumName());
        QVERIFY(albumCheck->isChecked());
        QCOMPARE(*d->mArtistTextField->fieldFont(), sampleFont);
    }

    // The players page lists the players on the bus and those named before; a choice there edits
    // the working copy, and Done makes it the bridge's rules.
    void choosingPlayersInThePanel()
    {
        Started s;
        AppDelegate* d = s.d;
        s.bridge->names = {u"VLC media player"_s, u"Firefox"_s};
        d->openPreference(nullptr);
        const auto rows = [d] {
            QStringList list;
            for (int row = 0; row < d->mPlayersList->rowCount(); ++row)
                list << d->mPlayersList->item(row, 0)->text() + u": "_s +
                            static_cast<QComboBox*>(d->mPlayersList->cellWidget(row, 1))->currentText();
            return list;
        };
        QCOMPARE(rows(),
                 (QStringList{u"VLC media player: Follow as usual"_s, u"Firefox: Follow as usual"_s}));
        static_cast<QComboBox*>(d->mPlayersList->cellWidget(1, 1))->setCurrentIndex(2);
        static_cast<QComboBox*>(d->mPlayersList->cellWidget(0, 1))->setCurrentIndex(1);
        QCOMPARE(d->workingPreferences().ignoredPlayers, QStringList{u"Firefox"_s});
        QVERIFY(d->livePreferences().preferredPlayers.isEmpty());
        d->setPreferenceDone(nullptr);
        QCOMPARE(s.bridge->preferredRule, QStringList{u"VLC media player"_s});
        QCOMPARE(s.bridge->ignoredRule, QStringList{u"Firefox"_s});

        s.bridge->names = {u"Firefox"_s};
        d->openPreference(nullptr);
        QCOMPARE(rows(), (QStringList{u"Firefox: Ignore"_s, u"VLC media player: Prefer"_s}));

        // Music servers are added on the same page, and reach the bridge when applied.
        auto* servers = d->mPreferenceView3->findChild<QLineEdit*>(u"mpdServersField"_s);
        auto* folder = d->mPreferenceView3->findChild<QLineEdit*>(u"mpdMusicFolderField"_s);
        QTest::keyClicks(servers, u"box, pw@far:7000,"_s);
        QTest::keyClicks(folder, u"/srv/music"_s);
        QCOMPARE(d->workingPreferences().mpdServers, (QStringList{u"box"_s, u"pw@far:7000"_s}));
        QVERIFY(s.bridge->musicServers.first.isEmpty());
        d->setPreferenceDone(nullptr);
        QCOMPARE(s.bridge->musicServers, (std::pair{QStringList{u"box"_s, u"pw@far:7000"_s}, u"/srv/music"_s}));
        d->openPreference(nullptr);
        QCOMPARE(servers->text(), u"box, pw@far:7000"_s);
    }

    void confirmingAppliesAtOnceAndSurvivesARestart()
    {
        Started s;
        s.d->openPreference(nullptr);
        s.d->setPrefIsShowAlbumName(false);
        s.d->setPrefMaxFontSize(48);
        s.d->setPrefToggleArtworkInterval(45);
        s.d->mArtworkLeftRadioButton->click();
        s.d->setPreferenceDone(nullptr);
        QVERIFY(s.d->mPreferencePanel->isVisible());
        for (bool restarted : {false, true}) {
            if (restarted)
                s.restart();
            QVERIFY(s.d->mTrackAlbum->isHidden() && s.d->mTrackAlbum3->isHidden());
            QCOMPARE(s.d->maxFontSize(), 48.0f);
            QCOMPARE(s.d->livePreferences().artworkPositionMode, ArtworkPositionMode::Left);
            QCOMPARE(s.d->toggleArtworkTimer()->interval(), Timers::milliseconds(45.0));
        }
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
