#include "platform/workspace.h"

#include <QDesktopServices>

namespace sleevelight {

namespace {
std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> function;
    return function;
}
} // namespace

bool Workspace::openURL(const QUrl& url)
{
    // An address without a scheme would be taken for a local file.
    if (!url.isValid() || url.isEmpty() || url.isRelative())
        return false;
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void Workspace::setOpener(std::function<bool(const QUrl&)> function)
{
    opener() = std::move(function);
}

} // namespace sleevelight
