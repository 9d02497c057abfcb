#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace sleevelight {

using namespace Qt::StringLiterals;

// Where the application asks for new versions, and how long and how much it waits for them.
class UpdateSite
{
public:
    static inline const QString versionPagePath = u"/contents/software/sleevelight/latest/version.html"_s;
    static inline const QString diskImagePath = u"/contents/software/sleevelight/latest/Sleevelight.dmg"_s;

    // Scheme and host of the product's site, as the build set them unless overridden.
    static QString site();
    // The site plus `path`; an invalid address when the two do not make one.
    static QUrl address(const QString& path);
    // Tests point the application at a server of their own; an empty string restores the build's site.
    static void setSite(const QString& site);

    struct Limits
    {
        int pageTimeoutMs = 10'000;
        // A version page holds a version and a build number; anything much longer is not one.
        qint64 pageMaxBytes = 4 * 1024;
        // The longest silence during the download of the disk image.
        int downloadStallMs = 30'000;
        qint64 diskImageMaxBytes = qint64(2) * 1024 * 1024 * 1024;
    };
    static Limits limits();
    // Tests shorten the waits; a default-made Limits restores these values.
    static void setLimits(const Limits& limits);

    // The version page's body as text; none when it is not UTF-8.
    static std::optional<QString> pageText(const QByteArray& body);
    // What versions are compared by: the text before the first space, or all of it (a line
    // break stays in it).
    static QString versionToken(const QString& text);
};

} // namespace sleevelight
