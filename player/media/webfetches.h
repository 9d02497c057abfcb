#pragma once

#include <QByteArray>
#include <QCache>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace sleevelight {

// Addresses of a small or dead copy of a picture whose full-size copy lives elsewhere, tried first
// in its place. Spotify's open.spotify.com/image/<id> does not answer, i.scdn.co/image/<id> does;
// YouTube's hqdefault, mqdefault and sddefault thumbnails have a larger maxresdefault sibling.
struct Lift
{
    const char* pattern;
    const char* replacement;
};
inline constexpr Lift lifts[] = {
    {R"(^https?://open\.spotify\.com/image/)", "https://i.scdn.co/image/"},
    {R"(/(hq|mq|sd)default\.jpg(?=$|\?))", "/maxresdefault.jpg"},
};

// Files on the web fetched in the background (the pictures players name by an http or https
// address, the lyrics of a track), each at most once: what came is kept for later tracks, a
// failure is not tried again until asked for another address. A known full-size copy of a picture
// (`lifts`) is fetched in place of the address given, and the address given when that fails.
// Whether the bytes are what was wanted is found out on a worker.
class WebFetches : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 maxBytes = 16 * 1024 * 1024;
        double fetchTimeoutSeconds = 15.0;
    };

    explicit WebFetches(QObject* parent = nullptr);
    ~WebFetches() override;

    void setLimits(const Limits& limits) { m_limits = limits; }

    // The address of the full-size copy; empty when no rule knows one.
    static QString liftedAddress(const QString& address);

    // The bytes fetched from `address`, when they are here; otherwise starts fetching them.
    std::optional<QByteArray> bytes(const QString& address);
    // The bytes fetched from `address`, when they are here; nothing is fetched.
    std::optional<QByteArray> fetched(const QString& address);

Q_SIGNALS:
    void arrived(const QString& address);

private:
    void fetch(const QString& address);
    void get(const QString& from, const QString& address);
    void fetchFinished(QNetworkReply* reply, const QString& from, const QString& address);

    Limits m_limits;
    QNetworkAccessManager* m_network = nullptr;
    QCache<QString, QByteArray> m_fetched;
    QString m_lastAsked;
    QSet<QString> m_failed;
    QSet<QString> m_inFlight;
};

} // namespace sleevelight
