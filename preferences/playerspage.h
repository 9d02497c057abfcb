#pragma once

#include "display/displayfeature.h"

#include <QStringList>

namespace sleevelight {

// The preferences' players page: the players there now and those the preferences name, each to
// follow as usual, to prefer or to ignore, and the music servers to follow and where their music
// is, all edited in the working copy like every preference.
class PlayersPage : public DisplayFeature
{
    Q_OBJECT

public:
    using DisplayFeature::DisplayFeature;

    static inline const QStringList playerChoiceTexts = {QStringLiteral("Follow as usual"),
                                                         QStringLiteral("Prefer"), QStringLiteral("Ignore")};

    void preferencePanelFilled() override;

private:
    void fillPlayersList();
    void fillServers();
    void playersListChanged();
};

} // namespace sleevelight
