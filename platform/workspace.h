#pragma once

#include <QUrl>

#include <functional>

namespace sleevelight {

// Opens addresses in the user's browser.
class Workspace
{
public:
    static bool openURL(const QUrl& url);
    // Tests see the addresses instead of a browser opening; an empty function restores the browser.
    static void setOpener(std::function<bool(const QUrl&)> opener);
};

} // namespace sleevelight
