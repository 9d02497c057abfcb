#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace sleevelight {
class TextField;
class TitleButton;
} // namespace sleevelight

// Text alignment by the numbers the styling operations take.
enum class TextAlignment : int
{
    Left = 0,
    Right = 1,
    Center = 2,
    Justified = 3,
    Natural = 4,
};

// The text-styling operations the whole program uses; no state of their own.
class Utility
{
public:
    // Sets the field's font, colour, alignment and shadow. A font is chosen when a name or a size is
    // given (never below 10 points); the natural alignment leaves the field's alignment alone, and
    // without `shadow` the field's shadow stays as it is.
    static void styleTextField(sleevelight::TextField* field, const std::optional<QString>& fontName,
                               std::optional<double> fontSize, const std::optional<QColor>& textColor,
                               bool shadow, TextAlignment alignment);

    // Shows `text` with those attributes, replacing the field's content or, with `append`, after it.
    static void styleAttributedText(sleevelight::TextField* field, const QString& text,
                                    const std::optional<QString>& fontName, std::optional<double> fontSize,
                                    const std::optional<QColor>& textColor, bool shadow,
                                    TextAlignment alignment, bool append);

    // Gives the button a title drawn in "Helvetica" 32, white, unless told otherwise; no size floor.
    static void styleButtonTitle(sleevelight::TitleButton* button, const QString& title,
                                 const std::optional<QString>& fontName, std::optional<double> fontSize,
                                 const std::optional<QColor>& textColor, bool shadow,
                                 TextAlignment alignment);

    // The glyph colours: gray (a heart or star that is off), red (loved), and the near-white gray
    // of a filled star.
    static QColor grayColor() { return QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f); }
    static QColor redColor() { return QColor::fromRgbF(1.0f, 0.0f, 0.0f, 1.0f); }
    static QColor starColor() { return QColor::fromRgbF(228 / 255.0f, 228 / 255.0f, 228 / 255.0f, 1.0f); }

    static constexpr double minimumTextFieldFontSize = 10.0;
    static constexpr double shadowBlurRadius = 3.0;
};
