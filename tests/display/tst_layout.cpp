// Where the display puts things on a 1920 × 1080 screen and in smaller windows, and the look of
// the track text: its sizes, the 10-point floor, the glyphs.

#include "displaytest.h"

#include "platform/fonts.h"
#include "platform/views/imageview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

#include <QSlider>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

double sizeOf(const TextField* field)
{
    return FontManager::pointSize(*field->fieldFont());
}

struct Figures
{
    int tracks; // 1: the artwork takes the left, 2: then the right
    QSize picture;
    QRect artwork;
    QRect vinyl;
    int volumeX;
    double textWidth;
};

} // namespace

Q_DECLARE_METATYPE(Figures)

class TestLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullScreenFigures_data()
    {
        QTest::addColumn<Figures>("figures");
        QTest::newRow("square on the left")
            << Figures{1, {500, 500}, {0, 0, 1080, 1080}, {486, 0, 1080, 1080}, 1120, 715};
        QTest::newRow("square on the right")
            << Figures{2, {500, 500}, {840, 0, 1080, 1080}, {354, 0, 1080, 1080}, 690, 715};
        QTest::newRow("portrait 1.25 on the left")
            << Figures{1, {400, 500}, {0, 0, 864, 1080}, {389, 0, 1080, 1080}, 904, 931};
        QTest::newRow("wide") << Figures{1, {600, 359}, {0, 0, 1920, 1080}, {864, 0, 1080, 1080}, 40, 100};
    }

    void fullScreenFigures()
    {
        QFETCH(Figures, figures);
        DisplayFixture f;
        AppDelegate* d = f.d;
        QCOMPARE(d->windowSizeRatio, 1.0f);
        for (int i = 1; i <= figures.tracks; ++i)
            f.play(u"Track %1"_s.arg(i), QList<QByteArray>{pictureBytes(figures.picture)});
        QCOMPARE(d->mArtworkView->geometry(), figures.artwork);
        QCOMPARE(d->mVinylView->geometry(), figures.vinyl);
        QCOMPARE(d->mSound->x(), figures.volumeX);
        for (TextField* field : {d->mTrackName.data(), d->mTrackArtist2.data(), d->mTrackNumbers.data()})
            QCOMPARE(field->preferredMaxLayoutWidth(), figures.textWidth);
        QCOMPARE(d->mTrackArtist3->preferredMaxLayoutWidth(), 1870.0);
        // The visible text stack stands beside the artwork, 50 below the top; the wide one 35 from
        // the right edge.
        const int offset = figures.artwork.width() + 35;
        if (d->isWideArtworkImage)
            QCOMPARE(d->mTrackStackViewWide->geometry().right() + 1, 1920 - 35);
        else if (figures.tracks == 1)
            QCOMPARE(d->mTrackStackViewRight->pos(), QPoint(offset, 50));
        else
            QCOMPARE(d->mTrackStackViewLeft->geometry().topRight(), QPoint(1920 - offset - 1, 50));
    }

    // Items switched off and on while a track shows: every visible text of the side stack stays
    // whole inside the stack, on both sides.
    void itemsSwitchedWhileShowingStayWhole()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        for (const QString& name : {u"First"_s, u"Second"_s}) {
            f.play(name, QList<QByteArray>{pictureBytes(600, 600)});
            for (bool album : {false, true}) {
                d->setIsShowAlbumName(album);
                d->changeViewFromPrefValueWithTimer(true);
                d->updateTrackInfo();
                f.placeStacks();
                StackView* stack = d->currentArtworkPosition == LayoutAttribute::Left
                                       ? d->mTrackStackViewRight
                                       : d->mTrackStackViewLeft;
                QVERIFY(stack->isVisible());
                for (TextField* field : stack->findChildren<TextField*>()) {
                    if (!field->isVisibleTo(stack))
                        continue;
                    const QRect inStack(field->mapTo(stack, QPoint(0, 0)), field->size());
                    QVERIFY2(stack->rect().contains(inStack),
                             qPrintable(field->objectName() + u" outside"_s));
                    QVERIFY2(field->width() >= field->sizeHint().width(),
                             qPrintable(field->objectName() + u" narrower than its text"_s));
                }
            }
        }
    }

    // Names, albums and artists from a length on are set smaller; the wide stack does not care how
    // long the texts are. Lengths are counted in UTF-16: twelve characters outside the basic plane
    // are 24.
    void sizesFollowTheLengths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("album");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QList<double>>("sizes"); // of the name, the album and the artist
        const float b = 72.0f;
        QTest::newRow("just short") << QString(23, u'n') << QString(39, u'a') << QString(31, u'r')
                                    << QList<double>{b, b * 0.67f, b * 0.75f};
        QTest::newRow("just long") << QString(24, u'n') << QString(40, u'a') << QString(32, u'r')
                                   << QList<double>{b * 0.83f, b * 0.55f, b * 0.67f};
        QTest::newRow("counted in UTF-16") << u"\U0001D11E"_s.repeated(12) << QString() << QString()
                                           << QList<double>{b * 0.83f, b * 0.67f, b * 0.75f};
    }

    void sizesFollowTheLengths()
    {
        QFETCH(QString, name);
        QFETCH(QString, album);
        QFETCH(QString, artist);
        QFETCH(QList<double>, sizes);
        DisplayFixture f;
        AppDelegate* d = f.d;
        // A wide picture: the side stacks stay hidden, and nothing is shrunk to fit beside it.
        f.bridge->playTrack(name, album, artist);
        f.bridge->artworks = QList<QByteArray>{pictureBytes(1000, 300)};
        d->updateTrackInfo();
        for (TextField* field : {d->mTrackName.data(), d->mTrackName2.data()})
            QCOMPARE(sizeOf(field), sizes[0]);
        for (TextField* field : {d->mTrackAlbum.data(), d->mTrackAlbum2.data()})
            QCOMPARE(sizeOf(field), sizes[1]);
        for (TextField* field : {d->mTrackArtist.data(), d->mTrackArtist2.data()})
            QCOMPARE(sizeOf(field), sizes[2]);
        QCOMPARE(sizeOf(d->mTrackName3), double(72.0f * 0.55f));
        QCOMPARE(sizeOf(d->mTrackArtist3), double(72.0f * 0.42f));
    }

    // At a quarter of the screen the numbers would be 9 points: text fields take 10, glyphs 9.
    void tenPointFloor()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.play(u"Track"_s, std::nullopt);
        d->windowSizeRatio = 0.25f;
        d->updateViewItems();
        QCOMPARE(sizeOf(d->mTrackName), 18.0);
        QCOMPARE(sizeOf(d->mTrackNumbers), 10.0);
        QCOMPARE(sizeOf(d->mTrackProgressElapsed3), 10.0);
        QCOMPARE(d->mTrackRatingL3->attributedTitle().font.pointSizeF(), 9.0);
        QCOMPARE(d->mTrackLovedRight->attributedTitle().font.pointSizeF(), 9.0);
    }

    // Texts too long for the screen at their sizes shrink until the whole stack shows.
    void longTextsFitOnScreen_data()
    {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("left-hand stack, full screen") << 2 << 1920;
        QTest::newRow("right-hand stack, small window") << 1 << 800;
    }

    void longTextsFitOnScreen()
    {
        QFETCH(int, tracks);
        QFETCH(int, windowWidth);
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.setWindowSize(windowWidth, windowWidth * 9 / 16);
        const QString words =
            u"An Exceedingly Long Name That Goes On and On Past Any Reasonable Width "_s.repeated(2);
        for (int i = 0; i < tracks; ++i) {
            f.bridge->playTrack(words + QString::number(i), words, words);
            f.bridge->artworks = QList<QByteArray>{pictureBytes(300, 300)};
            d->updateTrackInfo();
        }
        f.placeStacks();
        StackView* shown = tracks == 1 ? d->mTrackStackViewRight : d->mTrackStackViewLeft;
        QVERIFY(shown->isVisible());
        const int margin = int(50 * d->windowSizeRatio);
        QVERIFY2(shown->geometry().bottom() < d->mView->height() - margin + 1,
                 qPrintable(QString::number(shown->geometry().bottom())));
        const double b = 72.0 * d->windowSizeRatio;
        QVERIFY(sizeOf(d->mTrackName) < b * 0.83 - 0.01);
        // The sizes keep their proportions, and the stack still uses most of the room.
        QVERIFY(qAbs(sizeOf(d->mTrackArtist) / sizeOf(d->mTrackName) - 0.67 / 0.83) < 0.01);
        QVERIFY(shown->geometry().bottom() > d->mView->height() / 2);
    }

    // The heart and the stars for a loved flag and a rating of any kind.
    void glyphs_data()
    {
        QTest::addColumn<QVariant>("loved");
        QTest::addColumn<QVariant>("rating");
        QTest::addColumn<bool>("redHeart");
        QTest::addColumn<int>("filled");
        QTest::newRow("19") << QVariant(0) << QVariant(19) << false << 0;
        QTest::newRow("20, loved") << QVariant(1) << QVariant(20) << true << 1;
        QTest::newRow("59") << QVariant(true) << QVariant(59) << true << 2;
        QTest::newRow("100") << QVariant(1.0) << QVariant(100) << true << 5;
        QTest::newRow("beyond 100") << QVariant(0) << QVariant(140) << false << 5;
        QTest::newRow("negative") << QVariant(0) << QVariant(-40) << false << 0;
        QTest::newRow("absent") << QVariant() << QVariant() << false << 0;
        QTest::newRow("loved as text") << QVariant(u"1"_s) << QVariant(60.5) << false << 3;
    }

    void glyphs()
    {
        QFETCH(QVariant, loved);
        QFETCH(QVariant, rating);
        QFETCH(bool, redHeart);
        QFETCH(int, filled);
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.play(u"Track"_s, std::nullopt);
        d->setTrackLoved(loved);
        d->setTrackRating(rating);
        d->updateViewItems();
        for (TitleButton* heart : {d->mTrackLovedRight.data(), d->mTrackLovedLeft.data()}) {
            const TitleButton::Title& title = heart->attributedTitle();
            QCOMPARE(title.text, redHeart ? u"\u2665"_s : u"\u2661"_s);
            QCOMPARE(title.color.rgb(), redHeart ? qRgb(255, 0, 0) : qRgb(128, 128, 128));
            QCOMPARE(title.font.pointSizeF(), 36.0);
        }
        for (const auto& stars : {*d->mTrackRatingRight, *d->mTrackRatingLeft}) {
            for (int i = 0; i < 5; ++i) {
                const TitleButton::Title& title = stars[i]->attributedTitle();
                QCOMPARE(title.text, i < filled ? u"\u2605"_s : u"\u2606"_s);
                QCOMPARE(title.color.rgb(), i < filled ? qRgb(228, 228, 228) : qRgb(128, 128, 128));
            }
        }
    }

    // The shadowed text is blurred once; a refresh that changes nothing does not blur it again,
    // and the elapsed time each second repaints no other text.
    void unchangedTextIsNotDrawnAgain()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.play(u"Track"_s, std::nullopt);
        d->mWindow->repaint();
        const int drawn = d->mTrackName->renderCount();
        QVERIFY(drawn > 0);
        d->updateTrackInfo();
        f.placeStacks();
        d->mWindow->repaint();
        QCOMPARE(d->mTrackName->renderCount(), drawn);

        struct PaintCounter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } nameCounter, elapsedCounter;
        QCoreApplication::processEvents();
        d->mTrackName->installEventFilter(&nameCounter);
        d->mTrackProgressElapsed->installEventFilter(&elapsedCounter);
        const int elapsedDrawn = d->mTrackProgressElapsed->renderCount();
        d->setTrackElapsed(u"1:02"_s);
        QTRY_VERIFY(elapsedCounter.paints > 0);
        QCOMPARE(d->mTrackProgressElapsed->renderCount(), elapsedDrawn + 1);
        QCOMPARE(nameCounter.paints, 0);
        QCOMPARE(d->mTrackName->renderCount(), drawn);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
