#include "remote/requesthead.h"

#include <QNetworkInterface>
#include <QSysInfo>
#include <QUrl>

namespace sleevelight {

using namespace Qt::StringLiterals;

namespace {

constexpr int maxHeaderLines = 64;

// Where the head ends: after the first empty line, whether lines end in CR LF or in LF alone (the
// server's parser takes both, so the guard must too). -1 when no empty line is there yet.
qsizetype headEnd(QByteArrayView bytes)
{
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n')
            continue;
        const qsizetype length = i - lineStart;
        if (lineStart > 0 && (length == 0 || (length == 1 && bytes[lineStart] == '\r')))
            return i + 1;
        lineStart = i + 1;
    }
    return -1;
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (c <= ' ' || c >= 127 || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    return true;
}

bool readLength(const QByteArray& text, qint64& length)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    length = text.toLongLong();
    return true;
}

} // namespace

bool RequestHead::isWebSocketUpgrade() const
{
    return header("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
}

HeadReading readRequestHead(QByteArrayView bytes, qsizetype maxBytes)
{
    HeadReading reading;
    const qsizetype end = headEnd(bytes.first(std::min(bytes.size(), maxBytes)));
    if (end < 0) {
        reading.status = bytes.size() >= maxBytes ? HeadReading::Status::TooLarge : HeadReading::Status::Incomplete;
        return reading;
    }
    reading.status = HeadReading::Status::Malformed;
    RequestHead& head = reading.head;
    head.size = end;

    const QList<QByteArray> lines = bytes.first(end).toByteArray().split('\n');
    // The request line: METHOD SP target SP HTTP/1.x, the target a path.
    const QList<QByteArray> parts = lines.first().trimmed().split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || !parts[2].startsWith("HTTP/1.") ||
        !parts[1].startsWith('/'))
        return reading;
    head.method = parts[0];
    const qsizetype question = parts[1].indexOf('?');
    const QByteArray path = question < 0 ? parts[1] : parts[1].left(question);
    head.path = QString::fromUtf8(QByteArray::fromPercentEncoding(path));
    if (question >= 0)
        head.query = QUrlQuery(QString::fromUtf8(parts[1].mid(question + 1)));

    if (lines.size() - 2 > maxHeaderLines) {
        reading.status = HeadReading::Status::TooLarge;
        return reading;
    }
    bool lengthGiven = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        // A folded line, or a name that is not one, is refused rather than guessed at.
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(QByteArrayView(line).first(colon)))
            return reading;
        const QByteArray name = line.left(colon).toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            qint64 length = 0;
            if (!readLength(value, length) || (lengthGiven && length != head.contentLength))
                return reading;
            head.contentLength = length;
            lengthGiven = true;
        } else if (name == "transfer-encoding") {
            head.chunked = true;
        } else if (name == "host" && head.headers.contains(name)) {
            return reading;
        }
        if (!head.headers.contains(name))
            head.headers.insert(name, value);
    }
    reading.status = HeadReading::Status::Complete;
    return reading;
}

bool RemoteRules::isPagePath(const QString& path)
{
    return path == "/"_L1 || path == "/remote.js"_L1 || path == "/remote.css"_L1;
}

bool RemoteRules::needsToken(const QString& path)
{
    return path == "/api/track"_L1 || path == "/api/artwork"_L1 || path == "/api/command"_L1 ||
           path == "/ws"_L1;
}

int RemoteRules::admit(const RequestHead& head) const
{
    // A name that is not this machine's is a page elsewhere reaching in through a name it rebound.
    if (!isOwnHost(head.header("host")))
        return 421;
    // No page of another origin may use the remote; a browser always says where a request is from.
    if (head.headers.contains("origin") &&
        head.header("origin").compare(QByteArray("http://" + head.header("host")), Qt::CaseInsensitive) != 0)
        return 403;
    if (!isPagePath(head.path) && !needsToken(head.path))
        return 404;
    if (needsToken(head.path) && !carriesToken(head))
        return 401;
    const bool post = head.path == "/api/command"_L1;
    if (head.method != (post ? "POST" : "GET") || (head.path == "/ws"_L1) != head.isWebSocketUpgrade())
        return 405;
    if (head.chunked)
        return 411;
    if (head.contentLength > maxBody)
        return 413;
    return 0;
}

bool RemoteRules::isOwnHost(const QByteArray& hostHeader) const
{
    QByteArray host = hostHeader.trimmed().toLower();
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return false;
        host = host.mid(1, close - 1);
    } else if (const qsizetype colon = host.lastIndexOf(':'); colon >= 0) {
        host.truncate(colon);
    }
    if (host.endsWith('.'))
        host.chop(1);
    if (host.isEmpty())
        return false;
    const QString name = QString::fromLatin1(host);
    if (hostNames.contains(name) || name.endsWith(".localhost"_L1))
        return true;
    const QHostAddress address(name);
    if (address.isNull())
        return false;
    if (address.isLoopback())
        return true;
    for (const QHostAddress& own : addresses)
        if (own.isEqual(address, QHostAddress::TolerantConversion))
            return true;
    return false;
}

bool RemoteRules::carriesToken(const RequestHead& head) const
{
    if (token.isEmpty())
        return false;
    const QByteArray expected = token.toUtf8();
    const QByteArray authorization = head.header("authorization");
    if (authorization.left(7).compare("bearer ", Qt::CaseInsensitive) == 0)
        return sameSecret(authorization.mid(7).trimmed(), expected);
    return sameSecret(head.query.queryItemValue(u"token"_s, QUrl::FullyDecoded).toUtf8(), expected);
}

RemoteRules localRules(const QString& token)
{
    RemoteRules rules;
    rules.token = token;
    const QString machine = QSysInfo::machineHostName().toLower();
    rules.hostNames = {u"localhost"_s};
    if (!machine.isEmpty() && machine != "localhost"_L1)
        rules.hostNames << machine << machine + ".local"_L1;
    for (QHostAddress address : QNetworkInterface::allAddresses()) {
        address.setScopeId(QString());
        rules.addresses << address;
    }
    return rules;
}

bool sameSecret(const QByteArray& a, const QByteArray& b)
{
    unsigned char difference = a.size() == b.size() ? 0 : 1;
    const QByteArray& longer = a.size() >= b.size() ? a : b;
    for (qsizetype i = 0; i < longer.size(); ++i)
        difference |= (i < a.size() ? a[i] : 0) ^ (i < b.size() ? b[i] : 0);
    return difference == 0;
}

} // namespace sleevelight
