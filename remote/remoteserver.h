#pragma once

#include "remote/httpservice.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>

class QTimer;
class QWebSocket;

namespace sleevelight {

// The remote's server, on a thread of its own: the page, the track as JSON, its artwork and the
// commands, and a WebSocket for each phone that every new state is pushed to. It knows the display
// only by what is published to it and tells it only of commands, so nothing here ever waits on the
// window's thread nor holds it.
class RemoteServer : public QObject
{
    Q_OBJECT

public:
    // The longest side of the artwork served: a phone's screen, not the file's.
    static constexpr int artworkSide = 1024;

    explicit RemoteServer(const HttpService::Limits& limits = {});
    ~RemoteServer() override;

public Q_SLOTS:
    // Listens (on the server's thread) on every address at `port` (0: any free port) for phones carrying `token`.
    void start(const QString& token, quint16 port);
    // From now on only phones carrying `token` are served; those connected are let go.
    void setToken(const QString& token);
    // The track and the display as the page shows them; pushed to every phone when it changed.
    void publishState(const QByteArray& json);
    // The current artwork's encoded picture (empty: none), scaled here for phones.
    void publishArtwork(const QByteArray& encoded);

Q_SIGNALS:
    // Listening at `port`; the addresses of this machine a phone may reach it at.
    void started(quint16 port, const QStringList& addresses);
    void failed(const QString& reason);
    // A well-formed command of a paired phone.
    void commandReceived(const QJsonObject& command);
    void phonesChanged(int count);

private:
    HttpReply handle(const HttpRequest& request);
    void webSocketOpened(QWebSocket* socket);
    void pingPhones();
    void listen(quint16 port, int triesLeft);

    HttpService::Limits m_limits;
    HttpService* m_service = nullptr;
    QByteArray m_state = "{}";
    QByteArray m_artwork;
    QByteArray m_artworkType;
    QHash<QString, QByteArray> m_files;
    // Each phone, and whether it answered the last ping.
    QHash<QWebSocket*, bool> m_phones;
    QTimer* m_ping = nullptr;
    RemoteRules m_rules;
};

// Why a command cannot be done, in a few words; empty when it is well formed.
QString commandProblem(const QJsonObject& command);

} // namespace sleevelight
