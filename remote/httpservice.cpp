#include "remote/httpservice.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

namespace sleevelight {

using namespace Qt::StringLiterals;

namespace {

// The page and its script come from this server alone and cannot be framed; nothing is cached.
constexpr QByteArrayView contentPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; "
                                         "img-src 'self' blob:; connect-src 'self'; "
                                         "frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

// {"error":"not found"} and the like.
QByteArray errorJson(int status)
{
    return R"({"error":")" + HttpService::reasonPhrase(status).toLower() + R"("})";
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    default:
        return "OTHER";
    }
}

} // namespace

// Accepts connections for the service, which sees every socket before the HTTP server does.
class GuardedTcpServer : public QTcpServer
{
public:
    GuardedTcpServer(HttpService& service) : QTcpServer(&service), m_service(service) {}

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        // One client (a phone, or someone on the network holding connections open) cannot take
        // every place.
        const QHostAddress peer = socket->peerAddress();
        if (m_service.connectionCount() >= m_service.m_limits.maxConnections ||
            m_service.connectionCount(&peer) >= m_service.m_limits.maxPerAddress) {
            // Past the bound: a short answer, and the socket goes whether or not it is read.
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            socket->write(plainAnswer(503, R"({"error":"too many connections"})"));
            socket->disconnectFromHost();
            QTimer::singleShot(2000, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            return;
        }
        m_service.accepted(socket);
        addPendingConnection(socket);
    }

private:
    HttpService& m_service;
};

// Qt's HTTP server, answering each request by the service's handler.
class HandlerHttpServer : public QAbstractHttpServer
{
public:
    HandlerHttpServer(HttpService& service) : QAbstractHttpServer(&service), m_service(service) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        // The head was judged already; the same rules again, from what the server read, so that
        // nothing the two readings might see differently gets through.
        RequestHead head;
        head.method = methodName(request.method());
        head.path = request.url().path();
        head.query = request.query();
        for (const auto& [name, value] : request.headers())
            if (!head.headers.contains(name.toLower()))
                head.headers.insert(name.toLower(), value);
        head.contentLength = request.body().size();
        // An admitted WebSocket is not answered here: taken as handled, the server hands it over.
        if (head.isWebSocketUpgrade() && m_service.m_admission && m_service.m_admission(head) == 0)
            return true;
        HttpRequest asked{head.method, head.path, head.query, request.body()};
        const HttpReply reply = m_service.reply(asked, head);
        makeResponder(request, socket)
            .write(reply.body,
                   {{"Content-Type", reply.contentType},
                    {"Cache-Control", "no-store"},
                    {"X-Content-Type-Options", "nosniff"},
                    {"Referrer-Policy", "no-referrer"},
                    {"Content-Security-Policy", contentPolicy.toByteArray()}},
                   QHttpServerResponder::StatusCode(reply.status));
        return true;
    }

    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override
    {
        makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
    }

private:
    HttpService& m_service;
};

HttpService::HttpService(const Limits& limits, QObject* parent)
    : QObject(parent)
    , m_limits(limits)
    , m_tcp(new GuardedTcpServer(*this))
    , m_http(new HandlerHttpServer(*this))
    , m_sweep(new QTimer(this))
{
    m_sweep->setInterval(1000);
    connect(m_sweep, &QTimer::timeout, this, &HttpService::sweep);
    connect(m_http, &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (m_http->hasPendingWebSocketConnections())
            if (std::unique_ptr<QWebSocket> socket = m_http->nextPendingWebSocketConnection())
                Q_EMIT webSocketOpened(socket.release());
    });
}

HttpService::~HttpService()
{
    // The sockets are the servers' children; none may call back into a half-destroyed service.
    for (const Connection& connection : std::as_const(m_connections))
        if (connection.socket)
            connection.socket->disconnect(this);
    delete m_http;
}

bool HttpService::listen(const QHostAddress& address, quint16 port)
{
    if (!m_tcp->listen(address, port)) {
        m_error = m_tcp->errorString();
        m_addressInUse = m_tcp->serverError() == QAbstractSocket::AddressInUseError;
        return false;
    }
    m_http->bind(m_tcp);
    return true;
}

quint16 HttpService::port() const
{
    return m_tcp->isListening() ? m_tcp->serverPort() : 0;
}

int HttpService::connectionCount(const QHostAddress* from) const
{
    int count = 0;
    for (const Connection& connection : m_connections)
        count += connection.socket && (from == nullptr || connection.peer.isEqual(*from)) ? 1 : 0;
    return count;
}

qint64 HttpService::now() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

void HttpService::accepted(QTcpSocket* socket)
{
    Connection connection;
    connection.socket = socket;
    connection.peer = socket->peerAddress();
    connection.phaseStarted = now();
    m_connections.insert(socket, connection);
    // Connected before the HTTP server connects its own: the guard reads each byte first.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readyRead(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket] { m_connections.remove(socket); });
    if (!m_sweep->isActive())
        m_sweep->start();
}

void HttpService::readyRead(QTcpSocket* socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    Connection& connection = *found;
    if (connection.phase == Connection::Phase::Refused) {
        socket->readAll();
        return;
    }
    if (connection.phase == Connection::Phase::WebSocket)
        return;

    const QByteArray fresh = socket->peek(socket->bytesAvailable());
    qsizetype at = 0;
    while (at < fresh.size()) {
        if (connection.phase == Connection::Phase::Body) {
            const qint64 taken = std::min<qint64>(connection.bodyLeft, fresh.size() - at);
            connection.bodyLeft -= taken;
            at += taken;
            if (connection.bodyLeft == 0) {
                connection.phase = Connection::Phase::Head;
                connection.phaseStarted = now();
            }
            continue;
        }
        if (connection.head.isEmpty())
            connection.phaseStarted = now();
        const qsizetype before = connection.head.size();
        const qsizetype room = m_limits.maxHead + 1 - before;
        connection.head += QByteArrayView(fresh).sliced(at, std::min(room, fresh.size() - at));
        const HeadReading reading = readRequestHead(connection.head, m_limits.maxHead);
        switch (reading.status) {
        case HeadReading::Status::Incomplete:
            at = fresh.size();
            continue;
        case HeadReading::Status::TooLarge:
            return refuse(connection, 431);
        case HeadReading::Status::Malformed:
            return refuse(connection, 400);
        case HeadReading::Status::Complete:
            break;
        }
        if (const int verdict = m_admission ? m_admission(reading.head) : 0; verdict != 0)
            return refuse(connection, verdict);
        at += reading.head.size - before;
        connection.head.clear();
        if (reading.head.isWebSocketUpgrade()) {
            // From here the socket is the WebSocket's; the server hands it over.
            connection.phase = Connection::Phase::WebSocket;
            return;
        }
        connection.bodyLeft = reading.head.contentLength;
        connection.phase = connection.bodyLeft > 0 ? Connection::Phase::Body : Connection::Phase::Head;
        connection.phaseStarted = now();
    }
}

void HttpService::refuse(Connection& connection, int status)
{
    connection.phase = Connection::Phase::Refused;
    connection.phaseStarted = now();
    QTcpSocket* socket = connection.socket;
    // Read before the server can: it never sees the request.
    socket->readAll();
    socket->write(plainAnswer(status, errorJson(status)));
    socket->disconnectFromHost();
}

void HttpService::sweep()
{
    const qint64 time = now();
    QList<QPointer<QTcpSocket>> dropped;
    QList<QPointer<QTcpSocket>> idle;
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        Connection& connection = *it;
        if (!connection.socket) {
            it = m_connections.erase(it);
            continue;
        }
        const qint64 elapsed = time - connection.phaseStarted;
        const bool stalled = connection.socket->bytesToWrite() > m_limits.maxUnsent;
        switch (connection.phase) {
        case Connection::Phase::Head:
            if (connection.head.isEmpty() ? elapsed > m_limits.idleMs : elapsed > m_limits.headMs)
                (connection.head.isEmpty() && !stalled ? idle : dropped) << connection.socket;
            else if (stalled)
                dropped << connection.socket;
            break;
        case Connection::Phase::Body:
            if (stalled || elapsed > m_limits.bodyMs)
                dropped << connection.socket;
            break;
        case Connection::Phase::Refused:
            if (elapsed > 2000)
                dropped << connection.socket;
            break;
        case Connection::Phase::WebSocket:
            if (stalled)
                dropped << connection.socket;
            break;
        }
        ++it;
    }
    for (const QPointer<QTcpSocket>& socket : std::as_const(idle))
        if (socket)
            socket->disconnectFromHost();
    for (const QPointer<QTcpSocket>& socket : std::as_const(dropped))
        if (socket)
            socket->abort();
    if (m_connections.isEmpty())
        m_sweep->stop();
}

HttpReply HttpService::reply(const HttpRequest& request, const RequestHead& head) const
{
    if (const int verdict = m_admission ? m_admission(head) : 0; verdict != 0)
        return {verdict, "application/json", errorJson(verdict)};
    return m_handler ? m_handler(request) : HttpReply{404, "application/json", R"({"error":"not found"})"};
}

QByteArray HttpService::reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 202:
        return "Accepted";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 421:
        return "Misdirected Request";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

QByteArray plainAnswer(int status, const QByteArray& json)
{
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + HttpService::reasonPhrase(status) +
                        "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\nContent-Length: " +
                        QByteArray::number(json.size()) + "\r\nConnection: close\r\n";
    if (status == 401)
        answer += "WWW-Authenticate: Bearer\r\n";
    return answer + "\r\n" + json;
}

} // namespace sleevelight
