#pragma once

#include <QString>

#include <memory>

namespace sleevelight {

// Keeps the display from sleeping while an assertion is held.
class PowerAssertion
{
public:
    virtual ~PowerAssertion() = default;

    // Takes an assertion named `reason`; on success returns true and fills `id`.
    virtual bool create(const QString& reason, quint32* id) = 0;
    // Gives it back; the result is not reported.
    virtual void release(quint32 id) = 0;

    // The desktop's screen-saver inhibition on the session bus.
    static std::unique_ptr<PowerAssertion> createDefault();
};

} // namespace sleevelight
