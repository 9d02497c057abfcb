#pragma once

#include <QMetaType>

#include <optional>

namespace sleevelight {

// The player's state as the bridge reports it.
enum class PlayerState : int
{
    notRunning = 0,
    stopped = 1,
    playing = 2,
    paused = 3,
    fastForwarding = 4,
    rewinding = 5,
};

// Accepts the raw values 0 to 5 only.
constexpr std::optional<PlayerState> playerStateFromRaw(long long raw)
{
    if (raw < 0 || raw > 5)
        return std::nullopt;
    return static_cast<PlayerState>(raw);
}

// Playing, fast-forwarding and rewinding move the progress, show the record and cycle the artworks.
constexpr bool isActive(PlayerState state)
{
    return state == PlayerState::playing || state == PlayerState::fastForwarding ||
           state == PlayerState::rewinding;
}

} // namespace sleevelight

Q_DECLARE_METATYPE(sleevelight::PlayerState)
