#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace sleevelight::test {

// A small HTTP/1.1 server on the loopback interface, answering GETs from a table of paths.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        Normal,   // the whole answer, then the connection closes
        Silent,   // the request is read and never answered
        Truncate, // the headers promise the body, half of it comes, the connection closes
        Stall,    // the headers and half the body come, then nothing more
    };

    struct Route
    {
        int status = 200;
        QByteArray body;
        Mode mode = Mode::Normal;
        QByteArray location; // for a redirect
    };

    HttpTestServer();

    // http://127.0.0.1:<port>
    QString site() const;
    void setRoute(const QString& path, const Route& route) { m_routes.insert(path, route); }
    // The paths asked for, in order.
    const QStringList& requests() const { return m_requests; }

    // An address on this machine where nothing listens.
    static QString closedSite();

private:
    void answer(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QStringList m_requests;
};

} // namespace sleevelight::test
