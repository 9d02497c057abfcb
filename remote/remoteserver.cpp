#include "remote/remoteserver.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QTimer>
#include <QWebSocket>

namespace sleevelight {

using namespace Qt::StringLiterals;

namespace {

constexpr int pingMs = 20000;
constexpr qint64 maxArtworkPixels = 100'000'000;

QByteArray jsonError(const QString& text)
{
    return QJsonDocument(QJsonObject{{u"error"_s, text}}).toJson(QJsonDocument::Compact);
}

// The addresses a phone on the same network would use, IPv4 first; the loopback one when there is
// no other.
QStringList reachableAddresses()
{
    QStringList v4;
    QStringList v6;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress address = entry.ip();
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                v4 << address.toString();
            else if (address.protocol() == QAbstractSocket::IPv6Protocol && !address.isLinkLocal())
                v6 << u"["_s + address.toString() + u"]"_s;
        }
    }
    return v4 + v6 + QStringList{u"127.0.0.1"_s};
}

// The picture as a phone wants it: at most `side` pixels along its longer side, as JPEG (PNG
// where it is transparent); the bytes as they are when they already are that.
std::pair<QByteArray, QByteArray> phoneArtwork(const QByteArray& encoded, int side)
{
    QBuffer buffer;
    buffer.setData(encoded);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (!size.isValid() || qint64(size.width()) * size.height() > maxArtworkPixels)
        return {};
    if (format == "jpeg" && std::max(size.width(), size.height()) <= side)
        return {encoded, "image/jpeg"};
    if (std::max(size.width(), size.height()) > side)
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QByteArray out;
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly);
    const bool png = image.hasAlphaChannel();
    QImageWriter writer(&target, png ? "png" : "jpeg");
    if (!png)
        writer.setQuality(85);
    if (!writer.write(image))
        return {};
    return {out, png ? "image/png" : "image/jpeg"};
}

} // namespace

QString commandProblem(const QJsonObject& command)
{
    static const QStringList plain = {u"playPause"_s, u"play"_s,      u"pause"_s,
                                      u"next"_s,      u"previous"_s,  u"followNext"_s,
                                      u"nextArtwork"_s};
    static const QStringList switches = {u"loved"_s, u"vinyl"_s, u"lyrics"_s, u"nextUp"_s,
                                         u"multiArtworks"_s, u"standby"_s};
    const QString name = command.value(u"command"_s).toString();
    const QJsonValue value = command.value(u"value"_s);
    if (plain.contains(name))
        return {};
    if (switches.contains(name))
        return value.isUndefined() || value.isBool() ? QString() : u"value must be true or false"_s;
    if (name == "volume"_L1)
        return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 100
                   ? QString()
                   : u"value must be a number from 0 to 100"_s;
    if (name == "rating"_L1)
        return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 5 &&
                       value.toDouble() == std::floor(value.toDouble())
                   ? QString()
                   : u"value must be a whole number of stars from 0 to 5"_s;
    if (name == "follow"_L1)
        return command.value(u"player"_s).isString() ? QString() : u"player must be a player's name"_s;
    if (name == "preferences"_L1)
        return command.value(u"values"_s).isObject() ? QString() : u"values must be an object"_s;
    return name.isEmpty() ? u"no command"_s : u"unknown command"_s;
}

RemoteServer::RemoteServer(const HttpService::Limits& limits) : m_limits(limits), m_ping(new QTimer(this))
{
    m_ping->setInterval(pingMs);
    connect(m_ping, &QTimer::timeout, this, &RemoteServer::pingPhones);
}

RemoteServer::~RemoteServer()
{
    for (QWebSocket* phone : m_phones.keys()) {
        phone->disconnect(this);
        phone->abort();
        delete phone;
    }
}

void RemoteServer::start(const QString& token, quint16 port)
{
    // Made here, on the server's thread: Qt's HTTP server keeps objects of its own that would
    // otherwise stay on the thread that made it.
    delete m_service;
    m_service = new HttpService(m_limits, this);
    m_service->setHandler([this](const HttpRequest& request) { return handle(request); });
    connect(m_service, &HttpService::webSocketOpened, this, &RemoteServer::webSocketOpened);
    m_rules = localRules(token);
    m_service->setAdmission([this](const RequestHead& head) { return m_rules.admit(head); });
    for (const auto& [path, file] : {std::pair{u"/"_s, u":/remote/index.html"_s},
                                     std::pair{u"/remote.js"_s, u":/remote/remote.js"_s},
                                     std::pair{u"/remote.css"_s, u":/remote/remote.css"_s}}) {
        QFile resource(file);
        if (resource.open(QIODevice::ReadOnly))
            m_files.insert(path, resource.readAll());
    }
    listen(port, 8);
}

void RemoteServer::listen(quint16 port, int triesLeft)
{
    if (m_service->listen(QHostAddress::Any, port) || m_service->listen(QHostAddress::AnyIPv4, port)) {
        Q_EMIT started(m_service->port(), reachableAddresses());
        return;
    }
    // The server of a moment ago (the remote turned off and on) may still be letting the port go.
    if (triesLeft > 0 && m_service->isAddressInUse()) {
        QTimer::singleShot(250, this, [this, port, triesLeft] { listen(port, triesLeft - 1); });
        return;
    }
    Q_EMIT failed(m_service->errorString());
}

void RemoteServer::setToken(const QString& token)
{
    m_rules.token = token;
    for (QWebSocket* phone : m_phones.keys())
        phone->close(QWebSocketProtocol::CloseCodePolicyViolated, u"unpaired"_s);
}

void RemoteServer::publishState(const QByteArray& json)
{
    if (json == m_state)
        return;
    m_state = json;
    for (QWebSocket* phone : m_phones.keys())
        phone->sendTextMessage(QString::fromUtf8(m_state));
}

void RemoteServer::publishArtwork(const QByteArray& encoded)
{
    std::tie(m_artwork, m_artworkType) = encoded.isEmpty() ? std::pair<QByteArray, QByteArray>()
                                                            : phoneArtwork(encoded, artworkSide);
}

HttpReply RemoteServer::handle(const HttpRequest& request)
{
    if (const auto file = m_files.constFind(request.path); file != m_files.cend()) {
        const QByteArray type = request.path.endsWith(".js"_L1)    ? "text/javascript; charset=utf-8"
                                : request.path.endsWith(".css"_L1) ? "text/css; charset=utf-8"
                                                                   : "text/html; charset=utf-8";
        return {200, type, *file};
    }
    if (request.path == "/api/track"_L1)
        return {200, "application/json", m_state};
    if (request.path == "/api/artwork"_L1) {
        if (m_artwork.isEmpty())
            return {404, "application/json", jsonError(u"no artwork"_s)};
        return {200, m_artworkType, m_artwork};
    }
    if (request.path == "/api/command"_L1) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
        if (!document.isObject())
            return {400, "application/json", jsonError(u"the body must be a JSON object"_s)};
        if (const QString problem = commandProblem(document.object()); !problem.isEmpty())
            return {400, "application/json", jsonError(problem)};
        Q_EMIT commandReceived(document.object());
        return {202, "application/json", R"({"ok":true})"};
    }
    return {404, "application/json", jsonError(u"not found"_s)};
}

void RemoteServer::webSocketOpened(QWebSocket* socket)
{
    socket->setParent(this);
    socket->setMaxAllowedIncomingFrameSize(4096);
    socket->setMaxAllowedIncomingMessageSize(4096);
    m_phones.insert(socket, true);
    connect(socket, &QWebSocket::pong, this, [this, socket] { m_phones[socket] = true; });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] {
        m_phones.remove(socket);
        socket->deleteLater();
        if (m_phones.isEmpty())
            m_ping->stop();
        Q_EMIT phonesChanged(int(m_phones.size()));
    });
    socket->sendTextMessage(QString::fromUtf8(m_state));
    if (!m_ping->isActive())
        m_ping->start();
    Q_EMIT phonesChanged(int(m_phones.size()));
}

void RemoteServer::pingPhones()
{
    // A phone that did not answer the last ping (asleep, gone from the network) is let go.
    QList<QWebSocket*> silent;
    for (auto it = m_phones.begin(); it != m_phones.end(); ++it) {
        if (!it.value())
            silent << it.key();
        it.value() = false;
        it.key()->ping();
    }
    for (QWebSocket* phone : std::as_const(silent))
        phone->abort();
}

} // namespace sleevelight
