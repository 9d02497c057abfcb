#include "player/webpictures.h"

#include "platform/timers.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

constexpr qsizetype cacheBytes = 64 * 1024 * 1024;
constexpr int maxFetchesInFlight = 4;

} // namespace

WebPictures::WebPictures(QObject* parent) : QObject(parent), m_fetched(cacheBytes) {}

WebPictures::~WebPictures() = default;

bool WebPictures::isWebAddress(const QString& address)
{
    return address.startsWith("http://"_L1, Qt::CaseInsensitive) ||
           address.startsWith("https://"_L1, Qt::CaseInsensitive);
}

std::optional<QByteArray> WebPictures::picture(const QString& address)
{
    if (!isWebAddress(address))
        return std::nullopt;
    if (address != m_lastAsked) {
        m_lastAsked = address;
        m_failed.clear(); // a failed address is tried again once per change of address, not once per refresh
    }
    if (const QByteArray* fetched = m_fetched.object(address))
        return *fetched;
    fetch(address);
    return std::nullopt;
}

std::optional<QByteArray> WebPictures::fetched(const QString& address)
{
    if (const QByteArray* bytes = m_fetched.object(address))
        return *bytes;
    return std::nullopt;
}

void WebPictures::fetch(const QString& address)
{
    if (m_failed.contains(address) || m_inFlight.contains(address) || m_inFlight.size() >= maxFetchesInFlight)
        return;
    if (m_network == nullptr)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(Timers::milliseconds(m_limits.fetchTimeoutSeconds));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = m_network->get(request);
    m_inFlight.insert(address);

    const qint64 cap = m_limits.maxPictureBytes;
    auto tooLarge = [reply, cap] {
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((announced.isValid() && announced.toLongLong() > cap) || reply->bytesAvailable() > cap)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, tooLarge);
    connect(reply, &QNetworkReply::readyRead, this, tooLarge);
    connect(reply, &QNetworkReply::finished, this, [this, reply, address] { fetchFinished(reply, address); });
}

void WebPictures::fetchFinished(QNetworkReply* reply, const QString& address)
{
    reply->deleteLater();
    m_inFlight.remove(address);
    const QByteArray bytes =
        reply->error() == QNetworkReply::NoError ? reply->read(m_limits.maxPictureBytes + 1) : QByteArray();
    if (bytes.isEmpty() || bytes.size() > m_limits.maxPictureBytes) {
        m_failed.insert(address);
        return;
    }
    // Whether the bytes are a picture is found out with the track's other pictures, away from the
    // window's thread.
    m_fetched.insert(address, new QByteArray(bytes), static_cast<qsizetype>(bytes.size()));
    Q_EMIT arrived(address);
}

} // namespace sleevelight
