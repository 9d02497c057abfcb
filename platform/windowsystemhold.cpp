#include "platform/windowsystemhold.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// Within the shortest screen-saver timeout an X server is commonly given (xset s 15): tools that
// watch the idle time (xautolock) see it start again too.
constexpr int x11ResetMs = 10'000;

// X11: the screen-saver extension's suspend holds off both the server's screen saver and its
// power management (DPMS), and ends by itself should the process end; the saver's timer is also
// reset every few seconds, which covers servers without the extension.
class X11Hold : public WindowSystemHold
{
public:
    explicit X11Hold(xcb_connection_t* connection) : m_connection(connection)
    {
        // Asked now, read at the first hold: no wait for the server then.
        xcb_prefetch_extension_data(m_connection, &xcb_screensaver_id);
        m_reset.setInterval(x11ResetMs);
        QObject::connect(&m_reset, &QTimer::timeout, [this] { reset(); });
    }
    ~X11Hold() override { release(); }

    bool hold() override
    {
        if (m_reset.isActive())
            return true;
        const xcb_query_extension_reply_t* extension =
            xcb_get_extension_data(m_connection, &xcb_screensaver_id);
        m_suspended = extension != nullptr && extension->present;
        if (m_suspended)
            xcb_screensaver_suspend(m_connection, 1);
        reset();
        m_reset.start();
        return true;
    }

    void release() override
    {
        if (!m_reset.isActive())
            return;
        m_reset.stop();
        if (m_suspended)
            xcb_screensaver_suspend(m_connection, 0);
        m_suspended = false;
        xcb_flush(m_connection);
    }

private:
    void reset()
    {
        xcb_force_screen_saver(m_connection, XCB_SCREEN_SAVER_RESET);
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    QTimer m_reset;
    bool m_suspended = false;
};

// Wayland: an idle inhibitor on the surface of the application's main window, which the
// compositor honours while that surface is shown.
class WaylandHold : public WindowSystemHold
{
public:
    explicit WaylandHold(wl_display* display) : m_display(display) {}
    ~WaylandHold() override
    {
        release();
        if (m_manager != nullptr)
            zwp_idle_inhibit_manager_v1_destroy(m_manager);
        if (m_registry != nullptr)
            wl_registry_destroy(m_registry);
        if (m_queue != nullptr)
            wl_event_queue_destroy(m_queue);
    }

    bool hold() override
    {
        QWindow* window = mainWindow();
        auto* surface =
            window == nullptr
                ? nullptr
                : static_cast<wl_surface*>(
                      QGuiApplication::platformNativeInterface()->nativeResourceForWindow("surface", window));
        if (surface == nullptr || !bindManager())
            return false;
        if (m_inhibitor != nullptr && surface == m_surface)
            return true;
        release();
        m_inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(m_manager, surface);
        m_surface = surface;
        wl_display_flush(m_display);
        return m_inhibitor != nullptr;
    }

    void release() override
    {
        if (m_inhibitor == nullptr)
            return;
        zwp_idle_inhibitor_v1_destroy(m_inhibitor);
        m_inhibitor = nullptr;
        m_surface = nullptr;
        wl_display_flush(m_display);
    }

private:
    // The largest window shown: the display, not a panel beside it.
    static QWindow* mainWindow()
    {
        QWindow* largest = nullptr;
        for (QWindow* window : QGuiApplication::topLevelWindows())
            if (window->isVisible() && (largest == nullptr || window->width() * window->height() >
                                                                  largest->width() * largest->height()))
                largest = window;
        return largest;
    }

    // The compositor's inhibit manager, looked up once on a queue of our own so that Qt's
    // dispatch of its own queue is not disturbed.
    bool bindManager()
    {
        if (m_manager != nullptr || m_looked)
            return m_manager != nullptr;
        m_looked = true;
        m_queue = wl_display_create_queue(m_display);
        auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(m_display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), m_queue);
        m_registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
                auto* self = static_cast<WaylandHold*>(data);
                if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0 &&
                    self->m_manager == nullptr)
                    self->m_manager = static_cast<zwp_idle_inhibit_manager_v1*>(
                        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
            },
            [](void*, wl_registry*, uint32_t) {},
        };
        wl_registry_add_listener(m_registry, &listener, this);
        // One round trip to the compositor, on the same machine, answered at once.
        wl_display_roundtrip_queue(m_display, m_queue);
        return m_manager != nullptr;
    }

    wl_display* m_display;
    wl_event_queue* m_queue = nullptr;
    wl_registry* m_registry = nullptr;
    zwp_idle_inhibit_manager_v1* m_manager = nullptr;
    zwp_idle_inhibitor_v1* m_inhibitor = nullptr;
    wl_surface* m_surface = nullptr;
    bool m_looked = false;
};

} // namespace

std::unique_ptr<WindowSystemHold> WindowSystemHold::forPlatform()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == "xcb"_L1) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            if (xcb_connection_t* connection = x11->connection())
                return std::make_unique<X11Hold>(connection);
    } else if (platform.startsWith("wayland"_L1)) {
        if (QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface())
            if (auto* display = static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")))
                return std::make_unique<WaylandHold>(display);
    }
    return nullptr;
}

} // namespace sleevelight
