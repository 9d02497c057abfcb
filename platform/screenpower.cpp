#include "platform/screenpower.h"

#include "kde-dpms-client-protocol.h"
#include "wlr-output-power-management-unstable-v1-client-protocol.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QList>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>
#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

class DpmsPower : public ScreenPower
{
public:
    explicit DpmsPower(std::unique_ptr<DpmsRequests> requests) : m_requests(std::move(requests)) {}

    QString way() const override { return u"DPMS"_s; }

    bool setOn(bool on) override
    {
        if (!m_requests->isOffered())
            return false;
        // Forcing a level needs power management on; it is left on, as the X server's own
        // timeouts are held off while music plays anyway.
        m_requests->enable();
        m_requests->forceLevel(on);
        return true;
    }

private:
    std::unique_ptr<DpmsRequests> m_requests;
};

class XcbDpms : public DpmsRequests
{
public:
    explicit XcbDpms(xcb_connection_t* connection) : m_connection(connection)
    {
        // Asked now, answered while the display runs: read without waiting later.
        xcb_prefetch_extension_data(m_connection, &xcb_dpms_id);
    }

    bool isOffered() override
    {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_dpms_id);
        return extension != nullptr && extension->present;
    }
    void enable() override { xcb_dpms_enable(m_connection); }
    void forceLevel(bool on) override
    {
        xcb_dpms_force_level(m_connection, on ? XCB_DPMS_DPMS_MODE_ON : XCB_DPMS_DPMS_MODE_OFF);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
};

// Every output of a Wayland compositor that lets clients power them: wlroots' output power
// manager (sway, labwc) or KWin's DPMS manager, on an event queue of its own so that Qt's
// dispatching never sees these objects. Their events (the modes, a failure) are read and let go.
class WaylandPower : public ScreenPower
{
public:
    explicit WaylandPower(wl_display* display) : m_display(display) {}

    ~WaylandPower() override
    {
        for (zwlr_output_power_v1* power : std::as_const(m_wlrPowers))
            zwlr_output_power_v1_destroy(power);
        for (org_kde_kwin_dpms* dpms : std::as_const(m_kdePowers))
            org_kde_kwin_dpms_release(dpms);
        for (wl_output* output : std::as_const(m_outputs))
            wl_output_destroy(output);
        if (m_wlrManager != nullptr)
            zwlr_output_power_manager_v1_destroy(m_wlrManager);
        if (m_kdeManager != nullptr)
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_kdeManager));
        if (m_registry != nullptr)
            wl_registry_destroy(m_registry);
        if (m_queue != nullptr)
            wl_event_queue_destroy(m_queue);
    }

    // True when the compositor offers either manager.
    bool bind()
    {
        m_queue = wl_display_create_queue(m_display);
        auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(m_display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), m_queue);
        m_registry = wl_display_get_registry(wrapper);
        wl_proxy_wrapper_destroy(wrapper);
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
                auto* self = static_cast<WaylandPower*>(data);
                if (std::strcmp(interface, zwlr_output_power_manager_v1_interface.name) == 0)
                    self->m_wlrManager = static_cast<zwlr_output_power_manager_v1*>(
                        wl_registry_bind(registry, name, &zwlr_output_power_manager_v1_interface, 1));
                else if (std::strcmp(interface, org_kde_kwin_dpms_manager_interface.name) == 0)
                    self->m_kdeManager = static_cast<org_kde_kwin_dpms_manager*>(
                        wl_registry_bind(registry, name, &org_kde_kwin_dpms_manager_interface, 1));
                else if (std::strcmp(interface, wl_output_interface.name) == 0 && self->m_outputs.size() < 16)
                    self->m_outputs << static_cast<wl_output*>(
                        wl_registry_bind(registry, name, &wl_output_interface, 1));
            },
            [](void*, wl_registry*, uint32_t) {},
        };
        wl_registry_add_listener(m_registry, &listener, this);
        // The compositor's list of globals, once, as the idle inhibitor asks for its own.
        wl_display_roundtrip_queue(m_display, m_queue);
        return m_wlrManager != nullptr || m_kdeManager != nullptr;
    }

    QString way() const override
    {
        return m_wlrManager != nullptr ? u"wlr output power management"_s : u"KWin's DPMS"_s;
    }

    bool setOn(bool on) override
    {
        if (m_wlrManager != nullptr) {
            if (m_wlrPowers.isEmpty())
                for (wl_output* output : std::as_const(m_outputs))
                    m_wlrPowers << zwlr_output_power_manager_v1_get_output_power(m_wlrManager, output);
            for (zwlr_output_power_v1* power : std::as_const(m_wlrPowers))
                zwlr_output_power_v1_set_mode(power, on ? ZWLR_OUTPUT_POWER_V1_MODE_ON
                                                        : ZWLR_OUTPUT_POWER_V1_MODE_OFF);
        } else {
            if (m_kdePowers.isEmpty())
                for (wl_output* output : std::as_const(m_outputs))
                    m_kdePowers << org_kde_kwin_dpms_manager_get(m_kdeManager, output);
            for (org_kde_kwin_dpms* dpms : std::as_const(m_kdePowers))
                org_kde_kwin_dpms_set(dpms, on ? ORG_KDE_KWIN_DPMS_MODE_ON : ORG_KDE_KWIN_DPMS_MODE_OFF);
        }
        wl_display_flush(m_display);
        wl_display_dispatch_queue_pending(m_display, m_queue);
        return !m_outputs.isEmpty();
    }

private:
    wl_display* m_display;
    wl_event_queue* m_queue = nullptr;
    wl_registry* m_registry = nullptr;
    zwlr_output_power_manager_v1* m_wlrManager = nullptr;
    org_kde_kwin_dpms_manager* m_kdeManager = nullptr;
    QList<wl_output*> m_outputs;
    QList<zwlr_output_power_v1*> m_wlrPowers;
    QList<org_kde_kwin_dpms*> m_kdePowers;
};

class MutterPower : public ScreenPower
{
public:
    explicit MutterPower(const QDBusConnection& bus) : m_bus(bus) {}

    QString way() const override { return u"GNOME's power save mode"_s; }

    bool setOn(bool on) override
    {
        // Mutter's modes: 0 on, 3 off.
        QDBusMessage set = QDBusMessage::createMethodCall(
            u"org.gnome.Mutter.DisplayConfig"_s, u"/org/gnome/Mutter/DisplayConfig"_s,
            u"org.freedesktop.DBus.Properties"_s, u"Set"_s);
        set << u"org.gnome.Mutter.DisplayConfig"_s << u"PowerSaveMode"_s
            << QVariant::fromValue(QDBusVariant(on ? 0 : 3));
        return m_bus.send(set);
    }

private:
    QDBusConnection m_bus;
};

} // namespace

std::unique_ptr<ScreenPower> mutterScreenPower(const QDBusConnection& bus)
{
    return std::make_unique<MutterPower>(bus);
}

std::unique_ptr<ScreenPower> dpmsScreenPower(std::unique_ptr<DpmsRequests> requests)
{
    return std::make_unique<DpmsPower>(std::move(requests));
}

std::unique_ptr<ScreenPower> ScreenPower::forPlatform()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application == nullptr)
        return nullptr;
    if (auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t* connection = x11->connection())
            return dpmsScreenPower(std::make_unique<XcbDpms>(connection));
        return nullptr;
    }
    if (QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        auto* display = native != nullptr
                            ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"))
                            : nullptr;
        if (display == nullptr)
            return nullptr;
        auto power = std::make_unique<WaylandPower>(display);
        if (power->bind())
            return power;
        if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"GNOME"_s, Qt::CaseInsensitive))
            return mutterScreenPower(QDBusConnection::sessionBus());
    }
    return nullptr;
}

} // namespace sleevelight
