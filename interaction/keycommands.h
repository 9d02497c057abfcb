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
};

// The command of a key press. The key is told by its place on the keyboard (the key that carries
// the letter on a US layout) where the platform reports X keyboard codes; elsewhere, and when no
// code comes with the event, by the letter the key produced.
KeyCommand keyCommand(int qtKey, quint32 nativeScanCode, const QString& platformName);

} // namespace sleevelight
