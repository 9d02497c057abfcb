// The display: where things go on a 1920 × 1080 screen and in smaller windows, the track text,
// which picture shows and where (staging, placeholders, sides, cycling, the record), and the fonts,
// shadows, text and image views it is drawn with.

#include "displaytest.h"

#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/views/imageview.h"
#include "platform/views/shadow.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>

#include <cmath>
#include <functional>
#include <vector>

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

// The shadow as the plain definition gives it: the whole alpha plane through three box passes
// of half the radius, across then down, outside the picture transparent, each sum divided down.
QImage referenceShadow(const QImage& content, const Shadow& shadow)
{
    const int w = content.width(), h = content.height();
    const int r = int(std::lround(shadow.blurRadius * content.devicePixelRatio() / 2.0));
    std::vector<int> a(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            a[size_t(y) * w + x] = qAlpha(content.pixel(x, y));
    const auto at = [&](const std::vector<int>& plane, int x, int y) {
        return x < 0 || y < 0 || x >= w || y >= h ? 0 : plane[size_t(y) * w + x];
    };
    for (int pass = 0; r > 0 && pass < 6; ++pass) {
        std::vector<int> next(a.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                for (int k = -r; k <= r; ++k)
                    sum += pass % 2 == 0 ? at(a, x + k, y) : at(a, x, y + k);
                next[size_t(y) * w + x] = sum / (2 * r + 1);
            }
        a = next;
    }
    QImage result(content.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb c = shadow.color.rgba();
    const int dx = int(std::lround(shadow.offset.x())), dy = int(std::lround(shadow.offset.y()));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            result.setPixel(
                x, y,
                qPremultiply(qRgba(qRed(c), qGreen(c), qBlue(c), at(a, x - dx, y - dy) * qAlpha(c) / 255)));
    QPainter painter(&result);
    painter.drawImage(0, 0, content);
    return result;
}

} // namespace

Q_DECLARE_METATYPE(Figures)

class TestDisplay : public QObject
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
        QCOMPARE(d->windowSizeRatio, 1.0f);
        for (int i = 1; i <= figures.tracks; ++i)
            f->play(u"Track %1"_s.arg(i), QList<QByteArray>{pictureBytes(figures.picture)});
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
        for (const QString& name : {u"First"_s, u"Second"_s}) {
            f->play(name, QList<QByteArray>{pictureBytes(600, 600)});
            for (bool album : {false, true}) {
                d->setIsShowAlbumName(album);
                d->changeViewFromPrefValueWithTimer(true);
                d->updateTrackInfo();
                f->placeStacks();
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

    // At a quarter of the screen the numbers would be 9 points: text fields take 10, glyphs 9.
    void tenPointFloor()
    {
        f->play(u"Track"_s, std::nullopt);
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
        f->setWindowSize(windowWidth, windowWidth * 9 / 16);
        const QString words =
            u"An Exceedingly Long Name That Goes On and On Past Any Reasonable Width "_s.repeated(2);
        for (int i = 0; i < tracks; ++i) {
            f->bridge->playTrack(words + QString::number(i), words, words);
            f->bridge->artworks = QList<QByteArray>{pictureBytes(300, 300)};
            d->updateTrackInfo();
        }
        f->placeStacks();
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

    // A picture under 0.6 as tall as wide is shown wide, across the display, without the record;
    // the record shows only while the player plays or winds forward.
    void wideAndVinyl_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("wide");
        QTest::addColumn<bool>("vinyl");
        QTest::newRow("600 x 359") << 359 << 2 << true << false;
        QTest::newRow("600 x 360") << 360 << 2 << false << true;
        QTest::newRow("fast forwarding") << 360 << 4 << false << true;
        QTest::newRow("paused") << 360 << 3 << false << false;
    }

    void wideAndVinyl()
    {
        QFETCH(int, height);
        QFETCH(int, state);
        QFETCH(bool, wide);
        QFETCH(bool, vinyl);
        d->setIsShowVinyl(true);
        d->setIsShowRatings(true);
        f->bridge->playTrack(u"Track"_s);
        f->bridge->state = state;
        f->bridge->artworks = QList<QByteArray>{pictureBytes(600, height)};
        d->updateTrackInfo();
        f->placeStacks();
        QCOMPARE(d->isWideArtworkImage, wide);
        QCOMPARE(d->mTrackStackViewWide->isVisible(), wide);
        QCOMPARE(d->mTrackStackViewRight->isVisible(), !wide);
        QVERIFY(!d->mTrackStackViewLeft->isVisible() && d->mTrackStackRatingsLeft->isHidden());
        QCOMPARE(d->mTrackStackRatingsRight->isHidden(), wide);
        QCOMPARE(d->vinylImage().isNull(), !vinyl);
        if (vinyl)
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

    void fontNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("heavy");
        QTest::addColumn<bool>("italic");

        QTest::newRow("name font") << u"HelveticaNeue-Medium"_s << 72.0 << true << false;
        QTest::newRow("album font") << u"HelveticaNeue-Italic"_s << 48.24 << false << true;
        QTest::newRow("system font") << u".SFNSText"_s << 24.0 << false << false;
        QTest::newRow("unknown family, bold italic") << u"NoSuchFamily-BoldItalic"_s << 30.0 << true << true;
    }

    // Every name gives an installed sans face at the size asked for, and answers to its own name.
    void fontNames()
    {
        QFETCH(QString, name);
        QFETCH(double, size);
        QFETCH(bool, heavy);
        QFETCH(bool, italic);

        const std::optional<QFont> font = FontManager::fontWithName(name, size);
        QVERIFY(font);
        QCOMPARE(font->pointSizeF(), size);
        QCOMPARE(FontManager::fontName(*font), name);
        const QFontInfo info(*font);
        QVERIFY2(info.family().startsWith(FontManager::resolvedFace(name).family), qPrintable(info.family()));
        QCOMPARE(info.weight() > QFont::Normal, heavy);
        QCOMPARE(info.italic(), italic);
        QVERIFY2(!QFontDatabase::isFixedPitch(info.family()), qPrintable(info.family()));
        // The resolved face draws ordinary text at full size, not a tiny default.
        QVERIFY(QFontMetricsF(*font).height() > size);
    }

    // The shadow blurs only where the glyphs are; it must still reach as far, and as dark, as
    // blurring the whole picture would, also for glyphs touching the edges and a moved shadow.
    void shadowIsTheBlurOfTheWholePicture()
    {
        QFont font;
        font.setPixelSize(30);
        const auto picture = [&](QSize size, const std::function<void(QPainter&)>& draw) {
            QImage image(size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::white);
            draw(painter);
            painter.end();
            return image;
        };
        // Glyphs cut by the edges, and a few shapes in the middle of much empty room.
        const QImage edges = picture({160, 60}, [](QPainter& p) {
            p.drawText(QPointF(-4, 26), u"Wqy glyphs"_s);
            p.fillRect(QRect(150, 50, 10, 10), QColor(0, 0, 255, 128));
        });
        const QImage middle = picture({300, 200}, [](QPainter& p) {
            p.fillRect(QRect(120, 80, 20, 12), Qt::white);
            p.fillRect(QRect(150, 100, 1, 1), Qt::white);
            p.drawText(QPointF(110, 130), u"Ag"_s);
        });
        const Shadow plain{3.0, Qt::black, {}}, moved{9.0, QColor(200, 30, 60, 180), {2, -3}};
        for (const Shadow& shadow : {plain, moved, Shadow{40.0, Qt::black, {}}}) {
            QCOMPARE(withShadow(edges, shadow), referenceShadow(edges, shadow));
            QCOMPARE(withShadow(middle, shadow), referenceShadow(middle, shadow));
        }
        const QImage empty = picture({30, 30}, [](QPainter&) {});
        QCOMPARE(withShadow(empty, plain), empty);

        // On a screen of twice the pixel density the text keeps its pixels, shadow under it.
        QImage dense = middle;
        dense.setDevicePixelRatio(2.0);
        const QImage shadowed = withShadow(dense, plain);
        QCOMPARE(shadowed.devicePixelRatio(), 2.0);
        QCOMPARE(shadowed.pixel(150, 100), middle.pixel(150, 100));
        QCOMPARE(shadowed.pixel(139, 91), middle.pixel(139, 91));
    }

    // A field of one paragraph takes a quicker way than one of several runs; both must measure
    // and draw alike. The same text split into two runs of the same look takes the other way.
    void oneParagraphLooksAsSeveralRunsDo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<double>("maxWidth");
        QTest::addColumn<int>("width"); // the field's width when drawn; 0 for its own
        QTest::addColumn<bool>("italic");
        const auto add = [](const char* name, const QString& text, Qt::Alignment alignment, double maxWidth,
                            int width, bool italic = false) {
            QTest::newRow(name) << text << int(alignment) << maxWidth << width << italic;
        };
        add("elapsed time", u"12:07"_s, Qt::AlignLeft, 0, 0);
        add("spaces at both ends", u"  Blue  "_s, Qt::AlignCenter, 0, 0, true);
        add("wrapped, centred, drawn wider", u"An Exceedingly Long Name That Goes On"_s, Qt::AlignHCenter,
            260, 400, true);
        add("one word wider than the width", u"Supercalifragilisticexpialidocious"_s, Qt::AlignLeft, 120, 0);
        add("right to left, natural side", u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd"_s,
            Qt::AlignLeading, 0, 300);
        add("right to left, right side", u"\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd 2"_s,
            Qt::AlignRight, 0, 300, true);
        add("wrapped, right", u"Track 3 \u00b7 Disc 1 of a set of many discs"_s, Qt::AlignRight, 200, 0);
    }

    void oneParagraphLooksAsSeveralRunsDo()
    {
        QFETCH(QString, text);
        QFETCH(int, alignment);
        QFETCH(double, maxWidth);
        QFETCH(int, width);
        QFETCH(bool, italic);
        QFont font(u"DejaVu Sans"_s);
        font.setPointSizeF(31.5);
        font.setItalic(italic);
        const auto field = [&](bool split) {
            auto made = std::make_unique<TextField>();
            made->setFieldFont(font);
            made->setTextColor(QColor(250, 240, 10));
            made->setAlignment(Qt::Alignment(alignment));
            made->setPreferredMaxLayoutWidth(maxWidth);
            made->setShadow(Shadow{3.0, Qt::black, {}});
            const qsizetype half = text.size() / 2;
            if (split)
                made->setAttributedText(
                    {TextRun{text.left(half), {}, {}, {}, {}}, TextRun{text.mid(half), {}, {}, {}, {}}});
            else
                made->setText(text);
            made->resize(width > 0 ? QSize(width, made->sizeHint().height()) : made->sizeHint());
            return made;
        };
        const auto quick = field(false), document = field(true);
        QCOMPARE(quick->sizeHint(), document->sizeHint());
        QCOMPARE(quick->grab().toImage(), document->grab().toImage());
    }

    // A small picture fills its view: image views scale up as well as down. An opaque picture
    // spares drawing what lies beneath it; a picture with transparency put in its place must show
    // the background again (what the window shows, not a fresh drawing of it).
    void imageView()
    {
        FrameView window;
        window.setBackgroundColor(Qt::red);
        window.resize(800, 600);
        auto* view = new ImageView(&window);
        view->setGeometry(0, 0, 400, 300);
        view->setImage(Image::fromData(pictureBytes(40, 40, Qt::green)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QImage shot = window.grab().toImage();
        const auto at = [&](int x, int y) {
            return QColor(shot.pixel(int(x * shot.devicePixelRatio()), int(y * shot.devicePixelRatio())));
        };
        QVERIFY(at(60, 10) == QColor(Qt::green) && at(340, 290) == QColor(Qt::green));
        QCOMPARE(at(20, 150), QColor(Qt::red));
        view->setImage(Image::fromData(pictureBytes(400, 300, Qt::green, "JPEG")));
        window.repaint();
        QVERIFY(view->testAttribute(Qt::WA_OpaquePaintEvent));
        QImage clear(100, 100, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        view->setImage(Image::fromImage(clear));
        window.repaint();
        shot = window.screen()->grabWindow(window.winId()).toImage();
        QCOMPARE(at(200, 150), QColor(Qt::red));
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
