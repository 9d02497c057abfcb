#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

#include <optional>

#ifndef SLEEVELIGHT_UPDATE_CHECK
#define SLEEVELIGHT_UPDATE_CHECK 1
#endif

namespace sleevelight {

using namespace Qt::StringLiterals;

// Whether this build has the update check: a distribution that updates the display itself leaves
// it out (the CMake option SLEEVELIGHT_UPDATE_CHECK), and then it never asks the network anything.
inline constexpr bool updateCheckBuilt = SLEEVELIGHT_UPDATE_CHECK;

// Where the application asks for new versions, and how long and how much it waits for them.
class UpdateSite
{
public:
    static inline const QString folderPath = u"/contents/software/sleevelight/latest/"_s;
    static inline const QString versionPagePath = folderPath + u"version.html"_s;
    // The SHA-256 of every file of the folder, as sha256sum writes them.
    static inline const QString sumsPath = folderPath + u"SHA256SUMS"_s;
    // The Debian package of the architecture this build was made for: sleevelight_amd64.deb.
    static QString packageName();
    static QString packagePath() { return folderPath + packageName(); }
    // The command that installs the package saved under `name`.
    static QString installCommand(const QString& name) { return u"sudo apt install ./"_s + name; }

    // Scheme and host of the product's site: SLEEVELIGHT_SITE when it holds an http or https
    // address, else what the build set, unless a test set another.
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
        // The longest silence during the download of the package.
        int downloadStallMs = 30'000;
        qint64 packageMaxBytes = qint64(2) * 1024 * 1024 * 1024;
    };
    static Limits limits();
    // Tests shorten the waits; a default-made Limits restores these values.
    static void setLimits(const Limits& limits);

    // The version page's body as text; none when it is not UTF-8.
    static std::optional<QString> pageText(const QByteArray& body);
    // What versions are compared by: the text before the first space, or all of it, without the
    // white space around it (the line break an editor ends the file with).
    static QString versionToken(const QString& text);
    // The SHA-256 (32 bytes) a sums file gives for the file `name`, as `sha256sum` writes it
    // ("<64 hex digits>  <name>", or " *<name>" for binary mode); none without such a line.
    static std::optional<QByteArray> sha256For(const QString& sums, const QString& name);
};

} // namespace sleevelight
