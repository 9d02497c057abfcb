// The font names, the pictures and the image view the display is drawn with.

#include "displaytest.h"

#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/views/frameview.h"
#include "platform/views/imageview.h"
#include "platform/views/shadow.h"
#include "platform/views/textfield.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

using namespace sleevelight;
using namespace sleevelight::test;

namespace {

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

class TestFontsAndImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

    // Installed faces answer to their own names, and so does a font that did not come from a name.
    void installedFacesByTheirOwnNames()
    {
        const QStringList names = FontManager::availableFonts();
        QVERIFY(names.contains(u"DejaVuSans-Bold"_s));
        for (const QString& name : names)
            QCOMPARE(FontManager::fontName(*FontManager::fontWithName(name, 20)), name);
        QFont font(u"DejaVu Sans"_s);
        font.setItalic(true);
        QCOMPARE(FontManager::fontName(font), u"DejaVuSans-Oblique"_s);
        QCOMPARE(FontManager::fontWithName(QString(), 20), std::nullopt);
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

    // The size comes from the header alone; the picture is decoded once, at the size shown.
    void decodesOnceAtTheSizeShown()
    {
        const QByteArray bytes = pictureBytes(3000, 2000, Qt::darkCyan, "JPEG");
        const int before = Image::decodeCount();
        const Image image = Image::fromData(bytes);
        QCOMPARE(image.size(), QSizeF(3000, 2000));
        QCOMPARE(Image::decodeCount(), before);

        const QImage shown = image.decoded(QSize(600, 600));
        QCOMPARE(shown.size(), QSize(600, 400));
        QCOMPARE(Image::decodeCount(), before + 1);
        QCOMPARE(image.decoded(QSize(600, 600)).size(), QSize(600, 400));
        QCOMPARE(image.decoded(QSize(300, 300)).size(), QSize(300, 200));
        QCOMPARE(Image::decodeCount(), before + 1);
        // The same bytes again are the same picture, already decoded.
        QCOMPARE(Image::fromData(QByteArray(bytes.constData(), bytes.size())), image);
        QCOMPARE(Image::decodeCount(), before + 1);
    }

    // A small picture fills its view (image views scale up as well as down), scaled once per size.
    // An opaque picture that fills its view spares drawing what lies beneath it; a picture with
    // transparency put in its place must show the background again.
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
        const qreal ratio = shot.devicePixelRatio();
        const auto at = [&](int x, int y) {
            return QColor(shot.pixel(int(x * ratio), int(y * ratio)));
        };
        QVERIFY(at(60, 10) == QColor(Qt::green) && at(340, 290) == QColor(Qt::green));
        QCOMPARE(at(20, 150), QColor(Qt::red));
        const int scaled = view->scaleCount();
        view->repaint();
        window.repaint();
        QCOMPARE(view->scaleCount(), scaled);
        view->resize(200, 200);
        view->repaint();
        QCOMPARE(view->scaleCount(), scaled + 1);

        view->setImage(Image::fromData(pictureBytes(200, 200, Qt::green, "JPEG")));
        window.repaint();
        QVERIFY(view->testAttribute(Qt::WA_OpaquePaintEvent));
        QImage clear(100, 100, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        view->setImage(Image::fromImage(clear));
        window.repaint();
        QVERIFY(!view->testAttribute(Qt::WA_OpaquePaintEvent));
        // What the window shows, not a fresh drawing of it.
        shot = window.screen()->grabWindow(window.winId()).toImage();
        QCOMPARE(at(50, 50), QColor(Qt::red));
    }
};

QTEST_MAIN(TestFontsAndImages)
#include "tst_fontsandimages.moc"
