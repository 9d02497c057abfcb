// Lyrics read as people write them.

#include "player/media/lyrics.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace sleevelight::lyrics;

using Lines = QList<Line>;
Q_DECLARE_METATYPE(Lines)

class TestLyrics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsLrc_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<bool>("synced");
        QTest::newRow("every kind of time stamp")
            << QByteArray("[00:01]One\n[00:02.5]Two\n[00:03.25]Three\n[00:04.125]Four\n[00:05:50]Five\n[61:"
                          "00.00]Late")
            << Lines{{1000, u"One"_s},  {2500, u"Two"_s},  {3250, u"Three"_s},
                     {4125, u"Four"_s}, {5500, u"Five"_s}, {3'660'000, u"Late"_s}}
            << true;
        QTest::newRow("several stamps on one line, out of order")
            << QByteArray("[00:10.00][00:30.00]Chorus\n[00:20.00]Verse\n")
            << Lines{{10000, u"Chorus"_s}, {20000, u"Verse"_s}, {30000, u"Chorus"_s}} << true;
        QTest::newRow("metadata, blank lines, Windows line ends and a byte-order mark")
            << QByteArray("\xEF\xBB\xBF[ti:Song]\r\n[ar:Someone]\r\n\r\n[00:01.00]  Hello  there \r\n"
                          "[00:02.00]\r\nnot timed\r\n")
            << Lines{{1000, u"Hello there"_s}, {2000, QString()}} << true;
        QTest::newRow("an offset shows the lines sooner, never before the start")
            << QByteArray("[offset:+500]\n[00:00.20]First\n[00:02.00]Second\n")
            << Lines{{0, u"First"_s}, {1500, u"Second"_s}} << true;
        QTest::newRow("a negative offset later")
            << QByteArray("[offset:-250]\n[00:01.00]Line\n") << Lines{{1250, u"Line"_s}} << true;
        QTest::newRow("word times inside a line") << QByteArray("[00:01.00]<00:01.00>Every <00:01.50>word\n")
                                                  << Lines{{1000, u"Every word"_s}} << true;
        QTest::newRow("Latin-1") << QByteArray("[00:01.00]Caf\xE9 cr\xE8me\n")
                                 << Lines{{1000, u"Café crème"_s}} << true;
        QTest::newRow("UTF-16 with its mark") << QByteArray("\xFF\xFE[\0"
                                                            "0\0"
                                                            "0\0"
                                                            ":\0"
                                                            "0\0"
                                                            "1\0"
                                                            "]\0"
                                                            "\xE9\0",
                                                            18)
                                              << Lines{{1000, u"é"_s}} << true;
        QTest::newRow("plain lyrics keep their lines and inner blanks")
            << QByteArray("\n\nFirst verse\nstill first\n\nSecond verse\n\n")
            << Lines{{-1, u"First verse"_s}, {-1, u"still first"_s}, {-1, QString()}, {-1, u"Second verse"_s}}
            << false;
        QTest::newRow("broken stamps are text")
            << QByteArray("[0a:01]Not a time\n[00:01]Time\n") << Lines{{1000, u"Time"_s}} << true;
        QTest::newRow("nothing") << QByteArray("\r\n \n") << Lines{} << false;
    }

    void readsLrc()
    {
        QFETCH(QByteArray, file);
        QFETCH(Lines, lines);
        QFETCH(bool, synced);
        const Lyrics read = fromText(decodeText(file));
        QCOMPARE(read.lines, lines);
        QCOMPARE(read.synced, synced);
    }

    void theLineSungAtATime()
    {
        const Lyrics read = fromText(u"[00:01.00]One\n[00:02.00]Two\n[00:02.00]Also two\n[00:04.00]Four"_s);
        QCOMPARE(lineAt(read, 0), -1);
        QCOMPARE(lineAt(read, 999), -1);
        QCOMPARE(lineAt(read, 1000), 0);
        QCOMPARE(lineAt(read, 2500), 2);
        QCOMPARE(lineAt(read, 60'000), 3);
        QCOMPARE(lineAt(fromText(u"plain"_s), 5000), -1);
    }

    void readsTheServicesAnswers()
    {
        const auto answer = [](const char* json) {
            return fromServiceAnswer(QByteArray(json));
        };
        const std::optional<Lyrics> both =
            answer(R"({"id": 7, "plainLyrics": "One\nTwo", "syncedLyrics": "[00:01.00]One\n[00:02.00]Two"})");
        QVERIFY(both && both->synced);
        QCOMPARE(both->lines, (Lines{{1000, u"One"_s}, {2000, u"Two"_s}}));
        const std::optional<Lyrics> plain =
            answer(R"({"id": 7, "plainLyrics": "One\nTwo", "syncedLyrics": null})");
        QVERIFY(plain && !plain->synced);
        QCOMPARE(plain->lines.size(), 2);
        // An instrumental is an answer without lines; an error or anything else is no answer.
        QVERIFY(answer(R"({"id": 8, "instrumental": true, "plainLyrics": null})")
                    .value_or(both.value())
                    .isEmpty());
        QVERIFY(!answer(R"({"code": 404, "name": "TrackNotFound", "message": "Failed to find"})"));
        QVERIFY(!answer("<html>gateway</html>"));
        QVERIFY(!answer(R"([{"id": 7}])"));
    }

    void asksTheServiceForOneTrack()
    {
        QCOMPARE(
            serviceAddress(u"http://127.0.0.1:8080/"_s, u"Ça & va?"_s, u"AC/DC"_s, QString(), 241'600'000),
            u"http://127.0.0.1:8080/api/get?artist_name=AC%2FDC&track_name=%C3%87a%20%26%20va%3F&"
            "album_name=&duration=242"_s);
        // Without an artist or a length the service cannot find a track: it is not asked.
        QVERIFY(serviceAddress(u"https://lrclib.net"_s, u"Title"_s, u" "_s, u"Album"_s, 1'000'000).isEmpty());
        QVERIFY(serviceAddress(u"https://lrclib.net"_s, u"Title"_s, u"Artist"_s, u"Album"_s, std::nullopt)
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLyrics)
#include "tst_lyrics.moc"
