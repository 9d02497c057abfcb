#include "player/media/webfetches.h"

#include "platform/timers.h"
#include "player/track.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr qsizetype cacheBytes = 64 * 1024 * 1024;
constexpr int maxFetchesInFlight = 4;

} // namespace

WebFetches::WebFetches(QObject* parent) : QObject(parent), m_fetched(cacheBytes) {}

WebFetches::~WebFetches() = default;

std::optional<QByteArray> WebFetches::bytes(const QString& address)
{
    if (!isWebAddress(address))
        return std::nullopt;
    if (address != m_lastAsked) {
        m_lastAsked = address;
        m_failed.clear(); // a failed address is tried again once per change of address, not once per refresh
    }
    if (std::optional<QByteArray> bytes = fetched(address))
        return bytes;
    fetch(address);
    return std::nullopt;
}

std::optional<QByteArray> WebFetches::fetched(const QString& address)
{
    if (const QByteArray* bytes = m_fetched.object(address))
        return *bytes;
    return std::nullopt;
}

QString WebFetches::liftedAddress(const QString& address)
{
    static const QList<std::pair<QRegularExpression, QString>> rules = [] {
        QList<std::pair<QRegularExpression, QString>> list;
        for (const Lift& lift : lifts)
            list.append(
                {QRegularExpression(QString::fromUtf8(lift.pattern)), QString::fromUtf8(lift.replacement)});
        return list;
    }();
    for (const auto& [pattern, replacement] : rules)
        if (pattern.match(address).hasMatch())
            return QString(address).replace(pattern, replacement);
    return {};
}

void WebFetches::fetch(const QString& address)
{
    if (m_failed.contains(address) || m_inFlight.contains(address) || m_inFlight.size() >= maxFetchesInFlight)
        return;
    m_inFlight.insert(address);
    const QString lifted = liftedAddress(address);
    get(lifted.isEmpty() ? address : lifted, address);
}

void WebFetches::get(const QString& from, const QString& address)
{
    if (m_network == nullptr)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(from)};
    request.setTransferTimeout(Timers::milliseconds(m_limits.fetchTimeoutSeconds));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    // Services ask to be told which program asks.
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Sleevelight/" SLEEVELIGHT_VERSION " (https://sleevelight.org)"));
    QNetworkReply* reply = m_network->get(request);

    const qint64 cap = m_limits.maxBytes;
    auto tooLarge = [reply, cap] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((announced.isValid() && announced.toLongLong() > cap) || reply->bytesAvailable() > cap)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, tooLarge);
    connect(reply, &QNetworkReply::readyRead, this, tooLarge);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, from, address] { fetchFinished(reply, from, address); });
}

void WebFetches::fetchFinished(QNetworkReply* reply, const QString& from, const QString& address)
{
    reply->deleteLater();
    const QByteArray bytes =
        reply->error() == QNetworkReply::NoError ? reply->read(m_limits.maxBytes + 1) : QByteArray();
    if (bytes.isEmpty() || bytes.size() > m_limits.maxBytes) {
        // The full-size copy failed: the address as the player gave it, then.
        if (from != address) {
            get(address, address);
            return;
        }
        m_inFlight.remove(address);
        m_failed.insert(address);
        return;
    }
    m_inFlight.remove(address);
    // Whether the bytes are a picture is found out with the track's other pictures, away from the
    // window's thread.
    m_fetched.insert(address, new QByteArray(bytes), static_cast<qsizetype>(bytes.size()));
    Q_EMIT arrived(address);
}

} // namespace sleevelight
