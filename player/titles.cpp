#include "player/titles.h"

#include <QList>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace sleevelight::titles {

namespace {

const QList<QRegularExpression>& noisePatterns()
{
    static const QList<QRegularExpression> patterns = [] {
        QList<QRegularExpression> list;
        for (const Noise& kind : noise)
            list << QRegularExpression(QString::fromUtf8(kind.pattern),
                                       QRegularExpression::CaseInsensitiveOption);
        return list;
    }();
    return patterns;
}

} // namespace

QString cleanTitle(const QString& title)
{
    QString cleaned = title;
    for (const QRegularExpression& pattern : noisePatterns())
        cleaned.remove(pattern);
    cleaned = cleaned.trimmed();
    return cleaned.isEmpty() ? title : cleaned;
}

std::optional<ArtistAndTitle> splitArtistFromTitle(const QString& title)
{
    static const QRegularExpression dash(u"\\s+[-–—]\\s+"_s);
    const QRegularExpressionMatch match = dash.match(title);
    if (!match.hasMatch())
        return std::nullopt;
    const QString artist = title.left(match.capturedStart()).trimmed();
    const QString rest = title.mid(match.capturedEnd()).trimmed();
    if (artist.isEmpty() || rest.isEmpty())
        return std::nullopt;
    return ArtistAndTitle{artist, rest};
}

} // namespace sleevelight::titles
