// Sizes, places and constraints of the display on a 1920 × 1080 screen and in smaller windows.

#include "displaytest.h"

#include "platform/views/imageview.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"

#include <QSlider>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

class TestLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullScreenFigures_data()
    {
        QTest::addColumn<int>("tracks"); // 1: the artwork takes the left, 2: then the right
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("artwork");
        QTest::addColumn<QRect>("vinyl");
        QTest::addColumn<int>("volumeX");
        QTest::addColumn<double>("textWidth");

        QTest::newRow("square on the left")
            << 1 << QSize(500, 500) << QRect(0, 0, 1080, 1080) << QRect(486, 0, 1080, 1080) << 1120 << 715.0;
        QTest::newRow("square on the right")
            << 2 << QSize(500, 500) << QRect(840, 0, 1080, 1080) << QRect(354, 0, 1080, 1080) << 690 << 715.0;
        QTest::newRow("portrait 1.25 on the left")
            << 1 << QSize(400, 500) << QRect(0, 0, 864, 1080) << QRect(389, 0, 1080, 1080) << 904 << 931.0;
        QTest::newRow("wide") << 1 << QSize(600, 359) << QRect(0, 0, 1920, 1080) << QRect(864, 0, 1080, 1080)
                              << 40 << 100.0;
    }

    void fullScreenFigures()
    {
        QFETCH(int, tracks);
        QFETCH(QSize, picture);
        QFETCH(QRect, artwork);
        QFETCH(QRect, vinyl);
        QFETCH(int, volumeX);
        QFETCH(double, textWidth);
        DisplayFixture f;
        AppDelegate* d = f.d;
        QCOMPARE(d->windowSizeRatio, 1.0f);
        const QList<QByteArray> pictures{pictureBytes(picture.width(), picture.height())};
        for (int i = 1; i <= tracks; ++i)
            f.play(u"Track %1"_s.arg(i), pictures);

        QCOMPARE(d->mArtworkView->geometry(), artwork);
        QCOMPARE(d->mVinylView->geometry(), vinyl);
        QCOMPARE(d->mSound->x(), volumeX);
        for (TextField* field : {d->mTrackName.data(), d->mTrackArtist2.data(), d->mTrackNumbers.data()})
            QCOMPARE(field->preferredMaxLayoutWidth(), textWidth);
        QCOMPARE(d->mTrackArtist3->preferredMaxLayoutWidth(), 1870.0);
        // The visible text stack stands beside the artwork, 50 below the top; the wide one 35 from
        // the right edge.
        const int offset = artwork.width() + 35;
        if (d->isWideArtworkImage)
            QCOMPARE(d->mTrackStackViewWide->geometry().right() + 1, 1920 - 35);
        else if (tracks == 1)
            QCOMPARE(d->mTrackStackViewRight->pos(), QPoint(offset, 50));
        else
            QCOMPARE(d->mTrackStackViewLeft->geometry().topRight(), QPoint(1920 - offset - 1, 50));
    }

    // The wide layout rebuilds only its three constraints and leaves the spacing alone.
    void wideKeepsVerticalConstraintsAndSpacing()
    {
        DisplayFixture f;
        AppDelegate* d = f.d;
        d->setMaxFontSize(36.0f);
        f.play(u"Square"_s, QList<QByteArray>{pictureBytes(300, 300)});
        const Constraint vertical = d->trackStackViewRightConstraint2;
        const Constraint wideBefore = d->trackStackViewWideConstraint;
        f.play(u"Panorama"_s, QList<QByteArray>{pictureBytes(1000, 300)});
        QVERIFY(d->isWideArtworkImage);
        QCOMPARE(d->trackStackViewRightConstraint2, vertical);
        QVERIFY(d->trackStackViewWideConstraint != wideBefore);
        QCOMPARE(d->mTrackStackViewRight->spacing(), 20.0);
        // Only the constraints of the layout in use are installed, once each.
        auto* layout = d->mWindow->contentView()->findChild<ConstraintLayout*>();
        QCOMPARE(layout->constraints().count(d->trackStackViewWideConstraint), 1);
        QVERIFY(!layout->constraints().contains(wideBefore));
    }

    void scales_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<float>("maxFontSize");
        QTest::addColumn<double>("stackSpacing");
        QTest::addColumn<double>("innerSpacing");
        QTest::addColumn<double>("leading");
        QTest::addColumn<double>("top");
        QTest::addColumn<int>("artworkSize");

        QTest::newRow("full screen, 36 points") << 1920 << 36.0f << 20.0 << 6.0 << 1115.0 << 50.0 << 1080;
        QTest::newRow("full screen, 100 points") << 1920 << 100.0f << 40.0 << 12.0 << 1115.0 << 50.0 << 1080;
        QTest::newRow("half width") << 960 << 72.0f << 20.0 << 6.0 << 557.5 << 25.0 << 540;
    }

    void scales()
    {
        QFETCH(int, windowWidth);
        QFETCH(float, maxFontSize);
        QFETCH(double, stackSpacing);
        QFETCH(double, innerSpacing);
        QFETCH(double, leading);
        QFETCH(double, top);
        QFETCH(int, artworkSize);
        DisplayFixture f;
        AppDelegate* d = f.d;
        d->setMaxFontSize(maxFontSize);
        f.setWindowSize(windowWidth, windowWidth * 9 / 16);
        f.play(u"Square"_s, QList<QByteArray>{pictureBytes(300, 300)});

        QCOMPARE(d->mTrackStackViewLeft->spacing(), stackSpacing);
        QCOMPARE(d->mTrackStackAlbumNumbersRatingsRight->spacing(), innerSpacing);
        QCOMPARE(d->trackStackViewRightConstraint->constant, leading);
        QCOMPARE(d->trackStackViewRightConstraint2->constant, top);
        QCOMPARE(d->mArtworkView->size(), QSize(artworkSize, artworkSize));
    }

    void minimumWindowSize_data()
    {
        QTest::addColumn<bool>("changingFullScreen");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("changes");
        QTest::newRow("square") << false << QSize(300, 300) << true;
        QTest::newRow("while changing full screen") << true << QSize(300, 300) << false;
        QTest::newRow("wide") << false << QSize(600, 200) << false;
    }

    void minimumWindowSize()
    {
        QFETCH(bool, changingFullScreen);
        QFETCH(QSize, picture);
        QFETCH(bool, changes);
        DisplayFixture f;
        AppDelegate* d = f.d;
        f.play(u"Track"_s, QList<QByteArray>{pictureBytes(picture.width(), picture.height())});
        d->mWindow->setMinimumSize(300, 300);
        d->setIsWindowChangingFullScreen(changingFullScreen);
        d->setWindowAspectRatioConstraints();
        if (!changes) {
            QCOMPARE(d->mWindow->minimumSize(), QSize(300, 300));
            return;
        }
        // Artwork on the left: the record's right edge plus the margin; the text stack's height below.
        QCOMPARE(d->mWindow->minimumWidth(), 486 + 1080 + 50);
        QCOMPARE(d->mWindow->minimumHeight(), d->mTrackStackViewRight->height() + 50);
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
                             qPrintable(field->objectName() + u" outside its stack"_s));
                    QVERIFY2(field->width() >= field->sizeHint().width(),
                             qPrintable(field->objectName() + u" narrower than its text"_s));
                }
            }
        }
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
