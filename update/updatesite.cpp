#include "update/updatesite.h"

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

} // namespace sleevelight
