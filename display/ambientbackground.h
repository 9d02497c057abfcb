#pragma once

#include "display/displayfeature.h"
#include "platform/image.h"

namespace sleevelight {

// The soft, dim copy of the artwork behind everything (ambientBackground): made from the picture
// shown whenever it changes, darkened until the dimmest text keeps its contrast against it.
class AmbientBackground : public DisplayFeature
{
    Q_OBJECT

public:
    using DisplayFeature::DisplayFeature;

    void viewItemsUpdated() override { apply(); }

private:
    void apply();

    // The picture the background was made from (none while it is off), and whether from the
    // picture itself or from its preview.
    Image m_madeFrom;
    bool m_madeFromDecoded = false;
};

} // namespace sleevelight
