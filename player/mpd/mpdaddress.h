#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace sleevelight {

// One way to reach a music server: a host and port, or a local socket, and the password it wants.
struct MpdEndpoint
{
    QString host = {};
    int port = 6600;
    // Set for a local socket, in place of host and port.
    QString socketPath = {};
    QString password = {};

    // "host:port", or the socket's path; never the password.
    QString label() const;
    bool operator==(const MpdEndpoint&) const = default;
};

// A music server the display follows: the ways to reach it, tried in turn, and what it is called.
struct MpdServer
{
    QList<MpdEndpoint> endpoints;
    // What people and the rules of the preferences call it: "host:port" or the socket's path; the
    // name "mpd" is every server's too.
    QString name;

    bool operator==(const MpdServer&) const = default;
};

// An entry of the servers' list, "[password@]host[:port]" or a socket's path ("/run/mpd/socket",
// "@abstract" or "~/…"), as every client of such servers reads MPD_HOST. Bracketed IPv6 addresses
// take a port; a bare one does not. Nothing when the entry names no server.
std::optional<MpdEndpoint> parseMpdEndpoint(const QString& entry, int defaultPort = 6600);

// The servers to follow: the list's, else MPD_HOST and MPD_PORT as the environment gives them,
// else the local one at $XDG_RUNTIME_DIR/mpd/socket or localhost:6600, whichever answers.
struct MpdEnvironment
{
    QString host;    // MPD_HOST
    QString port;    // MPD_PORT
    QString runtimeFolder; // XDG_RUNTIME_DIR

    static MpdEnvironment current();
};
QList<MpdServer> mpdServers(const QStringList& configured, const MpdEnvironment& environment);

} // namespace sleevelight
