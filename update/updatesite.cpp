#include "update/updatesite.h"

#include <QStringDecoder>

namespace sleevelight {

namespace {
QString g_site;
UpdateSite::Limits g_limits;
} // namespace

QString UpdateSite::site()
{
    return g_site.isEmpty() ? QStringLiteral(SLEEVELIGHT_SITE) : g_site;
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
    return text.section(u' ', 0, 0);
}

} // namespace sleevelight
