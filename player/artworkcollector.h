#pragma once

#include <QByteArray>
#include <QCache>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace sleevelight {

// Gathers the pictures of a track: its art address, the pictures embedded in its local file and
// the cover files of that file's folder. Local pictures are read at once; a picture on the web is
// fetched in the background and announced by remotePictureArrived().
class ArtworkCollector : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 maxPictureBytes = 16 * 1024 * 1024;
        qint64 maxTrackBytes = 48 * 1024 * 1024;
        int maxPictures = 8;
        int maxPixels = 12000 * 12000;
        double fetchTimeoutSeconds = 15.0;
    };

    explicit ArtworkCollector(QObject* parent = nullptr);
    ~ArtworkCollector() override;

    void setLimits(const Limits& limits)
    {
        m_limits = limits;
        m_decodable.clear();
    }
    const Limits& limits() const { return m_limits; }

    // The encoded pictures of the track, distinct by content, each one decodable. Remembers the
    // last answer, so asking again for the same track reads nothing.
    QList<QByteArray> pictures(const QString& artUrl, const QString& trackUrl);

    // True when `bytes` hold a picture that decodes within the limits.
    bool isDecodablePicture(const QByteArray& bytes) const;

Q_SIGNALS:
    void remotePictureArrived();

private:
    std::optional<QByteArray> artUrlPicture(const QString& artUrl);
    void fetch(const QString& address);
    void fetchFinished(QNetworkReply* reply, const QString& address);

    Limits m_limits;
    QString m_lastArtUrl;
    QString m_lastTrackUrl;
    QList<QByteArray> m_lastPictures;
    bool m_hasLast = false;

    QNetworkAccessManager* m_network = nullptr;
    QCache<QString, QByteArray> m_remote;
    QSet<QString> m_failed;
    QSet<QString> m_inFlight;
    // Digests of the pictures most recently found decodable, newest first.
    QList<QByteArray> m_decodable;
};

} // namespace sleevelight
