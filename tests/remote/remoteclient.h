#pragma once

// Real clients of the remote for the tests: HTTP over a plain socket, so that a test can send
// exactly the bytes a hostile client would.

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

namespace sleevelight::test {

struct HttpAnswer
{
    int status = 0;
    QByteArray head;
    QByteArray body;
};

// Sends `bytes` and reads until the server closes or a whole answer with a length came; the event
// loop turns meanwhile, so the window's side of the remote goes on.
inline HttpAnswer exchange(quint16 port, const QByteArray& bytes, int timeoutMs = 5000,
                           const QHostAddress& to = QHostAddress::LocalHost)
{
    QTcpSocket socket;
    socket.connectToHost(to, port);
    HttpAnswer answer;
    if (!socket.waitForConnected(timeoutMs))
        return answer;
    socket.write(bytes);
    QByteArray read;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs && socket.state() == QAbstractSocket::ConnectedState) {
        QTest::qWait(5);
        read += socket.readAll();
        const qsizetype end = read.indexOf("\r\n\r\n");
        if (end < 0)
            continue;
        const QByteArray head = read.left(end);
        const qsizetype at = head.toLower().indexOf("content-length:");
        if (at >= 0) {
            const qsizetype length = head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
            if (read.size() >= end + 4 + length)
                break;
        }
    }
    read += socket.readAll();
    const qsizetype end = read.indexOf("\r\n\r\n");
    answer.head = read.left(end);
    answer.body = end >= 0 ? read.mid(end + 4) : QByteArray();
    const QList<QByteArray> statusLine = answer.head.left(answer.head.indexOf('\r')).split(' ');
    answer.status = statusLine.size() >= 2 ? statusLine[1].toInt() : 0;
    return answer;
}

inline QByteArray request(const QByteArray& method, const QByteArray& target, const QByteArray& token,
                          const QByteArray& body = {}, const QByteArray& host = "127.0.0.1")
{
    QByteArray bytes = method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    if (!token.isEmpty())
        bytes += "Authorization: Bearer " + token + "\r\n";
    if (!body.isEmpty() || method == "POST")
        bytes += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    return bytes + "\r\n" + body;
}

} // namespace sleevelight::test
