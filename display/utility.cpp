#include "display/utility.h"

#include "platform/fonts.h"
#include "platform/views/textfield.h"
#include "platform/views/titlebutton.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

struct FontChoice
{
    bool chosen = false;
    std::optional<QFont> font; // none when no installed face answers to the name
};

FontChoice chooseFont(const TextField* field, const std::optional<QString>& fontName,
                      std::optional<double> fontSize)
{
    const std::optional<QFont> current = field->fieldFont();
    QString name;
    double size = 0.0;
    if (fontName) {
        name = *fontName;
        size = fontSize ? *fontSize : (current ? FontManager::size(*current) : 12.0);
    } else if (fontSize) {
        name = current ? FontManager::fontName(*current) : u"Arial"_s;
        size = *fontSize;
    } else {
        return {};
    }
    size = std::max(size, Utility::minimumTextFieldFontSize);
    return {true, FontManager::fontWithName(name, size)};
}

Qt::Alignment qtAlignment(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Left:
        return Qt::AlignLeft;
    case TextAlignment::Right:
        return Qt::AlignRight;
    case TextAlignment::Center:
        return Qt::AlignHCenter;
    case TextAlignment::Justified:
        return Qt::AlignJustify;
    case TextAlignment::Natural:
        break;
    }
    return Qt::AlignLeading;
}

} // namespace

void Utility::styleTextField(TextField* field, const TextStyle& style)
{
    if (field == nullptr)
        return;
    if (const FontChoice choice = chooseFont(field, style.font, style.size); choice.chosen)
        field->setFieldFont(choice.font);
    if (style.color)
        field->setTextColor(*style.color);
    if (style.alignment != TextAlignment::Natural)
        field->setAlignment(qtAlignment(style.alignment));
    if (style.shadow)
        field->setShadow(Utility::textShadow());
}

void Utility::styleAttributedText(TextField* field, const QString& text, const TextStyle& style, bool append)
{
    if (field == nullptr)
        return;
    TextRun run{text, {}, {}, {}, {}};
    bool any = false;
    if (const FontChoice choice = chooseFont(field, style.font, style.size); choice.chosen && choice.font) {
        run.font = choice.font;
        any = true;
    }
    if (style.color) {
        run.color = style.color;
        any = true;
    }
    if (style.alignment != TextAlignment::Natural) {
        run.alignment = qtAlignment(style.alignment);
        any = true;
    }
    if (style.shadow) {
        run.shadow = Utility::textShadow();
        any = true;
    }
    if (!any) {
        field->setText(text);
        return;
    }
    QList<TextRun> runs;
    if (append)
        runs = field->attributedText();
    runs.append(run);
    field->setAttributedText(runs);
}

void Utility::styleButtonTitle(TitleButton* button, const QString& title, const TextStyle& style)
{
    if (button == nullptr)
        return;
    TitleButton::Title attributed;
    attributed.text = title;
    attributed.color = style.color.value_or(QColor(Qt::white));
    attributed.alignment = qtAlignment(style.alignment);
    const QString name = style.font.value_or(u"Helvetica"_s);
    attributed.font = FontManager::fontWithName(name, style.size.value_or(32.0)).value_or(button->font());
    attributed.shadow = style.shadow ? Utility::textShadow() : Shadow{};
    button->setAttributedTitle(attributed);
}

} // namespace sleevelight
