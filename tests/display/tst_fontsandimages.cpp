// The font names, the pictures and the image view the display is drawn with.

#include "displaytest.h"

#include "platform/fonts.h"
#include "platform/image.h"
#include "platform/views/imageview.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

using namespace sleevelight;
using namespace sleevelight::test;

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

        QTest::newRow("name font") << QStringLiteral("HelveticaNeue-Medium") << 72.0 << true << false;
        QTest::newRow("album font") << QStringLiteral("HelveticaNeue-Italic") << 48.24 << false << true;
        QTest::newRow("artist font") << QStringLiteral("HelveticaNeue") << 54.0 << false << false;
        QTest::newRow("button font") << QStringLiteral("Helvetica") << 36.0 << false << false;
        QTest::newRow("fallback of the styles") << QStringLiteral("Arial") << 10.0 << false << false;
        QTest::newRow("system font") << QStringLiteral(".SFNSText") << 24.0 << false << false;
        QTest::newRow("unknown family, bold italic")
            << QStringLiteral("NoSuchFamily-BoldItalic") << 30.0 << true << true;
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
        QVERIFY(qAbs(info.pointSizeF() - size) < 0.5);
        QCOMPARE(info.weight() > QFont::Normal, heavy);
        QCOMPARE(info.italic(), italic);
        QVERIFY2(!QFontDatabase::isFixedPitch(info.family()), qPrintable(info.family()));
        // The resolved face draws ordinary text at full size, not a tiny default.
        QVERIFY(QFontMetricsF(*font).height() > size);
    }

    void installedFacesByTheirOwnNames()
    {
        const QStringList names = FontManager::availableFonts();
        QVERIFY(!names.isEmpty());
        QStringList sorted = names;
        sorted.sort();
        sorted.removeDuplicates();
        QCOMPARE(names, sorted);
        QVERIFY(names.contains(QStringLiteral("DejaVuSans-Bold")));
        for (const QString& name : names) {
            const FontManager::Face face = FontManager::resolvedFace(name);
            QCOMPARE(face.postscriptName, name);
            QCOMPARE(FontManager::fontName(*FontManager::fontWithName(name, 20)), name);
        }
        const QFontInfo bold(*FontManager::fontWithName(QStringLiteral("DejaVuSans-Bold"), 20));
        QCOMPARE(bold.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(bold.weight(), int(QFont::Bold));
    }

    // A font that did not come from a name answers the name of its face.
    void nameOfAPlainFont()
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(20);
        QCOMPARE(FontManager::fontName(font), QStringLiteral("DejaVuSans"));
        font.setItalic(true);
        QCOMPARE(FontManager::fontName(font), QStringLiteral("DejaVuSans-Oblique"));
        QCOMPARE(FontManager::fontWithName(QString(), 20), std::nullopt);
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

    // A small picture fills its view: image views scale up as well as down.
    void imageViewScalesUpAndKeepsItsScaling()
    {
        QWidget window;
        window.resize(800, 600);
        auto* view = new ImageView(&window);
        view->setGeometry(0, 0, 400, 300);
        view->setImage(Image::fromData(pictureBytes(40, 40, Qt::green)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QImage shot = window.grab().toImage();
        const qreal r = shot.devicePixelRatio();
        QCOMPARE(QColor(shot.pixel(int(60 * r), int(10 * r))), QColor(Qt::green));
        QCOMPARE(QColor(shot.pixel(int(340 * r), int(290 * r))), QColor(Qt::green));
        QVERIFY(QColor(shot.pixel(int(20 * r), int(150 * r))) != QColor(Qt::green));
        const int scaled = view->scaleCount();
        view->repaint();
        window.repaint();
        QCOMPARE(view->scaleCount(), scaled);
        view->resize(200, 200);
        view->repaint();
        QCOMPARE(view->scaleCount(), scaled + 1);
    }
};

QTEST_MAIN(TestFontsAndImages)
#include "tst_fontsandimages.moc"
