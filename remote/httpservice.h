#pragma once

#include "remote/requesthead.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrlQuery>

#include <functional>

class QTcpSocket;
class QTimer;
class QWebSocket;

namespace sleevelight {

class GuardedTcpServer;
class HandlerHttpServer;

struct HttpRequest
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    QByteArray body;
};

struct HttpReply
{
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray body;
};

// Our one door to Qt's HTTP server (whose interface changed after Qt 6.4): a server on one port
// that answers each admitted request with what the handler returns and hands admitted WebSockets
// over. Every request's head is read and judged before the server sees it, so what is refused, too
// large or too slow never reaches it; connections are bounded in number and time. Lives on the
// thread it was made on and never blocks it.
class HttpService : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qsizetype maxHead = 8 * 1024;
        int maxConnections = 16;
        int maxPerAddress = 8;
        // A head begun must be whole, and a body must arrive, within this time; a connection kept
        // open between requests is closed after the idle time.
        int headMs = 5000;
        int bodyMs = 10000;
        int idleMs = 30000;
        // A client that leaves this much of our answers unread is dropped.
        qint64 maxUnsent = 8 * 1024 * 1024;
    };
    // 0 to go on, else the status to answer with.
    using Admission = std::function<int(const RequestHead&)>;
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    explicit HttpService(const Limits& limits, QObject* parent = nullptr);
    ~HttpService() override;

    void setAdmission(Admission admission) { m_admission = std::move(admission); }
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // False, with the reason in errorString(), when the port cannot be had.
    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString errorString() const { return m_error; }
    bool isAddressInUse() const { return m_addressInUse; }
    // Open connections, WebSockets included; those from one address.
    int connectionCount(const QHostAddress* from = nullptr) const;

    static QByteArray reasonPhrase(int status);

Q_SIGNALS:
    // An admitted WebSocket; the receiver owns it.
    void webSocketOpened(QWebSocket* socket);

private:
    friend class GuardedTcpServer;
    friend class HandlerHttpServer;

    struct Connection
    {
        enum class Phase
        {
            Head,
            Body,
            WebSocket,
            Refused,
        };
        QPointer<QTcpSocket> socket;
        QHostAddress peer;
        Phase phase = Phase::Head;
        QByteArray head;
        qint64 bodyLeft = 0;
        qint64 phaseStarted = 0;
    };

    void accepted(QTcpSocket* socket);
    void readyRead(QTcpSocket* socket);
    void refuse(Connection& connection, int status);
    void sweep();
    HttpReply reply(const HttpRequest& request, const RequestHead& head) const;
    qint64 now() const;

    Limits m_limits;
    Admission m_admission;
    Handler m_handler;
    GuardedTcpServer* m_tcp = nullptr;
    HandlerHttpServer* m_http = nullptr;
    QHash<QTcpSocket*, Connection> m_connections;
    QTimer* m_sweep = nullptr;
    QString m_error;
    bool m_addressInUse = false;
};

// The bytes of a whole answer with that status, for a connection that is then closed.
QByteArray plainAnswer(int status, const QByteArray& json);

} // namespace sleevelight
