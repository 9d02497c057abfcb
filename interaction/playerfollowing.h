#pragma once

#include "display/displayfeature.h"

#include <QString>

namespace sleevelight {

// Which player the display follows, as the user has it: key p follows the next player, the
// preferences prefer or ignore players, and a notice says who is followed when the player chosen
// goes.
class PlayerFollowing : public DisplayFeature
{
    Q_OBJECT

public:
    explicit PlayerFollowing(AppDelegate& app);

    static inline const QString nowFollowingText = QStringLiteral("Now following: %1");
    static inline const QString noPlayerText = QStringLiteral("No player to follow");

    void livePreferencesChanged() override;
    bool keyPressed(KeyCommand command) override;
    // Follows the player that calls itself `name` (the remote's choice), with the same notice.
    void follow(const QString& name);
};

} // namespace sleevelight
