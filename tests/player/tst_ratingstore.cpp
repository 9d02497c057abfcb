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

    QString file(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void keepsValuesAcrossRuns_data()
    {
        QTest::addColumn<std::optional<bool>>("loved");
        QTest::addColumn<std::optional<int>>("rating");
        QTest::addColumn<std::optional<int>>("storedRating");
        QTest::newRow("loved only") << std::optional<bool>(true) << std::optional<int>()
                                    << std::optional<int>();
        QTest::newRow("rating only") << std::optional<bool>() << std::optional<int>(60)
                                     << std::optional<int>(60);
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
        const QString path = file(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".sqlite"));
        const QString key = QStringLiteral("file:///music/a.flac");
        {
            RatingStore store(path);
            if (loved)
                QVERIFY(store.setLoved(key, *loved));
            if (rating)
                QVERIFY(store.setRating(key, *rating));
            // Another track is another entry.
            QVERIFY(store.setRating(QStringLiteral("file:///music/b.flac"), 40));
        }
        RatingStore again(path);
        const RatingStore::Entry entry = again.entry(key);
        QCOMPARE(entry.loved, loved);
        QCOMPARE(entry.rating, storedRating);
        QCOMPARE(again.entry(QStringLiteral("file:///music/b.flac")).rating, std::optional<int>(40));
        QVERIFY(!again.entry(QStringLiteral("file:///music/c.flac")).rating);
        QVERIFY(!again.setLoved(QString(), true));
    }

    void aDamagedFileIsSetAsideNotOverwritten()
    {
        const QString path = file(QStringLiteral("damaged.sqlite"));
        const QByteArray garbage(8192, 'g');
        QVERIFY(writeFile(path, garbage));
        RatingStore store(path);
        QVERIFY(store.setLoved(QStringLiteral("k"), true));
        QCOMPARE(store.entry(QStringLiteral("k")).loved, std::optional<bool>(true));
        const QStringList aside = QDir(m_dir.path()).entryList({QStringLiteral("damaged.sqlite.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(file(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
    }

    void valuesWaitInMemoryUntilTheFileCanBeWritten()
    {
        // A file stands where the store's folder should be.
        const QString blocker = file(QStringLiteral("blocked"));
        QVERIFY(writeFile(blocker, "in the way"));
        const QString path = blocker + QStringLiteral("/ratings.sqlite");
        RatingStore store(path);
        QVERIFY(!store.setLoved(QStringLiteral("k"), true));
        QCOMPARE(store.entry(QStringLiteral("k")).loved, std::optional<bool>(true));

        QVERIFY(QFile::remove(blocker));
        QVERIFY(store.setRating(QStringLiteral("other"), 80));
        RatingStore again(path);
        QCOMPARE(again.entry(QStringLiteral("k")).loved, std::optional<bool>(true));
        QCOMPARE(again.entry(QStringLiteral("other")).rating, std::optional<int>(80));
    }

    void keepsNamedValues()
    {
        const QString path = file(QStringLiteral("values.sqlite"));
        {
            RatingStore store(path);
            QVERIFY(
                store.setValue(QStringLiteral("lastPlayer"), QStringLiteral("org.mpris.MediaPlayer2.vlc")));
        }
        RatingStore again(path);
        QCOMPARE(again.value(QStringLiteral("lastPlayer")), QStringLiteral("org.mpris.MediaPlayer2.vlc"));
        QCOMPARE(again.value(QStringLiteral("unknown")), QString());
    }
};

QTEST_MAIN(TestRatingStore)
#include "tst_ratingstore.moc"
