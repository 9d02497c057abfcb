#include "player/mpd/mpdaddress.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

std::optional<int> portFrom(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

QString MpdEndpoint::label() const
{
    if (!socketPath.isEmpty())
        return socketPath;
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

std::optional<MpdEndpoint> parseMpdEndpoint(const QString& entry, int defaultPort)
{
    QString rest = entry.trimmed();
    MpdEndpoint endpoint;
    endpoint.port = defaultPort;
    // As every client reads MPD_HOST: a password before the first '@' that does not begin it.
    if (const qsizetype at = rest.indexOf(u'@'); at > 0) {
        endpoint.password = rest.left(at);
        rest = rest.mid(at + 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    if (rest.startsWith(u'/') || rest.startsWith(u'@')) {
        endpoint.socketPath = rest;
        return endpoint;
    }
    if (rest.startsWith("~/"_L1)) {
        endpoint.socketPath = qEnvironmentVariable("HOME") + rest.mid(1);
        return endpoint;
    }
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 2)
            return std::nullopt;
        endpoint.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty()) {
            const std::optional<int> port = after.startsWith(u':') ? portFrom(after.mid(1)) : std::nullopt;
            if (!port)
                return std::nullopt;
            endpoint.port = *port;
        }
        return endpoint;
    }
    if (rest.count(u':') == 1) {
        const qsizetype colon = rest.indexOf(u':');
        const std::optional<int> port = portFrom(rest.mid(colon + 1));
        if (!port || colon == 0)
            return std::nullopt;
        endpoint.host = rest.left(colon);
        endpoint.port = *port;
        return endpoint;
    }
    // A bare IPv6 address has no port.
    endpoint.host = rest;
    if (endpoint.host.contains(QRegularExpression(u"\\s"_s)))
        return std::nullopt;
    return endpoint;
}

MpdEnvironment MpdEnvironment::current()
{
    return {qEnvironmentVariable("MPD_HOST"), qEnvironmentVariable("MPD_PORT"),
            qEnvironmentVariable("XDG_RUNTIME_DIR")};
}

QList<MpdServer> mpdServers(const QStringList& configured, const MpdEnvironment& environment)
{
    const int defaultPort = portFrom(environment.port).value_or(6600);
    QList<MpdServer> servers;
    auto add = [&servers](const MpdEndpoint& endpoint) {
        const QString name = endpoint.label();
        for (const MpdServer& server : std::as_const(servers))
            if (server.name == name)
                return;
        servers << MpdServer{{endpoint}, name};
    };
    for (const QString& entry : configured)
        if (const std::optional<MpdEndpoint> endpoint = parseMpdEndpoint(entry))
            add(*endpoint);
    if (!configured.isEmpty())
        return servers;
    if (!environment.host.isEmpty()) {
        if (const std::optional<MpdEndpoint> endpoint = parseMpdEndpoint(environment.host, defaultPort))
            add(*endpoint);
        return servers;
    }
    // A server of the user's own listens on a socket in the runtime folder; the system's on the
    // port. One server, reached the first way that answers.
    MpdServer local;
    if (!environment.runtimeFolder.isEmpty())
        local.endpoints << MpdEndpoint{.socketPath = environment.runtimeFolder + u"/mpd/socket"_s};
    const MpdEndpoint port{.host = u"localhost"_s, .port = defaultPort};
    local.endpoints << port;
    local.name = port.label();
    return {local};
}

} // namespace sleevelight
