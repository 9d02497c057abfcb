// Loved flags and ratings kept on disk, and what happens when the disk does not cooperate.

#include "player/ratingstore.h"
#include "tests/player/mediafiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace sleevelight;
using namespace sleevelight::test;

class TestRatingStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void keepsValuesAcrossRuns_data()
    {
        QTest::addColumn<std::optional<bool>>("loved");
        QTest::addColumn<std::optional<int>>("rating");
        QTest::addColumn<std::optional<int>>("storedRating");
        QTest::newRow("loved only") << std::optional<bool>(true) << std::optional<int>()
                                    << std::optional<int>();
        QTest::newRow("both") << std::optional<bool>(false) << std::optional<int>(20)
                              << std::optional<int>(20);
        QTest::newRow("rating out of range")
            << std::optional<bool>() << std::optional<int>(250) << std::optional<int>(100);
        QTest::newRow("rating of zero is kept")
            << std::optional<bool>() << std::optional<int>(0) << std::optional<int>(0);
    }

    void keepsValuesAcrossRuns()
    {
        QFETCH(std::optional<bool>, loved);
        QFETCH(std::optional<int>, rating);
        QFETCH(std::optional<int>, storedRating);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        const QString a = QStringLiteral("file:///music/a.flac");
        const QString b = QStringLiteral("file:///music/b.flac"); // another track is another entry
        {
            RatingStore store(path);
            QVERIFY(!loved || store.setLoved(a, *loved));
            QVERIFY(!rating || store.setRating(a, *rating));
            QVERIFY(store.setRating(b, 40));
            QVERIFY(store.setValue(QStringLiteral("lastPlayer"), QStringLiteral("vlc")));
        }
        RatingStore again(path);
        QCOMPARE(again.entry(a).loved, loved);
        QCOMPARE(again.entry(a).rating, storedRating);
        QCOMPARE(again.entry(b).rating, std::optional<int>(40));
        QVERIFY(!again.entry(QStringLiteral("file:///music/c.flac")).rating);
        QVERIFY(!again.setLoved(QString(), true));
        QCOMPARE(again.value(QStringLiteral("lastPlayer")), QStringLiteral("vlc"));
        QCOMPARE(again.value(QStringLiteral("unknown")), QString());
    }

    void aDamagedFileIsSetAsideNotOverwritten()
    {
        const QByteArray garbage(8192, 'g');
        QVERIFY(writeFile(file("damaged.sqlite"), garbage));
        RatingStore store(file("damaged.sqlite"));
        QVERIFY(store.setLoved(QStringLiteral("k"), true));
        QCOMPARE(store.entry(QStringLiteral("k")).loved, std::optional<bool>(true));
        const QStringList aside = QDir(m_dir.path()).entryList({QStringLiteral("damaged.sqlite.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(m_dir.filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
    }

    void valuesWaitInMemoryUntilTheFileCanBeWritten()
    {
        // A file stands where the store's folder should be.
        QVERIFY(writeFile(file("blocked"), "in the way"));
        RatingStore store(file("blocked/ratings.sqlite"));
        QVERIFY(!store.setLoved(QStringLiteral("k"), true));
        QCOMPARE(store.entry(QStringLiteral("k")).loved, std::optional<bool>(true));

        QVERIFY(QFile::remove(file("blocked")));
        QVERIFY(store.setRating(QStringLiteral("other"), 80));
        RatingStore again(file("blocked/ratings.sqlite"));
        QCOMPARE(again.entry(QStringLiteral("k")).loved, std::optional<bool>(true));
        QCOMPARE(again.entry(QStringLiteral("other")).rating, std::optional<int>(80));
    }
};

QTEST_MAIN(TestRatingStore)
#include "tst_ratingstore.moc"
