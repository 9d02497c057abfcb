#pragma once

#include <QFont>
#include <QStringList>

#include <optional>

namespace sleevelight {

// Fonts by PostScript-style name ("HelveticaNeue-Medium").
class FontManager
{
public:
    // The installed face of that name at `size` points, or the closest installed face.
    // None only for an empty name.
    static std::optional<QFont> fontWithName(const QString& name, double size);
    // The PostScript names of the installed faces.
    static QStringList availableFonts();
    // The name a font answers to.
    static QString fontName(const QFont& font);
};

} // namespace sleevelight
