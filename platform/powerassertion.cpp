#include "platform/powerassertion.h"

namespace sleevelight {

namespace {
class NoPowerAssertion : public PowerAssertion
{
public:
    bool create(const QString&, quint32*) override { return false; }
    void release(quint32) override {}
};
} // namespace

std::unique_ptr<PowerAssertion> PowerAssertion::createDefault()
{
    return std::make_unique<NoPowerAssertion>();
}

} // namespace sleevelight
