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

// Pictures that players name by an http or https address, fetched in the background, each at
// most once: a picture is kept for later tracks, a failure is not tried again until asked for
// another address.
class WebPictures : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 maxPictureBytes = 16 * 1024 * 1024;
        double fetchTimeoutSeconds = 15.0;
    };

    explicit WebPictures(QObject* parent = nullptr);
    ~WebPictures() override;

    void setLimits(const Limits& limits) { m_limits = limits; }

    static bool isWebAddress(const QString& address);

    // The bytes fetched from `address`, when they are here; otherwise starts fetching them.
    std::optional<QByteArray> picture(const QString& address);
    // The bytes fetched from `address`, when they are here; nothing is fetched.
    std::optional<QByteArray> fetched(const QString& address);

Q_SIGNALS:
    void arrived(const QString& address);

private:
    void fetch(const QString& address);
    void fetchFinished(QNetworkReply* reply, const QString& address);

    Limits m_limits;
    QNetworkAccessManager* m_network = nullptr;
    QCache<QString, QByteArray> m_fetched;
    QString m_lastAsked;
    QSet<QString> m_failed;
    QSet<QString> m_inFlight;
};

} // namespace sleevelight
