#pragma once

#include <QString>
#include <QStringList>

// Starting Qt's window system plugin the same way on every desktop, and in a way a user can act on.
//
// When no platform plugin can start (no X server, a Wayland session without Qt's Wayland plugin, a
// display that refuses us), Qt prints a message meant for developers and aborts. Between
// `prepare()` and `started()` Qt's messages are held back instead; if Qt gives up, one line saying
// what is missing is printed and the process ends with status 2.
namespace sleevelight::PlatformStart {

inline constexpr int failureStatus = 2;

// What the desktop offers, as far as the choice of a platform plugin goes.
struct Environment
{
    QString display;        // DISPLAY
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString requested;      // QT_QPA_PLATFORM, when the user asked for one
    QStringList plugins;    // platform plugins installed: "xcb", "wayland", "offscreen" …
};

// The environment of this process and the platform plugins Qt can find.
Environment current();

// The one line printed when no platform plugin could start, without a trailing newline.
QString failureMessage(const Environment& environment);

// Call before the application object. Fixes the text resolution at 96 dots an inch, so that a
// point is 4/3 of the display's pixels on every desktop: Qt otherwise takes the resolution of the
// screen it knows when it makes its default font, and on Wayland, where screens are announced
// later, that is its fallback of 100 (text 4 % larger than under X11). A desktop's own font
// resolution (Xft.dpi) would likewise make the text outgrow a layout measured in pixels.
// Then installs the message handler that holds Qt's messages back.
void prepare();

// Lets the held messages through (a started platform's warnings still matter) and restores the
// usual handler; call once the application object stands.
void started();

} // namespace sleevelight::PlatformStart
