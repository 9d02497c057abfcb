#pragma once

#include <QString>

namespace sleevelight {

// The single-key commands of the display.
enum class KeyCommand
{
    None,
    Rating,        // s
    Help,          // h
    CodecInfo,     // c
    Vinyl,         // v
    Loved,         // l
    NextArtwork,   // n
    MultiArtworks, // m
    NextPlayer,    // p
    Lyrics,        // y
    LyricsSooner,  // [
    LyricsLater,   // ]
    NextUp,        // u
    Remote,        // r: the remote's address as a code to scan
    PlayPause,     // space, the media key
    NextTrack,     // Right, the media key
    PreviousTrack, // Left, the media key
};

// The commands that work the player; their keys do nothing else.
inline bool isPlaybackCommand(KeyCommand command)
{
    return command == KeyCommand::PlayPause || command == KeyCommand::NextTrack ||
           command == KeyCommand::PreviousTrack;
}

// The command of a key press. The key is told by its place on the keyboard (the key that carries
// the letter on a US layout) where the platform reports X keyboard codes; elsewhere, and when no
// code comes with the event, by the letter the key produced. Space, the arrows and the media keys
// are told by what they are, and only without a modifier (Ctrl with the arrows belongs to the
// menu's items).
KeyCommand keyCommand(int qtKey, quint32 nativeScanCode, const QString& platformName,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace sleevelight
