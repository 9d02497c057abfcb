// Loved flags and ratings kept on disk, and what happens when the disk does not cooperate.

#include "player/ratingstore.h"
#include "tests/player/mediafiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
        const QString a = u"file:///music/a.flac"_s;
        const QString b = u"file:///music/b.flac"_s; // another track is another entry
        {
            RatingStore store(path);
            QVERIFY(!loved || store.setLoved(a, *loved));
            QVERIFY(!rating || store.setRating(a, *rating));
            QVERIFY(store.setRating(b, 40));
            QVERIFY(store.setValue(u"lastPlayer"_s, u"vlc"_s));
        }
        RatingStore again(path);
        QCOMPARE(again.entry(a).loved, loved);
        QCOMPARE(again.entry(a).rating, storedRating);
        QCOMPARE(again.entry(b).rating, std::optional<int>(40));
        QVERIFY(!again.entry(u"file:///music/c.flac"_s).rating);
        QVERIFY(!again.setLoved(QString(), true));
        QCOMPARE(again.value(u"lastPlayer"_s), u"vlc"_s);
        QCOMPARE(again.value(u"unknown"_s), QString());
    }

    void aDamagedFileIsSetAsideNotOverwritten()
    {
        const QByteArray garbage(8192, 'g');
        QVERIFY(writeFile(file("damaged.sqlite"), garbage));
        RatingStore store(file("damaged.sqlite"));
        QVERIFY(store.setLoved(u"k"_s, true));
        QCOMPARE(store.entry(u"k"_s).loved, std::optional<bool>(true));
        const QStringList aside = QDir(m_dir.path()).entryList({u"damaged.sqlite.damaged-*"_s});
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
        QVERIFY(!store.setLoved(u"k"_s, true));
        QCOMPARE(store.entry(u"k"_s).loved, std::optional<bool>(true));

        QVERIFY(QFile::remove(file("blocked")));
        QVERIFY(store.setRating(u"other"_s, 80));
        RatingStore again(file("blocked/ratings.sqlite"));
        QCOMPARE(again.entry(u"k"_s).loved, std::optional<bool>(true));
        QCOMPARE(again.entry(u"other"_s).rating, std::optional<int>(80));
    }
};

QTEST_MAIN(TestRatingStore)
#include "tst_ratingstore.moc"
