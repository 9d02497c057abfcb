// Asking the product's site for a newer version, and fetching it.

#include "app/appdelegate.h"

QString AppDelegate::versionString() const
{
    return QStringLiteral("v" SLEEVELIGHT_VERSION " (" SLEEVELIGHT_BUILD_NUMBER ")");
}

int AppDelegate::isUpdateAvailable()
{
    return -1;
}

void AppDelegate::checkForUpdate(QObject*) {}

void AppDelegate::checkForUpdateDownload(QObject*) {}

void AppDelegate::checkForUpdateDone(QObject*) {}
