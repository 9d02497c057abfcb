#include "interaction/playerfollowing.h"

#include "app/appdelegate.h"
#include "player/itunesbridgeprotocol.h"

namespace sleevelight {

PlayerFollowing::PlayerFollowing(AppDelegate& app) : DisplayFeature(app)
{
    connect(app.iTunesBridge.get(), &iTunesBridgeProtocol::chosenPlayerLeft, this,
            [this](const QString& name) {
                if (!name.isEmpty())
                    this->app.showAlertInfo(nowFollowingText.arg(name));
            });
}

void PlayerFollowing::livePreferencesChanged()
{
    const Preferences& live = app.livePreferences();
    app.iTunesBridge->setPlayerRules(live.preferredPlayers, live.ignoredPlayers);
    app.iTunesBridge->setMusicServers(live.mpdServers, live.mpdMusicFolder);
}

bool PlayerFollowing::keyPressed(KeyCommand command)
{
    if (command != KeyCommand::NextPlayer)
        return false;
    const QString name = app.iTunesBridge->followNextPlayer();
    app.showAlertInfo(name.isEmpty() ? noPlayerText : nowFollowingText.arg(name));
    return true;
}

void PlayerFollowing::follow(const QString& name)
{
    const QString followed = app.iTunesBridge->followPlayer(name);
    app.showAlertInfo(followed.isEmpty() ? noPlayerText : nowFollowingText.arg(followed));
}

} // namespace sleevelight
