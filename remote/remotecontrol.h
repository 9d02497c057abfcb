#pragma once

#include "display/displayfeature.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class QThread;

namespace sleevelight {

class PairingView;
class RemoteServer;

// The remote: while the preference is on, a server on a thread of its own serves a page for phones
// on the network, pushes every change of the display to them and does what they ask here, on the
// window's thread, as a key or the panel would. Key r shows the address to scan.
class RemoteControl : public DisplayFeature
{
    Q_OBJECT

public:
    explicit RemoteControl(AppDelegate& app);
    ~RemoteControl() override;

    static inline const QString remoteOffText =
        QStringLiteral("The remote is off: turn it on in the preferences (Players)");

    void livePreferencesChanged() override;
    void trackInfoUpdated(bool isNewTrack) override;
    void trackProgressUpdated() override;
    void viewItemsUpdated() override { stateMayHaveChanged(); }
    void preferencePanelFilled() override;
    bool keyPressed(KeyCommand command) override;

    // What a phone opens, token included; empty while nothing listens.
    QString address() const { return m_address; }
    quint16 port() const { return m_port; }
    // The display as a phone sees it.
    QJsonObject state() const;
    // Makes a new token, which shuts out every phone paired before.
    void renewToken();
    // Does what a phone asked (a well-formed command).
    void run(const QJsonObject& command);

Q_SIGNALS:
    // The server listens at `address`, or could not.
    void listening(const QString& address);
    void failed(const QString& reason);

private:
    void start();
    void stop();
    // Listening at that port, reached by that host: says where, here and on standard error.
    void announce(quint16 port, const QString& host);
    // A change is published once, after whatever else changed with it.
    void stateMayHaveChanged();
    void publish(bool positionMoved);
    void applyPreferences(const QJsonObject& values);
    void fillPanel();

    QThread* m_thread = nullptr;
    RemoteServer* m_server = nullptr;
    QString m_token;
    qint64 m_requestedPort = -1;
    quint16 m_port = 0;
    QString m_host;
    // Why the server does not listen, when it could not.
    QString m_failure;
    QString m_address;
    bool m_publishQueued = false;
    // What was published last, without the position that moves every second.
    QJsonObject m_published;
    QByteArray m_artworkPublished;
    quint64 m_artworkVersion = 0;
    int m_phones = 0;
    bool m_wired = false;
    PairingView* m_pairing = nullptr;
};

} // namespace sleevelight
