// The look of the track text: sizes, the 10-point floor, glyphs, and the numbers row's orientation.

#include "displaytest.h"

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

double sizeOf(const TextField* field)
{
    return FontManager::pointSize(*field->fieldFont());
}

} // namespace

class TestTrackItems : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        // Twelve characters outside the basic plane are 24 code units.
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

        const QList<QList<TextField*>> fields{{d->mTrackName, d->mTrackName2},
                                              {d->mTrackAlbum, d->mTrackAlbum2},
                                              {d->mTrackArtist, d->mTrackArtist2}};
        for (int i = 0; i < 3; ++i)
            for (TextField* field : fields[i])
                QCOMPARE(sizeOf(field), sizes[i]);
        // The wide stack does not care how long the texts are.
        QCOMPARE(sizeOf(d->mTrackName3), double(72.0f * 0.55f));
        QCOMPARE(sizeOf(d->mTrackAlbum3), double(72.0f * 0.33f));
        QCOMPARE(sizeOf(d->mTrackArtist3), double(72.0f * 0.42f));
        QCOMPARE(sizeOf(d->mTrackNumbers3), double(72.0f * 0.25f));
        QCOMPARE(sizeOf(d->mTrackProgressElapsed3), double(72.0f * 0.28f));
        QCOMPARE(sizeOf(d->mTrackNumbers), 36.0);
    }

    // The chosen name font is applied; the wide stack's times keep the face they were given; the
    // left-hand stack is set flush right, the wide stack's duration flush left.
    void fontsAndAlignments()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        const QString elapsedFont = FontManager::fontName(*d->mTrackProgressElapsed3->fieldFont());
        d->setNameFont(u"DejaVuSans-Bold"_s);
        f.play(u"Track"_s, std::nullopt);
        QCOMPARE(FontManager::fontName(*d->mTrackName->fieldFont()), u"DejaVuSans-Bold"_s);
        QCOMPARE(FontManager::fontName(*d->mTrackProgressElapsed3->fieldFont()), elapsedFont);
        QCOMPARE(d->mTrackName->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(d->mTrackName2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        QCOMPARE(d->mTrackProgressDuration3->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QVERIFY(!d->mTrackProgressElapsed->shadow().has_value());
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
        QCOMPARE(sizeOf(d->mTrackProgressElapsed2), 10.0);
        QCOMPARE(sizeOf(d->mTrackProgressElapsed3), 10.0);
        QCOMPARE(d->mTrackRatingL3->attributedTitle().font.pointSizeF(), 9.0);
        QCOMPARE(d->mTrackLovedRight->attributedTitle().font.pointSizeF(), 9.0);
    }

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
                const bool on = i < filled;
                QCOMPARE(title.text, on ? u"\u2605"_s : u"\u2606"_s);
                QCOMPARE(title.color.rgb(), on ? qRgb(228, 228, 228) : qRgb(128, 128, 128));
            }
        }
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
        const QString words = u"An Exceedingly Long Name That Goes On and On Past Any Reasonable Width "_s;
        for (int i = 0; i < tracks; ++i) {
            f.bridge->playTrack(words.repeated(2) + QString::number(i), words.repeated(2), words.repeated(2));
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
        QVERIFY(sizeOf(d->mTrackArtist) < b * 0.67 - 0.01);
        // The sizes keep their proportions, and the stack still uses most of the room.
        QVERIFY(qAbs(sizeOf(d->mTrackArtist) / sizeOf(d->mTrackName) - 0.67 / 0.83) < 0.01);
        QVERIFY(shown->geometry().bottom() > d->mView->height() / 2);
    }

    // Long numbers push the stars under them; the left row swaps its two views each way.
    void numbersRowTurnsAndReturns()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.play(u"Track"_s, std::nullopt);
        StackView* left = d->mTrackStackNumbersRatingsLeft;
        StackView* right = d->mTrackStackNumbersRatingsRight;
        const QList<QWidget*> leftOrder = left->arrangedSubviews();
        const QList<QWidget*> rightOrder = right->arrangedSubviews();
        QCOMPARE(leftOrder.size(), 2);

        d->setTrackNumbers(u"Disc 1 of 2, track 12 of 24, bonus edition"_s.repeated(2));
        d->updateViewItems();
        QCOMPARE(left->orientation(), StackView::Vertical);
        QCOMPARE(right->orientation(), StackView::Vertical);
        QCOMPARE(left->stackAlignment(), int(LayoutAttribute::Right));
        QCOMPARE(right->stackAlignment(), int(LayoutAttribute::Left));
        QCOMPARE(left->arrangedSubviews(), (QList<QWidget*>{leftOrder[1], leftOrder[0]}));
        QCOMPARE(right->arrangedSubviews(), rightOrder);

        // Staying long changes nothing more.
        d->updateViewItems();
        QCOMPARE(left->arrangedSubviews(), (QList<QWidget*>{leftOrder[1], leftOrder[0]}));

        d->setTrackNumbers(u"1/10"_s);
        d->updateViewItems();
        QCOMPARE(left->orientation(), StackView::Horizontal);
        QCOMPARE(left->arrangedSubviews(), leftOrder);
        QCOMPARE(right->arrangedSubviews(), rightOrder);
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
        QCoreApplication::processEvents();
        QTRY_VERIFY(elapsedCounter.paints > 0);
        QCOMPARE(d->mTrackProgressElapsed->renderCount(), elapsedDrawn + 1);
        QCOMPARE(nameCounter.paints, 0);
        QCOMPARE(d->mTrackName->renderCount(), drawn);
    }
};

QTEST_MAIN(TestTrackItems)
#include "tst_trackitems.moc"
