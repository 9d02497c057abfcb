#pragma once

#include <QRegularExpression>
#include <QString>

namespace sleevelight::mpris {

using namespace Qt::StringLiterals;

inline const QString busNamePrefix = u"org.mpris.MediaPlayer2."_s;
inline const QString objectPath = u"/org/mpris/MediaPlayer2"_s;
inline const QString rootInterface = u"org.mpris.MediaPlayer2"_s;
inline const QString playerInterface = u"org.mpris.MediaPlayer2.Player"_s;
inline const QString trackListInterface = u"org.mpris.MediaPlayer2.TrackList"_s;
inline const QString propertiesInterface = u"org.freedesktop.DBus.Properties"_s;

// A daemon that mirrors whichever player was active last; it adds nothing a real player does not.
inline const QString playerctldBusName = u"org.mpris.MediaPlayer2.playerctld"_s;

// Rhythmbox keeps ratings in its own database, reachable beside its player.
inline const QString rhythmboxBusName = u"org.mpris.MediaPlayer2.rhythmbox"_s;
inline const QString rhythmboxDbPath = u"/org/gnome/Rhythmbox3/RhythmDB"_s;
inline const QString rhythmboxDbInterface = u"org.gnome.Rhythmbox3.RhythmDB"_s;

inline const QString busService = u"org.freedesktop.DBus"_s;
inline const QString busPath = u"/org/freedesktop/DBus"_s;
inline const QString busInterface = u"org.freedesktop.DBus"_s;

// "org.mpris.MediaPlayer2.vlc.instance7389" is started, and known, as "org.mpris.MediaPlayer2.vlc".
inline QString startableName(const QString& busName)
{
    static const QRegularExpression instance(u"\\.instance[0-9_]*$"_s);
    return QString(busName).remove(instance);
}

// A player that has not answered within this time is taken to have nothing to say.
constexpr int callTimeoutMs = 5000;

} // namespace sleevelight::mpris
