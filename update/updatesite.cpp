#include "update/updatesite.h"

#include "player/track.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace sleevelight {

namespace {
QString g_site;
UpdateSite::Limits g_limits;
} // namespace

QString UpdateSite::site()
{
    if (!g_site.isEmpty())
        return g_site;
    static const QString fromEnvironment = [] {
        const QString site = qEnvironmentVariable("SLEEVELIGHT_SITE");
        if (isWebAddress(site))
            return site;
        if (!site.isEmpty())
            qWarning("Sleevelight: SLEEVELIGHT_SITE is not an http or https address; using %s",
                     SLEEVELIGHT_SITE);
        return QString();
    }();
    return fromEnvironment.isEmpty() ? QStringLiteral(SLEEVELIGHT_SITE) : fromEnvironment;
}

QString UpdateSite::packageName()
{
    return QStringLiteral("sleevelight_" SLEEVELIGHT_DEB_ARCH ".deb");
}

QUrl UpdateSite::address(const QString& path)
{
    QString base = site();
    while (base.endsWith(u'/'))
        base.chop(1);
    return QUrl(base + path, QUrl::StrictMode);
}

void UpdateSite::setSite(const QString& site)
{
    g_site = site;
}

UpdateSite::Limits UpdateSite::limits()
{
    return g_limits;
}

void UpdateSite::setLimits(const Limits& limits)
{
    g_limits = limits;
}

std::optional<QString> UpdateSite::pageText(const QByteArray& body)
{
    // Stateless: a sequence cut off at the end is an error, not the start of more to come.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString UpdateSite::versionToken(const QString& text)
{
    // Editors end a file with a line break (on Windows with two characters); it is no part of the
    // version, nor is white space before it.
    return text.trimmed().section(u' ', 0, 0).trimmed();
}

std::optional<QByteArray> UpdateSite::sha256For(const QString& sums, const QString& name)
{
    static const QRegularExpression line(uR"(^([0-9A-Fa-f]{64}) [ *](.+)$)"_s);
    for (QStringView text : QStringView(sums).split(u'\n')) {
        if (text.endsWith(u'\r'))
            text.chop(1);
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch() && match.capturedView(2) == name)
            return QByteArray::fromHex(match.capturedView(1).toLatin1());
    }
    return std::nullopt;
}

} // namespace sleevelight
