#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrlQuery>

namespace sleevelight {

// The head of one HTTP/1.1 request, read before the server sees it so that what is not ours to
// answer never reaches it.
struct RequestHead
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    // By their names in lower case; a name given twice keeps its first value.
    QHash<QByteArray, QByteArray> headers;
    qint64 contentLength = 0;
    bool chunked = false;
    // The bytes of the head, its blank line included.
    qsizetype size = 0;

    QByteArray header(const QByteArray& lowerCaseName) const { return headers.value(lowerCaseName); }
    bool isWebSocketUpgrade() const;
};

struct HeadReading
{
    enum class Status
    {
        Incomplete,
        Complete,
        Malformed,
        TooLarge,
    };
    Status status = Status::Incomplete;
    RequestHead head;
};

// Reads a head from the start of `bytes`; a head not ended within `maxBytes` is too large.
HeadReading readRequestHead(QByteArrayView bytes, qsizetype maxBytes);

// Who may ask what of the remote: the names and addresses this machine answers to, and the token a
// paired phone carries.
struct RemoteRules
{
    static constexpr qint64 maxBody = 64 * 1024;

    QString token;
    // Lower case: "localhost", the machine's name and its ".local" name.
    QStringList hostNames;
    QList<QHostAddress> addresses;

    // 0 when the request may go on to the server; else the status to answer with.
    int admit(const RequestHead& head) const;

    bool isOwnHost(const QByteArray& hostHeader) const;
    bool carriesToken(const RequestHead& head) const;
    // The routes; any other path is not found.
    static bool isPagePath(const QString& path);
    static bool needsToken(const QString& path);
};

// The names and addresses of this machine, as the rules want them.
RemoteRules localRules(const QString& token);

// Compares without stopping at the first difference.
bool sameSecret(const QByteArray& a, const QByteArray& b);

} // namespace sleevelight
