#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QRegularExpression>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

using Face = FontManager::Face;

QString normalized(const QString& name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            result += c.toLower();
    return result;
}

QString fcString(FcPattern* pattern, const char* object)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

int fcInteger(FcPattern* pattern, const char* object, int fallback)
{
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

struct FaceTable
{
    std::vector<Face> faces;
    QHash<QString, qsizetype> byPostscript;           // exact name
    QHash<QString, qsizetype> byNormalizedPostscript; // ignoring case and punctuation
    QHash<QString, QString> familyByNormalizedName;   // "dejavusans" → "DejaVu Sans"
    QStringList names;
};

const FaceTable& faceTable()
{
    static FaceTable table;
    static std::once_flag once;
    std::call_once(once, [] {
        FcInit();
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_POSTSCRIPT_NAME, FC_WEIGHT, FC_SLANT,
                                                FC_WIDTH, FC_SCALABLE, nullptr);
        FcFontSet* set = FcFontList(nullptr, pattern, objects);
        for (int i = 0; set != nullptr && i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            FcBool scalable = FcFalse;
            if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable)
                continue;
            Face face;
            face.family = fcString(font, FC_FAMILY);
            if (face.family.isEmpty())
                continue;
            face.style = fcString(font, FC_STYLE);
            face.weight = FcWeightToOpenType(fcInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR));
            face.italic = fcInteger(font, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
            face.stretch = fcInteger(font, FC_WIDTH, FC_WIDTH_NORMAL);
            face.postscriptName = fcString(font, FC_POSTSCRIPT_NAME);
            if (face.postscriptName.isEmpty())
                face.postscriptName =
                    QString(face.family).remove(u' ') + u'-' + QString(face.style).remove(u' ');
            if (table.byPostscript.contains(face.postscriptName))
                continue;
            const qsizetype index = qsizetype(table.faces.size());
            table.faces.push_back(face);
            table.byPostscript.insert(face.postscriptName, index);
            table.byNormalizedPostscript.insert(normalized(face.postscriptName), index);
            table.familyByNormalizedName.insert(normalized(face.family), face.family);
            table.names.append(face.postscriptName);
        }
        if (set != nullptr)
            FcFontSetDestroy(set);
        FcObjectSetDestroy(objects);
        FcPatternDestroy(pattern);
        table.names.sort();
    });
    return table;
}

// What a PostScript style part asks for: "BoldItalic", "Medium", "LightOblique", "CondensedBold".
struct Wish
{
    int weight = 400;
    bool italic = false;
    int stretch = 100;
};

Wish wishFrom(const QString& style)
{
    const QString s = style.toLower();
    Wish wish;
    static const std::pair<const char*, int> weights[] = {
        {"extralight", 200}, {"ultralight", 200}, {"semibold", 600}, {"demibold", 600}, {"extrabold", 800},
        {"ultrabold", 800},  {"hairline", 100},   {"thin", 100},     {"light", 300},    {"medium", 500},
        {"bold", 700},       {"black", 900},      {"heavy", 900},
    };
    for (const auto& [word, weight] : weights) {
        if (s.contains(QLatin1String(word))) {
            wish.weight = weight;
            break;
        }
    }
    wish.italic = s.contains(u"italic") || s.contains(u"oblique") || style.endsWith(u"It");
    if (s.contains(u"condensed") || s.contains(u"narrow"))
        wish.stretch = 75;
    return wish;
}

// "HelveticaNeue" → "Helvetica Neue", for fontconfig's aliases.
QString spacedFamily(const QString& family)
{
    static const QRegularExpression boundary(u"(?<=[a-z])(?=[A-Z])"_s);
    return QString(family).replace(boundary, u" "_s).trimmed();
}

// The installed family fontconfig answers for a family it may only know by alias, else the
// default sans face: an unknown name never ends in a serif or symbol face.
QString matchedFamily(const QString& base)
{
    const FaceTable& table = faceTable();
    FcPattern* pattern = FcPatternCreate();
    for (const QString& family : {spacedFamily(base), base, u"sans-serif"_s}) {
        const QByteArray utf8 = family.toUtf8();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString family;
    if (match != nullptr) {
        family = table.familyByNormalizedName.value(normalized(fcString(match, FC_FAMILY)));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    if (family.isEmpty())
        family = table.familyByNormalizedName.value(u"dejavusans"_s);
    if (family.isEmpty() && !table.faces.empty())
        family = table.faces.front().family;
    return family;
}

// The face of `family` nearest to the wish: slant first, then width, then weight, where a
// heavier wish ("Medium") rounds up to a bolder face rather than down to the regular one.
const Face* nearestFace(const QString& family, const Wish& wish)
{
    const Face* best = nullptr;
    int bestScore = 0;
    for (const Face& face : faceTable().faces) {
        if (face.family != family)
            continue;
        int score = (face.italic != wish.italic) ? 10000 : 0;
        score += std::abs(face.stretch - wish.stretch) * 8;
        score += std::abs(face.weight - wish.weight);
        if (wish.weight > 400 && face.weight < wish.weight)
            score += 150;
        if (best == nullptr || score < bestScore) {
            best = &face;
            bestScore = score;
        }
    }
    return best;
}

struct Resolution
{
    Face face;
    bool synthesizeItalic = false;
};

Resolution resolve(const QString& name)
{
    static QHash<QString, Resolution> cache;
    if (const auto it = cache.constFind(name); it != cache.cend())
        return *it;
    const FaceTable& table = faceTable();
    Resolution resolution;
    qsizetype exact = table.byPostscript.value(name, -1);
    if (exact < 0)
        exact = table.byNormalizedPostscript.value(normalized(name), -1);
    if (exact >= 0) {
        resolution.face = table.faces[size_t(exact)];
    } else {
        // "Family-Style", or a plain family name such as "DejaVu Sans".
        const QString base = name.contains(u'-') ? name.section(u'-', 0, 0) : name;
        const QString style = name.contains(u'-') ? name.section(u'-', 1) : QString();
        const Wish wish = wishFrom(style);
        QString family = table.familyByNormalizedName.value(normalized(base));
        if (family.isEmpty())
            family = table.familyByNormalizedName.value(normalized(name));
        if (family.isEmpty())
            family = matchedFamily(base);
        if (const Face* face = nearestFace(family, wish)) {
            resolution.face = *face;
            resolution.synthesizeItalic = wish.italic && !face->italic;
        } else {
            resolution.face.family = family;
            resolution.face.weight = wish.weight;
            resolution.face.italic = wish.italic;
        }
    }
    cache.insert(name, resolution);
    return resolution;
}

} // namespace

// Text is set at 96 dots an inch on every desktop (the program starts Qt so), where a point is
// three quarters of a pixel.
constexpr double pointsPerUnit = 72.0 / 96.0;

std::optional<QFont> FontManager::fontWithName(const QString& name, double size)
{
    if (name.isEmpty())
        return std::nullopt;
    const Resolution resolution = resolve(name);
    QFont font;
    QStringList families{resolution.face.family};
    if (name != resolution.face.family)
        families.append(name);
    font.setFamilies(families);
    font.setWeight(QFont::Weight(resolution.face.weight));
    font.setItalic(resolution.face.italic || resolution.synthesizeItalic);
    if (!resolution.synthesizeItalic && !resolution.face.style.isEmpty())
        font.setStyleName(resolution.face.style);
    if (resolution.face.stretch != 100)
        font.setStretch(resolution.face.stretch);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF((size > 0 ? size : 12.0) * pointsPerUnit);
    return font;
}

QStringList FontManager::availableFonts()
{
    return faceTable().names;
}

QString FontManager::fontName(const QFont& font)
{
    // The requested name travels with the font as its second family; the first is the installed
    // one, so the way the font looks never depends on the requested name.
    const QStringList families = font.families();
    if (families.size() >= 2)
        return families.at(1);
    const QString family = families.isEmpty() ? font.family() : families.constFirst();
    const QString installed = faceTable().familyByNormalizedName.value(normalized(family));
    if (installed.isEmpty())
        return family;
    Wish wish;
    wish.weight = font.weight();
    wish.italic = font.italic();
    wish.stretch = font.stretch() > 0 ? font.stretch() : 100;
    if (!font.styleName().isEmpty()) {
        for (const Face& face : faceTable().faces)
            if (face.family == installed && face.style == font.styleName())
                return face.postscriptName;
    }
    const Face* face = nearestFace(installed, wish);
    return face != nullptr ? face->postscriptName : family;
}

double FontManager::size(const QFont& font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() / pointsPerUnit : font.pixelSize();
}

FontManager::Face FontManager::resolvedFace(const QString& name)
{
    return resolve(name).face;
}

} // namespace sleevelight
