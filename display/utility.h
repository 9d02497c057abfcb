#pragma once

#include "platform/views/shadow.h"

#include <QColor>
#include <QString>

#include <optional>

namespace sleevelight {
class TextField;
class TitleButton;

// Text alignment by the numbers the styling operations take.
enum class TextAlignment : int
{
    Left = 0,
    Right = 1,
    Center = 2,
    Justified = 3,
    Natural = 4,
};

// How a text is to look. What is left out stays as the field has it: no font name or size keeps
// the font, no colour the colour, the natural alignment the alignment; `shadow` adds the display's
// text shadow.
struct TextStyle
{
    std::optional<QString> font = std::nullopt;
    std::optional<double> size = std::nullopt;
    std::optional<QColor> color = std::nullopt;
    bool shadow = false;
    TextAlignment alignment = TextAlignment::Natural;
};

// The text-styling operations the whole program uses; no state of their own.
class Utility
{
public:
    // Sets the field's font, colour, alignment and shadow. A font is chosen when a name or a size is
    // given (never below 10 points).
    static void styleTextField(TextField* field, const TextStyle& style);

    // Shows `text` in that style, replacing the field's content or, with `append`, after it.
    static void styleAttributedText(TextField* field, const QString& text, const TextStyle& style,
                                    bool append);

    // Gives the button a title drawn in "Helvetica" 32, white, unless the style says otherwise; no
    // size floor.
    static void styleButtonTitle(TitleButton* button, const QString& title, const TextStyle& style);

    // The glyph colours: gray (a heart or star that is off), red (loved), and the near-white gray
    // of a filled star.
    static QColor grayColor() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f); }
    static QColor redColor() { return QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f); }
    static QColor starColor() { return QColor::fromRgbF(228 / 255.0f, 228 / 255.0f, 228 / 255.0f, 1.0f); }

    static constexpr double minimumTextFieldFontSize = 10.0;
    static constexpr double shadowBlurRadius = 3.0;
    // The soft shadow under the track's text.
    static Shadow textShadow() { return Shadow{shadowBlurRadius, Qt::black, {}}; }
};

} // namespace sleevelight
