// Prints how fast the version page is read and the disk image is downloaded from a server on the
// loopback interface, and how much the process's peak memory grows during the download.
// Not a test: nothing here fails on a slow machine.

#include "platform/httpfetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

using namespace sleevelight;

namespace {

constexpr qint64 imageBytes = qint64(256) * 1024 * 1024;
constexpr qint64 chunkBytes = 64 * 1024;

// Answers every request: the short page for the version path, otherwise `imageBytes` of data
// written piece by piece as the socket drains, so the server itself holds little memory.
class Server : public QTcpServer
{
public:
    Server() { listen(QHostAddress::LocalHost, 0); }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            const QByteArray request = socket->readAll();
            if (request.contains("version.html")) {
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\nv1.0.0 (1)\n");
                socket->disconnectFromHost();
                return;
            }
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(imageBytes) +
                          "\r\nConnection: close\r\n\r\n");
            auto* sent = new qint64(0);
            const QByteArray chunk(chunkBytes, 'x');
            const auto more = [socket, sent, chunk] {
                while (*sent < imageBytes && socket->bytesToWrite() < 4 * chunkBytes) {
                    socket->write(chunk);
                    *sent += chunkBytes;
                }
                if (*sent >= imageBytes && socket->bytesToWrite() == 0)
                    socket->disconnectFromHost();
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            connect(socket, &QObject::destroyed, [sent] { delete sent; });
            more();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
};

long peakResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QThread serverThread;
    serverThread.start();
    Server server;
    server.moveToThread(&serverThread);
    const QString site = u"http://127.0.0.1:%1"_s.arg(server.serverPort());

    std::vector<double> pageMs;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        const HttpFetch::Result page = HttpFetch::get(QUrl(site + u"/version.html"_s), 4096, 10'000);
        pageMs.push_back(timer.nsecsElapsed() / 1e6);
        if (!page.ok())
            std::printf("version page failed: %s\n", qPrintable(page.errorString));
    }
    std::sort(pageMs.begin(), pageMs.end());
    std::printf("version page over loopback, 50 reads: median %.2f ms, slowest %.2f ms\n", pageMs[25],
                pageMs.back());

    QTemporaryDir folder;
    const QString destination = folder.filePath(u"sleevelight.deb"_s);
    const long before = peakResidentKiB();
    QElapsedTimer timer;
    timer.start();
    const HttpFetch::Result image =
        HttpFetch::download(QUrl(site + u"/sleevelight.deb"_s), destination, imageBytes, 30'000);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long after = peakResidentKiB();
    std::printf("image of %lld MiB: %s in %.2f s (%.0f MiB/s), file %lld bytes\n", imageBytes >> 20,
                image.ok() ? "downloaded" : qPrintable(image.errorString), seconds,
                (imageBytes >> 20) / seconds, QFileInfo(destination).size());
    std::printf("peak resident memory: %ld KiB before, %ld KiB after (+%ld KiB)\n", before, after,
                after - before);

    QMetaObject::invokeMethod(
        &server, [&server] { server.close(); }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
    return image.ok() ? 0 : 1;
}
