#include "platform/httpfetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

#include <functional>
#include <memory>

namespace sleevelight {

namespace {

constexpr int maxRedirects = 5;
// What is held in memory at once while a body streams through.
constexpr qint64 readBufferSize = 256 * 1024;

using Sink = std::function<bool(const QByteArray& chunk)>;

bool isWebAddress(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

// One GET whose body goes to `sink` piece by piece. With `stall`, `timeoutMs` is the longest
// silence allowed; without it, the longest the whole transfer may take.
HttpFetch::Result transfer(const QUrl& url, qint64 maxBytes, int timeoutMs, bool stall, const Sink& sink)
{
    using Outcome = HttpFetch::Outcome;
    HttpFetch::Result result;
    if (!isWebAddress(url)) {
        result.errorString = QStringLiteral("not a web address: ") + url.toDisplayString();
        return result;
    }

    QNetworkAccessManager manager;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(timeoutMs);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));
    reply->setReadBufferSize(readBufferSize);

    bool stopped = false;
    Outcome failure = Outcome::Failed;
    QUrl current = url;
    qint64 received = 0;

    const auto stop = [&](Outcome why, const QString& error) {
        if (stopped)
            return;
        stopped = true;
        failure = why;
        result.errorString = error;
        timer.stop();
        reply->abort();
    };
    const auto drain = [&] {
        while (!stopped && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(readBufferSize);
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (status >= 300 && status < 400)
                continue; // the body of a redirect that is being followed
            if (status != 0 && (status < 200 || status >= 300))
                return stop(Outcome::Failed,
                            QStringLiteral("the server answered with status %1").arg(status));
            received += chunk.size();
            if (received > maxBytes)
                return stop(Outcome::TooLarge,
                            QStringLiteral("the answer is longer than %1 bytes").arg(maxBytes));
            if (!sink(chunk))
                return stop(Outcome::WriteFailed, QStringLiteral("the data could not be written"));
        }
    };

    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop,
                     [&] { stop(Outcome::TimedOut, QStringLiteral("the server did not answer in time")); });
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& target) {
        if (!HttpFetch::isRedirectAllowed(current, target))
            return stop(Outcome::RedirectRefused,
                        QStringLiteral("refused a redirect to ") + target.toDisplayString());
        current = target;
        Q_EMIT reply->redirectAllowed();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        drain();
        if (stall && !stopped)
            timer.start();
    });

    timer.start();
    if (!reply->isFinished())
        loop.exec();
    timer.stop();
    // The loop also ends when the application quits; the transfer is then abandoned.
    if (!reply->isFinished())
        stop(Outcome::Failed, QStringLiteral("the transfer was abandoned"));
    drain();
    reply->disconnect();

    if (stopped) {
        result.outcome = failure;
        return result;
    }
    if (reply->error() != QNetworkReply::NoError) {
        result.errorString = reply->errorString();
        return result;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status >= 300) {
        result.errorString = QStringLiteral("the server answered with status %1").arg(status);
        return result;
    }
    result.outcome = Outcome::Ok;
    return result;
}

} // namespace

HttpFetch::Result HttpFetch::get(const QUrl& url, qint64 maxBytes, int timeoutMs)
{
    QByteArray body;
    Result result = transfer(url, maxBytes, timeoutMs, false, [&body](const QByteArray& chunk) {
        body += chunk;
        return true;
    });
    if (result.ok())
        result.body = body;
    return result;
}

HttpFetch::Result HttpFetch::download(const QUrl& url, const QString& destination, qint64 maxBytes,
                                      int stallTimeoutMs)
{
    // The data goes to a temporary file beside the destination, renamed over it at the end.
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly)) {
        Result result;
        result.outcome = Outcome::WriteFailed;
        result.errorString = file.errorString();
        return result;
    }
    Result result = transfer(url, maxBytes, stallTimeoutMs, true,
                             [&file](const QByteArray& chunk) { return file.write(chunk) == chunk.size(); });
    if (!result.ok()) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.outcome = Outcome::WriteFailed;
        result.errorString = file.errorString();
    }
    return result;
}

bool HttpFetch::isRedirectAllowed(const QUrl& from, const QUrl& to)
{
    if (!isWebAddress(to))
        return false;
    return to.scheme() == QLatin1String("https") || from.scheme() == QLatin1String("http");
}

} // namespace sleevelight
