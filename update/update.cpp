// Asking the product's site for a newer version, and fetching it.

#include "app/appdelegate.h"

#include "display/utility.h"
#include "platform/httpfetch.h"
#include "platform/savepanel.h"
#include "platform/views/panel.h"
#include "platform/views/textfield.h"
#include "update/updatesite.h"

#include <QDir>
#include <QPushButton>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// The waits below run a local event loop, so the user can reach the update actions again
// while one is under way; one network wait at a time, the others do nothing.
bool g_updateBusy = false;

class BusyScope
{
public:
    BusyScope() { g_updateBusy = true; }
    ~BusyScope() { g_updateBusy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// A small text file of the site's update folder, or none when it cannot be read in time, in full,
// as UTF-8.
std::optional<QString> readSiteText(const QString& path)
{
    const QUrl url = UpdateSite::address(path);
    if (!url.isValid())
        return std::nullopt;
    const UpdateSite::Limits limits = UpdateSite::limits();
    const HttpFetch::Result result = HttpFetch::get(url, limits.pageMaxBytes, limits.pageTimeoutMs);
    if (!result.ok())
        return std::nullopt;
    return UpdateSite::pageText(result.body);
}

std::optional<QString> readVersionPage()
{
    BusyScope busy;
    return readSiteText(UpdateSite::versionPagePath);
}

// The SHA-256 the site publishes for the file `name`; none when its sums file cannot be read or
// names no such file.
std::optional<QByteArray> publishedSha256(const QString& name)
{
    const std::optional<QString> sums = readSiteText(UpdateSite::sumsPath);
    return sums ? UpdateSite::sha256For(*sums, name) : std::nullopt;
}

void showReport(TextField* field, const QString& title, const QString& detail)
{
    Utility::styleAttributedText(field, title, {.font = u".SFNSText-Bold"_s, .size = 13.0}, false);
    Utility::styleAttributedText(field, detail, {.font = u".SFNSText"_s, .size = 11.0}, true);
}

} // namespace

QString AppDelegate::versionString() const
{
    return QStringLiteral("v" SLEEVELIGHT_VERSION " (" SLEEVELIGHT_BUILD_NUMBER ")");
}

int AppDelegate::isUpdateAvailable()
{
    if (!updateCheckBuilt || g_updateBusy)
        return -1;
    const std::optional<QString> page = readVersionPage();
    if (!page)
        return -1;
    return UpdateSite::versionToken(*page) == UpdateSite::versionToken(versionString()) ? 0 : 1;
}

void AppDelegate::checkForUpdate(QObject*)
{
    if (!updateCheckBuilt || g_updateBusy || !mCheckForUpdatePanel)
        return;
    mCheckForUpdatePanel->makeKeyAndOrderFront();

    const QString localToken = UpdateSite::versionToken(versionString());
    const std::optional<QString> page = readVersionPage();
    if (!mCheckForUpdatePanel || !mUpdateDescription || !mUpdateDone || !mUpdateDownload)
        return;

    bool returnCloses = true;
    if (!page) {
        showReport(mUpdateDescription, u"Can't get the update info now."_s,
                   u"\r\n\r\nTry it later, please. Or Check the internet connection."_s);
    } else if (const QString pageToken = UpdateSite::versionToken(*page); pageToken == localToken) {
        showReport(mUpdateDescription, u"Sleevelight is up-to-date."_s,
                   u"\r\n\r\nYour current version is "_s + pageToken + u". No new version is available."_s);
    } else {
        showReport(mUpdateDescription, u"A new version of Sleevelight is available."_s,
                   u"\r\n\r\nSleevelight "_s + pageToken + u" is available. You have "_s + localToken +
                       u"."_s);
        returnCloses = false;
    }
    // Return presses the default button; with a new version it presses nothing.
    mUpdateDone->setDefault(returnCloses);
    mUpdateDownload->setVisible(!returnCloses);
}

void AppDelegate::checkForUpdateDownload(QObject*)
{
    if (!updateCheckBuilt || g_updateBusy || !mCheckForUpdatePanel)
        return;

    const auto reportError = [this] {
        if (!mCheckForUpdatePanel)
            return;
        showReport(mUpdateDescription, u"Download error"_s,
                   u"\r\n\r\nTry it later. Or Check the internet connection."_s);
        // The panel may have been closed while the package was on its way; the error must still be seen.
        if (!mCheckForUpdatePanel->isVisible())
            mCheckForUpdatePanel->makeKeyAndOrderFront();
    };

    const QUrl package = UpdateSite::address(UpdateSite::packagePath());
    if (!package.isValid() || package.fileName().isEmpty())
        return reportError();

    SavePanel panel;
    panel.directory = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0);
    panel.message = u"Save to ..."_s;
    panel.nameFieldStringValue = package.fileName();
    panel.allowedFileTypes = {u"deb"_s};
    panel.canCreateDirectories = true;
    panel.allowsOtherFileTypes = false;
    bool confirmed = false;
    {
        BusyScope busy;
        confirmed = panel.runModal(mCheckForUpdatePanel);
    }
    if (!mCheckForUpdatePanel)
        return;
    if (!confirmed) {
        mCheckForUpdatePanel->close();
        return;
    }

    const QString folder = panel.directoryURL();
    if (folder.isEmpty())
        return reportError();
    // Saved under the package's own name, whatever name was typed.
    const QString destination = QDir(folder).filePath(package.fileName());

    // Kept only when its bytes are the ones the site's sums file names for it.
    const UpdateSite::Limits limits = UpdateSite::limits();
    HttpFetch::Result result;
    {
        BusyScope busy;
        const QPointer<QPushButton> download = mUpdateDownload;
        if (download)
            download->setEnabled(false);
        const std::optional<QByteArray> sha256 = publishedSha256(package.fileName());
        if (sha256)
            result = HttpFetch::download(package, destination, limits.packageMaxBytes, limits.downloadStallMs,
                                         *sha256);
        if (download)
            download->setEnabled(true);
    }
    if (!result.ok())
        return reportError();
    qInfo("Sleevelight: saved the new version as %s; install it with: %s", qPrintable(destination),
          qPrintable(UpdateSite::installCommand(package.fileName())));
    if (mCheckForUpdatePanel)
        mCheckForUpdatePanel->close();
}

void AppDelegate::checkForUpdateDone(QObject*)
{
    if (mCheckForUpdatePanel)
        mCheckForUpdatePanel->close();
}

} // namespace sleevelight
