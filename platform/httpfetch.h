#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace sleevelight {

// HTTP GETs that are over when they return, like a synchronous read, yet never freeze the
// window: the caller waits in a local event loop (painting and input go on) that is bounded
// in time, and the body is bounded in size. Only http and https addresses are fetched.
class HttpFetch
{
public:
    enum class Outcome
    {
        Ok,
        Failed,          // no connection, an HTTP error status, a bad address
        TimedOut,        // nothing, or nothing more, arrived in time
        TooLarge,        // the body went beyond the cap
        RedirectRefused, // a redirect to a less safe or foreign scheme
        WriteFailed,     // the destination could not be written
        DigestMismatch,  // the bytes are not the ones whose digest was given
    };

    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QByteArray body; // the whole body, for get() only
        QString errorString;
        bool ok() const { return outcome == Outcome::Ok; }
    };

    // The whole body when it is at most `maxBytes` long and complete within `timeoutMs`.
    static Result get(const QUrl& url, qint64 maxBytes, int timeoutMs);

    // Streams the body into the file `destination`, which is replaced only once every byte has
    // arrived (and, given `sha256`, once their SHA-256 is that one); on any failure the destination
    // is left as it was and no partial file remains. Gives up when no byte arrives for
    // `stallTimeoutMs`, or beyond `maxBytes`.
    static Result download(const QUrl& url, const QString& destination, qint64 maxBytes, int stallTimeoutMs,
                           const QByteArray& sha256 = {});

    // A redirect may always lead to https; to http only from http. Anything else is refused, so a
    // transfer never drops from https to plain text and never leaves the web.
    static bool isRedirectAllowed(const QUrl& from, const QUrl& to);
};

} // namespace sleevelight
