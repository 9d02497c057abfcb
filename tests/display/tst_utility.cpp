// The three text-styling operations, on fields and buttons of their own.

#include "display/utility.h"
#include "platform/fonts.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace sleevelight;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(std::optional<double>)

class TestUtility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fontChoice_data()
    {
        QTest::addColumn<bool>("fieldHasFont");
        QTest::addColumn<std::optional<QString>>("fontName");
        QTest::addColumn<std::optional<double>>("fontSize");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<double>("expectedSize");

        const std::optional<QString> none;
        const QString serif = u"DejaVuSerif-Bold"_s;
        QTest::newRow("name and size")
            << true << std::optional(serif) << std::optional(30.0) << serif << 30.0;
        QTest::newRow("name keeps the size")
            << true << std::optional(serif) << std::optional<double>() << serif << 20.0;
        QTest::newRow("name on a field without a font")
            << false << std::optional(serif) << std::optional<double>() << serif << 12.0;
        QTest::newRow("size keeps the name")
            << true << none << std::optional(40.0) << u"HelveticaNeue-Italic"_s << 40.0;
        QTest::newRow("size on a field without a font")
            << false << none << std::optional(40.0) << u"Arial"_s << 40.0;
        QTest::newRow("neither leaves the font")
            << true << none << std::optional<double>() << u"HelveticaNeue-Italic"_s << 20.0;
    }

    void fontChoice()
    {
        QFETCH(bool, fieldHasFont);
        QFETCH(std::optional<QString>, fontName);
        QFETCH(std::optional<double>, fontSize);
        QFETCH(QString, expectedName);
        QFETCH(double, expectedSize);

        TextField field;
        field.setFieldFont(fieldHasFont ? FontManager::fontWithName(u"HelveticaNeue-Italic"_s, 20)
                                        : std::nullopt);
        Utility::styleTextField(&field, {.font = fontName, .size = fontSize});
        QVERIFY(field.fieldFont());
        QCOMPARE(FontManager::fontName(*field.fieldFont()), expectedName);
        QCOMPARE(FontManager::pointSize(*field.fieldFont()), expectedSize);
    }

    void colourAlignmentAndShadow()
    {
        TextField field;
        field.setAlignment(Qt::AlignRight);
        field.setTextColor(Qt::green);
        Utility::styleTextField(&field, {});
        QCOMPARE(field.alignment(), Qt::AlignRight);
        QCOMPARE(field.textColor(), QColor(Qt::green));
        QVERIFY(!field.shadow());

        Utility::styleTextField(
            &field, {.color = QColor(Qt::yellow), .shadow = true, .alignment = TextAlignment::Center});
        QCOMPARE(field.alignment(), Qt::AlignHCenter);
        QCOMPARE(field.textColor(), QColor(Qt::yellow));
        QCOMPARE(field.shadow(), (Shadow{3.0, Qt::black, {}}));
        // Without a shadow asked for, the one there stays.
        Utility::styleTextField(&field, {.size = 20.0, .alignment = TextAlignment::Left});
        QVERIFY(field.shadow());
        QCOMPARE(field.alignment(), Qt::AlignLeft);
    }

    void attributedText()
    {
        TextField field;
        field.setFieldFont(std::nullopt);
        Utility::styleAttributedText(&field, u"plain"_s, {}, false);
        QCOMPARE(field.text(), u"plain"_s);
        QVERIFY(!field.hasAttributedText());

        Utility::styleAttributedText(&field, u" and bold"_s,
                                     {.font = u"DejaVuSans-Bold"_s,
                                      .size = 13.0,
                                      .color = QColor(Qt::red),
                                      .shadow = true,
                                      .alignment = TextAlignment::Right},
                                     true);
        QCOMPARE(field.text(), u"plain and bold"_s);
        const QList<TextRun> runs = field.attributedText();
        QCOMPARE(runs.size(), 2);
        QVERIFY(!runs[0].font);
        QCOMPARE(FontManager::fontName(*runs[1].font), u"DejaVuSans-Bold"_s);
        QCOMPARE(runs[1].font->pointSizeF(), 13.0);
        QCOMPARE(runs[1].color, QColor(Qt::red));
        QCOMPARE(runs[1].alignment, Qt::AlignRight);
        QCOMPARE(runs[1].shadow->blurRadius, 3.0);

        Utility::styleAttributedText(&field, u"again"_s, {.size = 8.0}, false);
        QCOMPARE(field.text(), u"again"_s);
        QCOMPARE(field.attributedText().size(), 1);
        QCOMPARE(field.attributedText()[0].font->pointSizeF(), 10.0);
    }

    // Button titles have no 10-point floor.
    void buttonTitles()
    {
        TitleButton button;
        Utility::styleButtonTitle(&button, u"\u2661"_s,
                                  {.font = u"DejaVuSans"_s,
                                   .size = 6.0,
                                   .color = QColor(Qt::gray),
                                   .shadow = true,
                                   .alignment = TextAlignment::Center});
        const TitleButton::Title title = button.attributedTitle();
        QCOMPARE(title.text, u"\u2661"_s);
        QCOMPARE(title.font.pointSizeF(), 6.0);
        QCOMPARE(title.alignment, Qt::AlignHCenter);
        QCOMPARE(title.shadow, (Shadow{3.0, Qt::black, {}}));
    }
};

QTEST_MAIN(TestUtility)
#include "tst_utility.moc"
