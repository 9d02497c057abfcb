#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace sleevelight {

std::optional<QFont> FontManager::fontWithName(const QString& name, double size)
{
    if (name.isEmpty())
        return std::nullopt;
    QFont font(name.section(u'-', 0, 0));
    font.setPointSizeF(size > 0 ? size : 12.0);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QStringList FontManager::availableFonts()
{
    return QFontDatabase::families();
}

QString FontManager::fontName(const QFont& font)
{
    return font.family();
}

} // namespace sleevelight
