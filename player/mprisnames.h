#pragma once

#include <QString>

namespace sleevelight::mpris {

inline const QString busNamePrefix = QStringLiteral("org.mpris.MediaPlayer2.");
inline const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// Rhythmbox keeps ratings in its own database, reachable beside its player.
inline const QString rhythmboxBusName = QStringLiteral("org.mpris.MediaPlayer2.rhythmbox");
inline const QString rhythmboxDbPath = QStringLiteral("/org/gnome/Rhythmbox3/RhythmDB");
inline const QString rhythmboxDbInterface = QStringLiteral("org.gnome.Rhythmbox3.RhythmDB");

inline const QString busService = QStringLiteral("org.freedesktop.DBus");
inline const QString busPath = QStringLiteral("/org/freedesktop/DBus");
inline const QString busInterface = QStringLiteral("org.freedesktop.DBus");

// A player that has not answered within this time is taken to have nothing to say.
constexpr int callTimeoutMs = 5000;

} // namespace sleevelight::mpris
