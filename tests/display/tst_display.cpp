// The display: where things go on a 1920 × 1080 screen and in smaller windows, which picture
// shows and where (staging, placeholders, sides, cycling, the record), and the image view.

#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/views/fadeoverlay.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/progressbar.h"
#include "platform/views/stackview.h"
#include "platform/views/textfield.h"
#include "player/titles.h"
#include "tests/support/pictures.h"
#include "tests/support/testenvironment.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSlider>
#include <QTextBoundaryFinder>
#include <QTextLayout>

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
    return pictureBytes({8, 8}).replace(16, 8, QByteArray::fromHex("00004e2000004e20"));
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

// What a user would see wrong in the shown text: an item off the display or on the artwork (but
// on a wide one), a line broken inside a word or ended although its next word would have fitted,
// a word cut short, a character drawn as an empty box (where some installed face has it).
QStringList faultsOfTheText(const AppDelegate* d, bool boxesCount, bool cutsAllowed, QSize picture = {})
{
    QStringList faults;
    const bool wide = d->mTrackStackViewWide->isVisibleTo(d->mView);
    for (StackView* stack :
         {d->mTrackStackViewRight.data(), d->mTrackStackViewLeft.data(), d->mTrackStackViewWide.data()}) {
        if (!stack->isVisibleTo(d->mView))
            continue;
        for (TextField* field : stack->findChildren<TextField*>()) {
            const QString text = field->text(), name = field->objectName();
            if (!field->isVisibleTo(d->mView) || text.isEmpty())
                continue;
            const QRect at(field->mapTo(d->mView, QPoint()), field->size());
            if (!d->mView->rect().contains(at))
                faults << name + u" off the display"_s;
            if (!wide && at.intersects(d->mArtworkView->geometry()))
                faults << name + u" on the artwork"_s;
            // A wide picture shows whole and centred; its text stands wholly on it.
            QRectF shown(QPointF(), QSizeF(picture).scaled(QSizeF(d->mView->size()), Qt::KeepAspectRatio));
            shown.moveCenter(QRectF(d->mView->rect()).center());
            if (wide && !shown.contains(at))
                faults << name + u" off the picture"_s;
            const QFont font = field->textFont();
            const QList<TextField::Line> lines = field->lines();
            QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const int end = lines[i].start + lines[i].length;
                if (field->preferredMaxLayoutWidth() > 0 &&
                    lines[i].width > field->preferredMaxLayoutWidth() + 0.5 && !cutsAllowed)
                    faults << name + u" cut short"_s;
                if (i + 1 == lines.size())
                    continue;
                breaks.setPosition(end);
                if (!breaks.isAtBoundary())
                    faults << name + u" broken inside a word"_s;
                const int next = int(breaks.toNextBoundary());
                const QString withNext = text.mid(lines[i].start, next - lines[i].start).trimmed();
                if (QFontMetricsF(font).horizontalAdvance(withNext) < field->preferredMaxLayoutWidth() - 1)
                    faults << name + u" ends a line early: "_s + withNext + u" in "_s +
                                  QString::number(field->preferredMaxLayoutWidth());
            }
            QTextLayout layout(text, font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            for (const QGlyphRun& run : layout.glyphRuns())
                if (boxesCount && run.glyphIndexes().contains(0))
                    faults << name + u" draws a box in "_s + run.rawFont().familyName();
        }
    }
    return faults;
}

} // namespace

Q_DECLARE_METATYPE(Figures)

class TestDisplay : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestApplication> f;
    AppDelegate* d = nullptr;

    // The colour in the middle of the artwork's view, as the window shows it.
    QColor artworkMiddle() const
    {
        const QImage window = d->mView->grab().toImage();
        const QRect picture(d->mArtworkView->mapTo(d->mView.data(), QPoint(0, 0)), d->mArtworkView->size());
        return QColor(window.pixel(picture.center() * window.devicePixelRatio()));
    }

    void start(double timeScale)
    {
        f.reset();
        f = std::make_unique<TestApplication>(timeScale);
        f->setWindowSize(1920, 1080);
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
        // The visible text stack stands beside the artwork, 50 below the top; the wide one 35 from
        // the right edge of the picture, which the view shows at its own proportions.
        const double pictureWidth =
            std::min(1920.0, 1080.0 * figures.picture.width() / figures.picture.height());
        QCOMPARE(d->mTrackArtist3->preferredMaxLayoutWidth(),
                 d->isWideArtworkImage ? pictureWidth - 50 : 1870.0);
        const int offset = figures.artwork.width() + 35;
        if (d->isWideArtworkImage)
            QCOMPARE(d->mTrackStackViewWide->geometry().right() + 1,
                     int(std::lround(1920 - (1920 - pictureWidth) / 2 - 35)));
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
            f->play(name, QList<QByteArray>{pictureBytes({600, 600})});
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

    // Every shape of display, each picture, short names and long ones: the text stands whole on
    // the display beside or below the artwork, words unbroken, the name never smaller than a
    // fiftieth of the display's height.
    void everyShape_data()
    {
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QSize>("picture"); // none when empty
        QTest::addColumn<bool>("longNames");
        const bool dense = qApp->devicePixelRatio() > 1.0;
        for (const QSize display : {QSize(1920, 1080), QSize(1080, 1920), QSize(1280, 1024), QSize(1024, 768),
                                    QSize(2560, 1080), QSize(800, 480), QSize(720, 1280), QSize(3840, 2160)}) {
            if (dense && display != QSize(1920, 1080))
                continue;
            for (const QSize picture : {QSize(600, 600), QSize(400, 500), QSize(800, 400), QSize()})
                for (bool longNames : {false, true})
                    QTest::addRow("%dx%d, %dx%d picture%s", display.width(), display.height(),
                                  picture.width(), picture.height(), longNames ? ", long names" : "")
                        << display << picture << longNames;
        }
    }

    void everyShape()
    {
        QFETCH(QSize, display);
        QFETCH(QSize, picture);
        QFETCH(bool, longNames);
        f->setWindowSize(display.width(), display.height());
        const QString words = u"An Exceedingly Long Name That Goes On and On Past Any Reasonable Width "_s;
        for (const QString& track : {u"First"_s, u"Second"_s}) {
            if (longNames)
                f->bridge->playTrack(words + track, words + u"Supercalifragilisticexpialidocious"_s, words);
            else
                f->bridge->playTrack(u"Morning Light "_s + track, u"Demo Sessions"_s,
                                     u"The Sleevelight Trio"_s);
            f->bridge->artworks =
                picture.isEmpty() ? std::nullopt : std::optional(QList<QByteArray>{pictureBytes(picture)});
            d->updateTrackInfo();
            f->placeStacks();
            const QStringList faults = faultsOfTheText(d, false, longNames, picture);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u", "_s)));
            const TextField* name = d->mTrackStackViewWide->isVisibleTo(d->mView) ? d->mTrackName3
                                    : d->mTrackName->isVisibleTo(d->mView)        ? d->mTrackName
                                                                                  : d->mTrackName2;
            QVERIFY(FontManager::size(*name->fieldFont()) >= 0.02 * display.height());
            // Below the artwork the text column and the bar span the display, a margin either side.
            const bool right = d->mTrackStackViewRight->isVisibleTo(d->mView);
            const StackView* stack = right ? d->mTrackStackViewRight : d->mTrackStackViewLeft;
            if (!d->mTrackStackViewWide->isVisibleTo(d->mView) &&
                stack->y() >= d->mArtworkView->geometry().bottom()) {
                const ProgressBar* bar = right ? d->mSlider : d->mSlider2;
                const QRect shown(bar->mapTo(d->mView, QPoint()), bar->size());
                const double margin = 35.0 * std::min(display.width(), display.height()) / 1080.0;
                QVERIFY2(shown.left() <= margin + 2 && shown.right() >= display.width() - margin - 3,
                         qPrintable(u"%1 to %2"_s.arg(shown.left()).arg(shown.right())));
            }
            // The list of keys stands where the text is not, wholly on the display.
            d->showAlertInfo(AppDelegate::helpText);
            QVERIFY(
                !d->mAlertInfo->geometry().intersects(QRect(name->mapTo(d->mView, QPoint()), name->size())));
            QVERIFY(d->mView->rect().contains(d->mAlertInfo->geometry()));
        }
        if (display != QSize(3840, 2160) || longNames)
            return;
        // Twice the pixels of 1920 × 1080 look the same: every text in the same place at twice the
        // size, within a hundredth of the display (long names are fitted in steps of their own).
        const auto shown = [this] {
            QList<QRectF> at;
            for (TextField* field : d->mView->findChildren<TextField*>())
                if (field->isVisibleTo(d->mView))
                    at << QRectF(field->mapTo(d->mView, QPoint()), field->size());
            return at;
        };
        const QList<QRectF> large = shown();
        f->setWindowSize(1920, 1080);
        const QList<QRectF> small = shown();
        QCOMPARE(large.size(), small.size());
        for (qsizetype i = 0; i < large.size(); ++i)
            for (const auto& [a, b] : {std::pair{large[i].topLeft(), small[i].topLeft() * 2},
                                       std::pair{large[i].bottomRight(), small[i].bottomRight() * 2}})
                QVERIFY2((a - b).manhattanLength() < 2 * 38.4,
                         qPrintable(u"%1 %2, %3 %4"_s.arg(a.x()).arg(a.y()).arg(b.x()).arg(b.y())));
    }

    // Names in many scripts are laid out whole, in lines broken where the script allows and as
    // full as they can be, each character in a face that has it.
    void everyScript_data()
    {
        QTest::addColumn<QStringList>("names"); // the name, the album, the artist
        QTest::addColumn<int>("system");        // fonts for it on this machine, or no boxes are counted
        QTest::newRow("Japanese") << QStringList{u"夜に駆ける"_s, u"ザ・ブック"_s, u"ヨアソビ"_s}
                                  << int(QFontDatabase::Japanese);
        QTest::newRow("Korean") << QStringList{u"봄날의 기억"_s, u"윙즈"_s, u"방탄소년단"_s}
                                << int(QFontDatabase::Korean);
        QTest::newRow("Thai") << QStringList{u"ลมหนาวและเธอ"_s, u"อัลบั้มแรก"_s, u"วงดนตรี"_s}
                              << int(QFontDatabase::Thai);
        QTest::newRow("Arabic") << QStringList{u"أغنية الحب القديمة"_s, u"الألبوم الأول للفرقة"_s, u"فيروز"_s}
                                << int(QFontDatabase::Arabic);
        QTest::newRow("Arabic, four words")
            << QStringList{u"ليالي الشتاء الباردة الطويلة"_s, u"ألبوم"_s, u"عمرو دياب"_s}
            << int(QFontDatabase::Arabic);
        QTest::newRow("Hebrew") << QStringList{u"שיר אהבה ישן"_s, u"האלבום הראשון"_s, u"עומר אדם"_s}
                                << int(QFontDatabase::Hebrew);
        QTest::newRow("emoji") << QStringList{u"Sunny Day \u2600\uFE0F\U0001F308"_s, u"Happy \U0001F600"_s,
                                              u"Band"_s}
                               << int(QFontDatabase::Any);
    }

    void everyScript()
    {
        QFETCH(QStringList, names);
        QFETCH(int, system);
        const bool fontsHere = system != int(QFontDatabase::Any)
                                   ? !QFontDatabase::families(QFontDatabase::WritingSystem(system)).isEmpty()
                                   : QFontDatabase::families().filter(u"Emoji"_s).size() > 0;
        for (const QSize display : {QSize(1920, 1080), QSize(1080, 1920), QSize(1024, 768)}) {
            f->setWindowSize(display.width(), display.height());
            f->bridge->playTrack(names[0], names[1], names[2]);
            f->bridge->artworks = QList<QByteArray>{pictureBytes({600, 600})};
            d->updateTrackInfo();
            f->placeStacks();
            const QStringList faults = faultsOfTheText(d, fontsHere, false);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u", "_s)));
        }
    }

    // Each kind of noise is taken off its own example; browsers' "Artist - Title" is split; the
    // preference off shows the player's strings.
    void titlesAreCleanedUp_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shownArtist");
        for (const titles::Noise& kind : titles::noise)
            QTest::newRow(kind.example)
                << QString::fromUtf8(kind.example) << u"Bowie"_s << u"Heroes"_s << u"Bowie"_s;
        QTest::newRow("a browser's artist in the title")
            << u"David Bowie - Heroes [Official Audio]"_s << QString() << u"Heroes"_s << u"David Bowie"_s;
        QTest::newRow("a dash within a title with its artist")
            << u"Heroes - Live at the BBC"_s << u"Bowie"_s << u"Heroes - Live at the BBC"_s << u"Bowie"_s;
        QTest::newRow("nothing but noise")
            << u"(Official Video)"_s << u"Bowie"_s << u"(Official Video)"_s << u"Bowie"_s;
    }

    void titlesAreCleanedUp()
    {
        QFETCH(QString, title);
        QFETCH(QString, artist);
        QFETCH(QString, name);
        QFETCH(QString, shownArtist);
        f->bridge->playTrack(title, u"Album"_s, artist);
        d->updateTrackInfo();
        QCOMPARE(d->trackName().toString(), name);
        QCOMPARE(d->trackArtist().toString(), shownArtist);
        d->setLivePreference(u"cleanUpTitles"_s, false);
        d->updateTrackInfo();
        QCOMPARE(d->trackName().toString(), title);
        QCOMPARE(d->trackArtist().toString(), artist);
    }

    // On the ambient background the name keeps a contrast of at least 4.5 : 1 (WCAG) against what
    // lies behind it, read from the rendered pixels, on light and mid covers, playing and paused.
    void ambientBackgroundKeepsTheNameReadable_data()
    {
        QTest::addColumn<QColor>("cover");
        QTest::newRow("white") << QColor(Qt::white);
        QTest::newRow("yellow") << QColor(255, 220, 0);
        QTest::newRow("mid grey") << QColor(128, 128, 128);
    }

    void ambientBackgroundKeepsTheNameReadable()
    {
        QFETCH(QColor, cover);
        const auto luminance = [](QRgb pixel) {
            const auto linear = [](int c) {
                return c <= 10 ? c / 255.0 / 12.92 : std::pow((c / 255.0 + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * linear(qRed(pixel)) + 0.7152 * linear(qGreen(pixel)) +
                   0.0722 * linear(qBlue(pixel));
        };
        d->setLivePreference(u"ambientBackground"_s, true);
        d->setLivePreference(u"transitions"_s, false); // the window grabbed as it is, not mid-fade
        for (const int state : {2, 3}) {
            f->bridge->state = state;
            f->play(u"Readable"_s, QList<QByteArray>{pictureBytes({600, 600}, cover)});
            TextField* name = d->mTrackName->isVisible() ? d->mTrackName.data() : d->mTrackName2.data();
            const QImage window = d->mView->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect field(name->mapTo(d->mView.data(), QPoint(0, 0)) * window.devicePixelRatio(),
                              name->size() * window.devicePixelRatio());
            double text = 0.0, behind = 0.0;
            for (int x = field.left(); x <= field.right(); ++x) {
                for (int y = field.top(); y <= field.bottom(); ++y)
                    text = std::max(text, luminance(window.pixel(x, y)));
                behind = std::max(behind, luminance(window.pixel(x, field.top() - 6)));
            }
            QVERIFY2(behind > 0.001, "no ambient background behind the name");
            QVERIFY2((text + 0.05) / (behind + 0.05) >= 4.5, qPrintable(u"%1 on %2"_s.arg(text).arg(behind)));
        }
    }

    // The ambient background is made from the picture shown after every change of track, and keeps
    // its hue: a yellow cover lights the display amber, a dark-blue one deep blue.
    void ambientBackgroundFollowsTheCover()
    {
        d->setLivePreference(u"ambientBackground"_s, true);
        // Behind the text, where nothing is drawn: the bottom corner away from the artwork.
        const auto behindText = [&] {
            const QImage view = d->mView->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const bool artworkLeft = d->mArtworkView->x() < d->mView->width() / 2;
            return QColor(view.pixel(artworkLeft ? view.width() - 4 : 3, view.height() - 4));
        };
        const auto hueOf = [](const QColor& colour) {
            const int r = colour.red(), g = colour.green(), b = colour.blue();
            if (std::max({r, g, b}) < 8)
                return u"black"_s;
            if (std::abs(r - g) <= 4 && std::abs(g - b) <= 4)
                return u"grey"_s;
            if (r >= g && g > b + 8)
                return u"amber"_s;
            if (b > r + 8 && b > g + 8)
                return u"blue"_s;
            return u"other"_s;
        };
        const std::pair<QColor, QString> covers[] = {
            {QColor(Qt::white), u"grey"_s},
            {QColor(255, 220, 0), u"amber"_s},
            {QColor(10, 20, 120), u"blue"_s},
            {QColor(Qt::white), u"grey"_s},
        };
        // One colour, saved as such covers are: with a palette.
        const auto coverOf = [](const QColor& colour, int side = 400) {
            QImage image(side, side, QImage::Format_Mono);
            image.setColorTable({colour.rgb(), colour.rgb()});
            image.fill(0);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        };
        int track = 0;
        for (const auto& [cover, hue] : covers) {
            f->play(u"Cover %1"_s.arg(++track), QList<QByteArray>{coverOf(cover)});
            QTRY_COMPARE(hueOf(behindText()), hue);
        }
        // The picture itself keeps its colour at any size it is shown (a palette picture scaled
        // down smoothly came out grey).
        const Image yellow = Image::fromData(coverOf(QColor(255, 220, 0), 800));
        for (const QSize bound : {QSize(300, 300), QSize(50, 50)})
            QCOMPARE(QColor(yellow.decoded(bound).pixel(bound.width() / 2, bound.height() / 2)),
                     QColor(255, 220, 0));
        // A white cover's light is the same whichever cover came before it.
        const QColor white = behindText();
        f->play(u"Yellow again"_s, QList<QByteArray>{coverOf(QColor(255, 220, 0))});
        f->play(u"White again"_s, QList<QByteArray>{coverOf(Qt::white)});
        QTRY_COMPARE(behindText(), white);
    }

    // Whatever is not a picture, or not one that can be shown, gives the placeholder.
    void placeholder_data()
    {
        QTest::addColumn<std::optional<QList<QByteArray>>>("artworks");

        const QByteArray jpeg = pictureBytes({640, 480}, Qt::blue, "JPEG");
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
        QCOMPARE(d->artworkImage(), noCover());
        QVERIFY(d->artworkImageHolder().isNull());
        QCOMPARE(d->artworkImageRatio, 1.0);
        QCOMPARE(d->currentArtworkNumber, 0);
        QCOMPARE(d->mArtworkView->image(), noCover());
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
        f->bridge->artworks = QList<QByteArray>{pictureBytes({600, height})};
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

    // New tracks alternate sides; a track of the same name is the same track.
    void sides()
    {
        const QList<QByteArray> red{pictureBytes({300, 300}, Qt::red)};
        f->play(u"One"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);
        QVERIFY(d->mTrackStackViewRight->isVisible());
        f->play(u"One"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);
        f->play(u"Two"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Right);
        QVERIFY(d->mTrackStackViewLeft->isVisible() && !d->mTrackStackViewRight->isVisible());
        f->play(u"Three"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Left);

        d->setLivePreference(u"artworkPositionMode"_s, qint64(ArtworkPositionMode::Right));
        f->play(u"Three"_s, red);
        QCOMPARE(d->currentArtworkPosition, LayoutAttribute::Right);
    }

    // A picture that arrives after its track (a download, a later message) replaces the
    // placeholder at the next refresh; the same picture again is not staged again.
    void lateArtworkReplacesThePlaceholder()
    {
        f->play(u"Late"_s, std::nullopt);
        QCOMPARE(d->artworkImage(), noCover());
        const QByteArray picture = pictureBytes({400, 400}, Qt::yellow);
        f->bridge->artworks = QList<QByteArray>{picture};
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), Image::fromData(picture));
        QSignalSpy staged(d, &AppDelegate::artworkImageHolderChanged);
        d->updateTrackInfo();
        QCOMPARE(staged.count(), 0);
        // The player changes its picture for the same track.
        const QByteArray other = pictureBytes({400, 200}, Qt::blue);
        f->bridge->artworks = QList<QByteArray>{other};
        d->updateTrackInfo();
        QCOMPARE(d->artworkImage(), Image::fromData(other));
        QVERIFY(d->isWideArtworkImage);
    }

    // A new picture with a preview shows the preview with the track, in the picture's place, and
    // nothing is decoded on the window's thread; the picture itself takes its place once decoded
    // aside, without a fade (the preview here is blue to tell them apart).
    void aPreviewShowsWithTheTrack()
    {
        const QByteArray big = pictureBytes({2400, 2400}, Qt::red, "JPEG");
        QImage preview(300, 300, QImage::Format_RGB32);
        preview.fill(Qt::blue);
        f->bridge->previews = {preview};
        d->setLivePreference(u"transitions"_s, false); // the window grabbed as it is, not mid-fade
        f->play(u"Previewed"_s, QList<QByteArray>{big});
        QCOMPARE(d->artworkImage(), Image::fromData(big));
        QVERIFY(Image::fromData(big).hasPreview());
        QCOMPARE(artworkMiddle(), QColor(Qt::blue));
        QVERIFY(d->mArtworkView->showsPreview());
        QTRY_VERIFY(Image::fromData(big).isDecoded(QSize(1, 1)));
        const QColor shown = artworkMiddle();
        QVERIFY(!d->mArtworkView->showsPreview());
        QVERIFY2(shown.red() > 240 && shown.blue() < 16, qPrintable(shown.name()));
    }

    // A picture slow to decode (a large PNG is decoded whole) is decoded away from the window: the
    // track shows at once with its picture's place dark at the picture's proportions (never the
    // placeholder, which says there is no picture), and the picture follows. One that does not
    // decode after all leaves the placeholder.
    void slowPicturesAreDecodedAside()
    {
        const QByteArray wide = pictureBytes({4000, 1500}, Qt::magenta);
        QVERIFY(Image::fromData(wide).isSlowToDecode());
        f->play(u"Wide and slow"_s, QList<QByteArray>{wide});
        QCOMPARE(d->trackName(), QVariant(u"Wide and slow"_s));
        QVERIFY(d->artworkImage() != noCover());
        QVERIFY(std::abs(d->artworkImageRatio - 1500.0 / 4000.0) < 0.02);
        QVERIFY(d->isWideArtworkImage);
        if (d->artworkImage() != Image::fromData(wide)) // not decoded yet: dark
            QVERIFY(QColor(d->artworkImage().decoded({16, 16}).pixel(4, 2)).value() < 40);
        QTRY_COMPARE(d->artworkImage(), Image::fromData(wide));
        QVERIFY(d->isWideArtworkImage);
        QCOMPARE(d->mArtworkView->image(), Image::fromData(wide));
        const QByteArray square = pictureBytes({3000, 3000}, Qt::green);
        f->play(u"Square and slow"_s, QList<QByteArray>{square});
        QVERIFY(d->artworkImage() != noCover());
        QCOMPARE(d->artworkImageRatio, 1.0);
        QTRY_COMPARE(d->artworkImage(), Image::fromData(square));

        // A run of such tracks decodes the last one, not every one in turn. The one decoding thread
        // may finish a few while the window stages a dozen tracks (slowly, in a sanitized build
        // sharing two cores with another test: six have been seen), never half of them.
        QList<QByteArray> run;
        for (int i = 0; i < 12; ++i)
            run << pictureBytes({2400 + i, 2400}, QColor::fromHsv(i * 30, 200, 200));
        const int decodesBefore = Image::decodeCount();
        for (int i = 0; i < run.size(); ++i)
            f->play(u"Run %1"_s.arg(i), QList<QByteArray>{run[i]});
        QTRY_COMPARE(d->artworkImage(), Image::fromData(run.last()));
        QVERIFY2(Image::decodeCount() - decodesBefore < run.size() / 2 + 1,
                 qPrintable(QString::number(Image::decodeCount() - decodesBefore)));

        QByteArray cut = pictureBytes({2500, 2500}, Qt::cyan);
        cut.chop(cut.size() / 2);
        f->play(u"Cut short"_s, QList<QByteArray>{cut});
        QTRY_VERIFY(!Image::fromData(cut).isSlowToDecode()); // tried, and found not decodable
        QTRY_COMPARE(d->artworkImage(), noCover());
        QTest::qWait(50);
        QCOMPARE(d->artworkImage(), noCover());
        QVERIFY(!d->isWideArtworkImage);
    }

    // A picture far larger than shown is looked for among those kept decoded before it is decoded
    // aside, and kept after; one shown at its own size is neither.
    void decodedPicturesAreAskedForFirst()
    {
        struct Store : DecodedPictureStore
        {
            std::atomic<int> finds = 0;
            QImage kept; // written on the decoding thread, read once `keeps` says so
            QSemaphore keeps;
            QImage find(const QByteArray&, const QSize& target) override
            {
                ++finds;
                return kept.isNull() ? QImage() : kept.scaled(target);
            }
            void keep(const QByteArray&, const QImage& image) override
            {
                kept = image;
                keeps.release();
            }
        };
        const auto store = std::make_shared<Store>();
        Image::setDecodedStore(store);
        const Image large = Image::fromData(pictureBytes({2400, 1200}, Qt::red, "JPEG"));
        const int decodes = Image::decodeCount();
        QCOMPARE(large.decodeInBackground({600, 600}).result().size(), QSize(600, 300));
        QVERIFY(store->keeps.tryAcquire(1, 5000));
        QCOMPARE(store->kept.size(), QSize(600, 300));
        QCOMPARE(large.decodeInBackground({400, 400}).result().size(), QSize(400, 200));
        QCOMPARE(Image::decodeCount(), decodes + 1);
        QCOMPARE(store->finds.load(), 2);

        const Image small = Image::fromData(pictureBytes({600, 300}, Qt::blue, "JPEG"));
        QCOMPARE(small.decodeInBackground({600, 600}).result().size(), QSize(600, 300));
        QCOMPARE(store->finds.load(), 2);
        QVERIFY(!store->keeps.tryAcquire(1, 100));
        Image::setDecodedStore(nullptr);
    }

    void cyclesWhilePlaying()
    {
        start(0.01); // cycling every 0.3 s
        const QList<QByteArray> pictures{pictureBytes({300, 300}, Qt::red),
                                         pictureBytes({300, 300}, Qt::green),
                                         pictureBytes({300, 300}, Qt::blue)};
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

        // The list shrinks under the shown picture's index: the placeholder once, then the first left.
        while (d->currentArtworkNumber != 2)
            d->showNextArtworkImage(true);
        f->bridge->artworks = QList<QByteArray>{pictures[1]};
        d->updateTrackInfo();
        QVERIFY(d->artworkImage() == Image::named(u"no_cover.png"_s));
        d->updateTrackInfo();
        QVERIFY(d->artworkImage() == Image::fromData(pictures[1]));
    }

    // A new picture fades in over the old one, then stands alone; the display's fade lasts about a
    // third of a second, and the preference turns it off.
    void crossfade()
    {
        FrameView window;
        window.setBackgroundColor(Qt::black);
        window.resize(400, 300);
        auto* view = new ImageView(&window);
        view->setGeometry(0, 0, 400, 300);
        view->setCrossfadeMs(2000); // long, so a slow machine still catches it halfway
        view->setImage(Image::fromData(pictureBytes({400, 300}, Qt::red)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.repaint();
        view->setImage(Image::fromData(pictureBytes({400, 300}, Qt::blue)));
        const auto middle = [&window] {
            return QColor(window.grab().toImage().pixel(200, 150));
        };
        QTest::qWait(700);
        QVERIFY2(middle().red() > 40 && middle().blue() > 40, qPrintable(middle().name()));
        QTRY_COMPARE(middle(), QColor(Qt::blue));
    }

    // A new track comes in under the one shown, which fades out whole, text and picture; the
    // preference off shows the new one at once.
    void theTrackShownFadesIntoTheNext()
    {
        d->mWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(d->mWindow));
        f->play(u"First"_s, QList<QByteArray>{pictureBytes({600, 600}, Qt::red)});
        QTRY_COMPARE(artworkMiddle(), QColor(Qt::red));
        const QImage first = d->mView->grab().toImage();
        const QByteArray blue = pictureBytes({600, 600}, Qt::blue);
        f->play(u"Second"_s, QList<QByteArray>{blue, pictureBytes({600, 600}, Qt::yellow)});
        QCOMPARE(d->mView->grab().toImage(), first);
        auto* fade = d->mView->findChild<FadeOverlay*>();
        QVERIFY(fade != nullptr && fade->isFading());
        QCOMPARE(d->mArtworkView->crossfadeMs(), 0); // faded with the track, not twice
        QTRY_VERIFY(!fade->isFading());
        QCOMPARE(artworkMiddle(), QColor(Qt::blue));
        // The track's own pictures crossfade in the picture's place.
        d->showNextArtworkImage(true);
        QCOMPARE(d->mArtworkView->crossfadeMs(), 330);
        QVERIFY(!fade->isFading());

        d->setLivePreference(u"transitions"_s, false);
        f->play(u"Third"_s, QList<QByteArray>{pictureBytes({600, 600}, Qt::green)});
        QVERIFY(!fade->isFading());
        QCOMPARE(artworkMiddle(), QColor(Qt::green));
        d->showNextArtworkImage(true);
        QCOMPARE(d->mArtworkView->crossfadeMs(), 0);
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
        view->setImage(Image::fromData(pictureBytes({40, 40}, Qt::green)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QImage shot = window.grab().toImage();
        const auto at = [&](int x, int y) {
            return QColor(shot.pixel(int(x * shot.devicePixelRatio()), int(y * shot.devicePixelRatio())));
        };
        QVERIFY(at(60, 10) == QColor(Qt::green) && at(340, 290) == QColor(Qt::green));
        QCOMPARE(at(20, 150), QColor(Qt::red));
        view->setImage(Image::fromData(pictureBytes({400, 300}, Qt::green, "JPEG")));
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
