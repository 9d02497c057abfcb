#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace sleevelight {

// Keeps the display from sleeping while an assertion is held.
class PowerAssertion
{
public:
    virtual ~PowerAssertion() = default;

    // Takes an assertion named `reason`; on success returns true and fills `id`. It never waits:
    // where the answer comes later, a refusal then is told through `lost`.
    virtual bool create(const QString& reason, quint32* id) = 0;
    // Gives it back; the result is not reported.
    virtual void release(quint32 id) = 0;

    // Called with the id of an assertion that turned out not to hold after all.
    std::function<void(quint32 id)> lost;

    // The desktop's screen-saver inhibition on the session bus (its own service, else the desktop
    // portal), else the window system's own way (the X server's saver, the Wayland compositor's
    // idle inhibitor).
    static std::unique_ptr<PowerAssertion> createDefault();
};

} // namespace sleevelight
