// Which picture shows and where: staging, placeholders, sides, cycling and the record.

#include "displaytest.h"

#include "platform/views/imageview.h"
#include "platform/views/stackview.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

Image noCover()
{
    return Image::named(u"no_cover.png"_s);
}

// A PNG whose header claims 20000 × 20000 pixels: IHDR's width and height follow the signature (8),
// the length (4) and the type (4).
QByteArray hugePngHeader()
{
    return pictureBytes(8, 8).replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

    std::unique_ptr<DisplayFixture> f;
    AppDelegate* d = nullptr;

    void start(double timeScale)
    {
        f.reset();
        f = std::make_unique<DisplayFixture>(timeScale);
        d = f->d;
    }

private Q_SLOTS:
    void init() { start(1000.0); }
    void cleanup() { f.reset(); }

    void placeholder_data()
    {
        QTest::addColumn<std::optional<QList<QByteArray>>>("artworks");

        const QByteArray jpeg = pictureBytes(640, 480, Qt::blue, "JPEG");
        QTest::newRow("no list") << std::optional<QList<QByteArray>>();
        QTest::newRow("empty list") << std::optional<QList<QByteArray>>(QList<QByteArray>{});
        QTest::newRow("descriptor without data") << std::optional(QList<QByteArray>{QByteArray()});
        QTest::newRow("not a picture")
            << std::optional(QList<QByteArray>{QByteArray("<html>no picture</html>")});
        QTest::newRow("truncated JPEG") << std::optional(QList<QByteArray>{jpeg.left(jpeg.size() / 2)});
        QTest::newRow("400 megapixels") << std::optional(QList<QByteArray>{hugePngHeader()});
    }

    void placeholder()
    {
        QFETCH(std::optional<QList<QByteArray>>, artworks);
        f->play(u"Track"_s, artworks);
        QVERIFY(!noCover().isNull());
        QCOMPARE(d->artworkImage(), noCover());
        QVERIFY(d->artworkImageHolder().isNull());
        QCOMPARE(d->artworkImageRatio, 1.0);
        QCOMPARE(d->currentArtworkNumber, 0);
        QCOMPARE(d->mArtworkView->image(), noCover());
    }

    void wideThreshold_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("wide");
        QTest::newRow("600 x 359") << 359 << true;
        QTest::newRow("600 x 360") << 360 << false;
    }

    void wideThreshold()
    {
        QFETCH(int, height);
        QFETCH(bool, wide);
        d->setIsShowVinyl(true);
        d->setIsShowRatings(true);
        f->play(u"Track"_s, QList<QByteArray>{pictureBytes(600, height)});
        QCOMPARE(d->isWideArtworkImage, wide);
        QCOMPARE(d->mTrackStackViewWide->isVisible(), wide);
        QCOMPARE(d->mTrackStackViewRight->isVisible(), !wide);
        QVERIFY(!d->mTrackStackViewLeft->isVisible());
        QCOMPARE(d->mTrackStackRatingsRight->isHidden(), wide);
        QVERIFY(d->mTrackStackRatingsLeft->isHidden());
        QCOMPARE(d->vinylImage().isNull(), wide);
    }

    void vinylFollowsThePlayer_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("shows");
        QTest::newRow("playing") << 2 << true;
        QTest::newRow("fast forwarding") << 4 << true;
        QTest::newRow("paused") << 3 << false;
    }

    void vinylFollowsThePlayer()
    {
        QFETCH(int, state);
        QFETCH(bool, shows);
        d->setIsShowVinyl(true);
        f->bridge->playTrack(u"Track"_s);
        f->bridge->state = state;
        d->updateTrackInfo();
        QCOMPARE(d->vinylImage().isNull(), !shows);
        if (shows)
            QCOMPARE(d->mVinylView->image(), Image::named(u"vinyl_record.png"_s));
    }

    // New tracks alternate sides, on screen too; a track of the same name is the same track.
    void sides()
    {
        const QList<QByteArray> red{pictureBytes(300, 300, Qt::red)};
        const auto redAt = [this](int x, int y) {
            const QImage shot = d->mWindow->grab().toImage();
            const QRgb pixel = shot.pixel(int(x * shot.devicePixelRatio()), int(y * shot.devicePixelRatio()));
            return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
        };
        f->play(u"One"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);
        QVERIFY(d->mTrackStackViewRight->isVisible());
        QVERIFY(redAt(100, 540) && redAt(1000, 900) && !redAt(1800, 900));
        f->play(u"One"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);
        f->play(u"Two"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Right);
        QVERIFY(d->mTrackStackViewLeft->isVisible() && !d->mTrackStackViewRight->isVisible());
        QVERIFY(!redAt(100, 900) && redAt(1800, 540) && redAt(900, 900));
        f->play(u"Three"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);

        d->setLivePreference(u"artworkPositionMode"_s, qint64(ArtworkPositionMode::Right));
        f->play(u"Three"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Right);
    }

    // A new track shows its main artwork, and a list that shrank under the shown number gives the
    // placeholder and a number inside it; the staged picture stays until the refresh ends.
    void whichArtworkOfTheList()
    {
        const QList<QByteArray> pictures{pictureBytes(300, 300, Qt::red), pictureBytes(300, 300, Qt::green),
                                         pictureBytes(300, 300, Qt::blue)};
        f->play(u"One"_s, pictures);
        d->showNextArtworkImage(true);
        QCOMPARE(d->artworkImage(), Image::fromData(pictures[1]));
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), Image::fromData(pictures[1]));
        f->play(u"Two"_s, pictures);
        QCOMPARE(d->currentArtworkNumber, 0);
        QCOMPARE(d->artworkImage(), Image::fromData(pictures[0]));

        d->showNextArtworkImage(true);
        d->showNextArtworkImage(true);
        QCOMPARE(d->currentArtworkNumber, 2);
        f->bridge->artworks = QList<QByteArray>{pictures[0]};
        d->prevArtworkNumber = 1;
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), noCover());
        QVERIFY(d->currentArtworkNumber == 0 && d->prevArtworkNumber == 0);
    }

    // A picture that arrives after its track (a download, a later message) replaces the
    // placeholder at the next refresh; the same picture again is not staged again.
    void lateArtworkReplacesThePlaceholder()
    {
        f->play(u"Late"_s, std::nullopt);
        QCOMPARE(d->artworkImage(), noCover());
        const QByteArray picture = pictureBytes(400, 400, Qt::yellow);
        f->bridge->artworks = QList<QByteArray>{picture};
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), Image::fromData(picture));
        QSignalSpy staged(d, &AppDelegate::artworkImageHolderChanged);
        d->updateTrackInfo();
        QCOMPARE(staged.count(), 0);
        // The player changes its picture for the same track.
        const QByteArray other = pictureBytes(400, 200, Qt::blue);
        f->bridge->artworks = QList<QByteArray>{other};
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), Image::fromData(other));
        QVERIFY(d->isWideArtworkImage);
    }

    // A picture slow to decode (a large PNG is decoded whole) is decoded away from the window: the
    // track shows at once with the placeholder, and its picture and layout follow. One that does
    // not decode after all leaves the placeholder.
    void slowPicturesAreDecodedAside()
    {
        const QByteArray wide = pictureBytes(4000, 1500, Qt::magenta);
        QVERIFY(Image::fromData(wide).isSlowToDecode());
        f->play(u"Wide and slow"_s, QList<QByteArray>{wide});
        QCOMPARE(d->trackName(), QVariant(u"Wide and slow"_s));
        QCOMPARE(d->artworkImage(), noCover());
        QTRY_COMPARE(d->artworkImage(), Image::fromData(wide));
        QVERIFY(d->isWideArtworkImage);
        QCOMPARE(d->mArtworkView->image(), Image::fromData(wide));

        // A run of such tracks decodes the last one, not every one in turn.
        QList<QByteArray> run;
        for (int i = 0; i < 12; ++i)
            run << pictureBytes(2400 + i, 2400, QColor::fromHsv(i * 30, 200, 200));
        const int decodesBefore = Image::decodeCount();
        for (int i = 0; i < run.size(); ++i)
            f->play(u"Run %1"_s.arg(i), QList<QByteArray>{run[i]});
        QTRY_COMPARE(d->artworkImage(), Image::fromData(run.last()));
        QVERIFY2(Image::decodeCount() - decodesBefore <= 3,
                 qPrintable(QString::number(Image::decodeCount() - decodesBefore)));

        QByteArray cut = pictureBytes(2500, 2500, Qt::cyan);
        cut.chop(cut.size() / 2);
        f->play(u"Cut short"_s, QList<QByteArray>{cut});
        QCOMPARE(d->artworkImage(), noCover());
        QTRY_VERIFY(!Image::fromData(cut).isSlowToDecode()); // tried, and found not decodable
        QTest::qWait(50);
        QCOMPARE(d->artworkImage(), noCover());
        QVERIFY(!d->isWideArtworkImage);
    }

    void cyclesWhilePlaying()
    {
        start(0.01); // cycling every 0.3 s
        const QList<QByteArray> pictures{pictureBytes(300, 300, Qt::red), pictureBytes(300, 300, Qt::green),
                                         pictureBytes(300, 300, Qt::blue)};
        QList<int> shown;
        QObject::connect(d, &AppDelegate::artworkImageChanged, d, [&] {
            for (int i = 0; i < pictures.size(); ++i)
                if (d->artworkImage() == Image::fromData(pictures[i]))
                    shown << i;
        });
        f->play(u"Three pictures"_s, pictures);
        const LayoutAttribute side = d->currentArtworkPosition;
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 4, 5000);
        QCOMPARE(shown.mid(0, 4), (QList<int>{0, 1, 2, 0}));
        QCOMPARE(d->currentArtworkPosition, side);

        f->bridge->state = 3;
        d->updateTrackInfo();
        const QList<int> before = shown;
        QTest::qWait(1000);
        QCOMPARE(shown, before);
        d->showNextArtworkImage(true);
        QCOMPARE(shown.size(), before.size() + 1);
    }

    // One artwork never redraws; cycling back to a picture shown a moment ago does not decode it again.
    void cyclingDrawsOnlyWhatChanged()
    {
        f->play(u"Single"_s, QList<QByteArray>{pictureBytes(300, 300)});
        QSignalSpy changes(d, &AppDelegate::artworkImageChanged);
        d->showNextArtworkImage(true);
        d->toggleArtworkImage();
        QCOMPARE(changes.count(), 0);
        QCOMPARE(d->currentArtworkNumber, 0);

        const QList<QByteArray> pictures{pictureBytes(900, 900, Qt::red), pictureBytes(900, 900, Qt::green)};
        f->play(u"Two pictures"_s, pictures);
        d->mWindow->repaint();
        d->showNextArtworkImage(true);
        d->mWindow->repaint();
        const int decodes = Image::decodeCount();
        d->showNextArtworkImage(true);
        d->mWindow->repaint();
        QCOMPARE(d->artworkImage(), Image::fromData(pictures[0]));
        QCOMPARE(Image::decodeCount(), decodes);
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
