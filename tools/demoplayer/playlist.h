#pragma once

#include "tools/demoplayer/demoplayer.h"

namespace sleevelight::demo {

// Writes the demo tracks into `folder` (a short silent WAV each, timed lyrics beside the first,
// and their pictures) and
// returns the playlist: tracks with one, two and three pictures, a wide and a portrait picture,
// very long texts, and a track without any picture.
QList<DemoTrack> makePlaylist(const QString& folder);

} // namespace sleevelight::demo
