#pragma once

#include <QFont>
#include <QStringList>

#include <optional>

namespace sleevelight {

// Fonts by PostScript-style name ("HelveticaNeue-Medium"), sized in the display's units: one
// unit of size is one logical pixel of height, whatever the desktop's dots per inch (the
// layout's sizes were drawn up in the units of a screen that counts a point as a pixel).
class FontManager
{
public:
    // The installed face of that name, or else the closest installed face (same family if there is
    // one, then the nearest weight and slant), at `size` units (12 when `size` is not positive).
    // None only for an empty name.
    static std::optional<QFont> fontWithName(const QString& name, double size);
    // The PostScript names of the installed faces, sorted, each once.
    static QStringList availableFonts();
    // The name a font answers to: the name it was made from by fontWithName, else the PostScript
    // name of the face it shows.
    static QString fontName(const QFont& font);
    // The size of a font in the units fontWithName takes.
    static double size(const QFont& font);

    // The installed face a name resolves to, as family and style (for reports and tests).
    struct Face
    {
        QString postscriptName;
        QString family;
        QString style;
        int weight = 400; // 100 to 900
        bool italic = false;
        int stretch = 100;
    };
    static Face resolvedFace(const QString& name);
};

} // namespace sleevelight
