#include "interaction/keycommands.h"

namespace sleevelight {

namespace {

// X keyboard codes are the Linux input codes plus 8.
KeyCommand fromXkbKeycode(quint32 code)
{
    switch (code) {
    case 39:
        return KeyCommand::Rating;
    case 43:
        return KeyCommand::Help;
    case 54:
        return KeyCommand::CodecInfo;
    case 55:
        return KeyCommand::Vinyl;
    case 46:
        return KeyCommand::Loved;
    case 57:
        return KeyCommand::NextArtwork;
    case 58:
        return KeyCommand::MultiArtworks;
    case 33:
        return KeyCommand::NextPlayer;
    case 29:
        return KeyCommand::Lyrics;
    case 34:
        return KeyCommand::LyricsSooner;
    case 35:
        return KeyCommand::LyricsLater;
    case 30:
        return KeyCommand::NextUp;
    case 27:
        return KeyCommand::Remote;
    default:
        return KeyCommand::None;
    }
}

KeyCommand fromLetter(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_S:
        return KeyCommand::Rating;
    case Qt::Key_H:
        return KeyCommand::Help;
    case Qt::Key_C:
        return KeyCommand::CodecInfo;
    case Qt::Key_V:
        return KeyCommand::Vinyl;
    case Qt::Key_L:
        return KeyCommand::Loved;
    case Qt::Key_N:
        return KeyCommand::NextArtwork;
    case Qt::Key_M:
        return KeyCommand::MultiArtworks;
    case Qt::Key_P:
        return KeyCommand::NextPlayer;
    case Qt::Key_Y:
        return KeyCommand::Lyrics;
    case Qt::Key_BracketLeft:
        return KeyCommand::LyricsSooner;
    case Qt::Key_BracketRight:
        return KeyCommand::LyricsLater;
    case Qt::Key_U:
        return KeyCommand::NextUp;
    case Qt::Key_R:
        return KeyCommand::Remote;
    default:
        return KeyCommand::None;
    }
}

KeyCommand playbackKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Space:
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return KeyCommand::PlayPause;
    case Qt::Key_Right:
    case Qt::Key_MediaNext:
        return KeyCommand::NextTrack;
    case Qt::Key_Left:
    case Qt::Key_MediaPrevious:
        return KeyCommand::PreviousTrack;
    default:
        return KeyCommand::None;
    }
}

} // namespace

KeyCommand keyCommand(int qtKey, quint32 nativeScanCode, const QString& platformName,
                      Qt::KeyboardModifiers modifiers)
{
    if (const KeyCommand playback = playbackKey(qtKey); playback != KeyCommand::None)
        return (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier ? playback : KeyCommand::None;
    // Other Linux platforms (the framebuffer ones) report raw input codes without the offset,
    // so only these two are read by place.
    const bool xkbCodes = platformName == u"xcb" || platformName.startsWith(u"wayland");
    if (xkbCodes && nativeScanCode != 0)
        return fromXkbKeycode(nativeScanCode);
    return fromLetter(qtKey);
}

} // namespace sleevelight
