#pragma once

#include <QList>

namespace sleevelight {

class PlayerSource;

// The sources of players the application follows, new, for the bridge to own. A new kind of
// source is added here, and nowhere else.
QList<PlayerSource*> applicationSources();

} // namespace sleevelight
