#include "tests/support/httptestserver.h"

using namespace Qt::StringLiterals;

namespace sleevelight::test {

HttpTestServer::HttpTestServer()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("the test server cannot listen: %s", qPrintable(m_server.errorString()));
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

QString HttpTestServer::site() const
{
    return u"http://127.0.0.1:%1"_s.arg(m_server.serverPort());
}

QString HttpTestServer::closedSite()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return u"http://127.0.0.1:%1"_s.arg(port);
}

void HttpTestServer::answer(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QString path = QString::fromLatin1(request.split(' ').value(1)); // "GET <path> HTTP/1.1"
    m_requests << path;
    const Route route = m_routes.value(path, Route{404, QByteArrayLiteral("not here"), Mode::Normal, {}});
    if (route.mode == Mode::Silent)
        return; // the socket stays open, a child of the server

    QByteArray head = "HTTP/1.1 " + QByteArray::number(route.status) + " Answer\r\n";
    head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    if (!route.location.isEmpty())
        head += "Location: " + route.location + "\r\n";
    socket->write(head + "Connection: close\r\n\r\n");
    socket->write(route.mode == Mode::Normal ? route.body : route.body.left(route.body.size() / 2));
    if (route.mode != Mode::Stall)
        socket->disconnectFromHost();
}

} // namespace sleevelight::test
