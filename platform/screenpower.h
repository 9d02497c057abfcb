#pragma once

#include <QString>

#include <memory>

class QDBusConnection;

namespace sleevelight {

// Turns the screen itself off, and on again, the window system's own way: the X server's DPMS,
// a wlroots compositor's output power management (sway, labwc), KWin's DPMS, or GNOME's power
// save mode.
// Requests are sent and never waited for.
class ScreenPower
{
public:
    virtual ~ScreenPower() = default;

    // The way, for the log: "DPMS", "wlr output power management".
    virtual QString way() const = 0;
    // False when the window system turned out not to offer it.
    virtual bool setOn(bool on) = 0;

    // The way of the window system the application runs on; null where it offers none (offscreen,
    // an X server without the extension, a compositor without any of these).
    static std::unique_ptr<ScreenPower> forPlatform();
};

// What the DPMS way asks of the X server, in one place, so that a test can stand in for the server.
class DpmsRequests
{
public:
    virtual ~DpmsRequests() = default;

    // Whether the server has the extension; asked at start, known without waiting by the time the
    // screen goes off.
    virtual bool isOffered() = 0;
    // Power management on (forcing a level needs it), then the level: on, or off.
    virtual void enable() = 0;
    virtual void forceLevel(bool on) = 0;
};

// The DPMS way over those requests: on the X server, or a test's stand-in.
std::unique_ptr<ScreenPower> dpmsScreenPower(std::unique_ptr<DpmsRequests> requests);

// GNOME's way on Wayland: the power save mode of Mutter's display configuration, on that session
// bus (the one gnome-settings-daemon sets when the screen blanks).
std::unique_ptr<ScreenPower> mutterScreenPower(const QDBusConnection& bus);

} // namespace sleevelight
