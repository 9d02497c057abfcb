#include "platform/httpfetch.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr int maxRedirects = 5;
// What is held in memory at once while a body streams through.
constexpr qint64 readBufferSize = 256 * 1024;

using Sink = std::function<bool(const QByteArray& chunk)>;

bool isWebAddress(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == "https"_L1 || url.scheme() == "http"_L1);
}

// One GET whose body goes to `sink` piece by piece. With `stall`, `timeoutMs` is the longest
// silence allowed; without it, the longest the whole transfer may take.
HttpFetch::Result transfer(const QUrl& url, qint64 maxBytes, int timeoutMs, bool stall, const Sink& sink)
{
    using Outcome = HttpFetch::Outcome;
    HttpFetch::Result result;
    if (!isWebAddress(url)) {
        result.errorString = u"not a web address: "_s + url.toDisplayString();
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
                return stop(Outcome::Failed, u"the server answered with status %1"_s.arg(status));
            received += chunk.size();
            if (received > maxBytes)
                return stop(Outcome::TooLarge, u"the answer is longer than %1 bytes"_s.arg(maxBytes));
            if (!sink(chunk))
                return stop(Outcome::WriteFailed, u"the data could not be written"_s);
        }
    };

    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop,
                     [&] { stop(Outcome::TimedOut, u"the server did not answer in time"_s); });
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& target) {
        if (!HttpFetch::isRedirectAllowed(current, target))
            return stop(Outcome::RedirectRefused, u"refused a redirect to "_s + target.toDisplayString());
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
        stop(Outcome::Failed, u"the transfer was abandoned"_s);
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
        result.errorString = u"the server answered with status %1"_s.arg(status);
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
                                      int stallTimeoutMs, const QByteArray& sha256)
{
    // The data goes to a temporary file beside the destination, renamed over it at the end.
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly)) {
        Result result;
        result.outcome = Outcome::WriteFailed;
        result.errorString = file.errorString();
        return result;
    }
    QCryptographicHash digest(QCryptographicHash::Sha256);
    Result result = transfer(url, maxBytes, stallTimeoutMs, true, [&](const QByteArray& chunk) {
        digest.addData(chunk);
        return file.write(chunk) == chunk.size();
    });
    if (result.ok() && !sha256.isEmpty() && digest.result() != sha256) {
        result.outcome = Outcome::DigestMismatch;
        result.errorString = u"the download is not the file that was published"_s;
    }
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
    return to.scheme() == "https"_L1 || from.scheme() == "http"_L1;
}

} // namespace sleevelight
