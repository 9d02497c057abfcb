#pragma once

#include <memory>

namespace sleevelight {

// Keeps the screen from blanking through the window system itself, for desktops that offer no
// screen-saver service on the bus: the X server's own screen saver and power management (bare
// window managers such as i3 or openbox, with xss-lock or xautolock on top), or the compositor's
// idle inhibitor on the window's surface (sway, Hyprland, weston).
class WindowSystemHold
{
public:
    virtual ~WindowSystemHold() = default;

    // True when the screen is now held awake; holding again while held changes nothing.
    virtual bool hold() = 0;
    virtual void release() = 0;

    // The hold of the window system the application runs on; null where there is none to ask
    // (offscreen), or the window system offers no way.
    static std::unique_ptr<WindowSystemHold> forPlatform();
};

} // namespace sleevelight
