#pragma once

#include "player/mpd/mpdlink.h"
#include "player/playersource.h"

namespace sleevelight {

// A music server as a player: what its link last read, and the commands it takes. It is there
// (`isReached()`) while the server is.
class MpdPlayer : public SourcePlayer
{
    Q_OBJECT

public:
    MpdPlayer(const MpdServer& server, const QString& musicFolder, const MpdLink::Limits& limits,
              QObject* parent = nullptr);
    ~MpdPlayer() override;

    // "mpd:host:port"; "MPD host:port".
    QString id() const override;
    QString identity() const override;
    const MpdServer& server() const { return m_server; }
    bool isReached() const { return m_reached; }

    void playPause() override;
    void previous() override { send({MpdLink::Command::Kind::Previous}); }
    void next() override { send({MpdLink::Command::Kind::Next}); }
    void seek(qint64 positionUs) override;
    void setVolume(double volume) override;
    bool keepsRatings() const override { return m_stickers; }
    void setRating(int percent) override;
    void setLoved(bool loved) override;
    std::optional<QByteArray> picture() const override;

Q_SIGNALS:
    void reachedChanged();

private:
    void send(const MpdLink::Command& command);
    void stateRead(const MpdState& state);
    void pictureRead(const QString& trackUrl, const QByteArray& bytes);

    MpdServer m_server;
    MpdLink* m_link = nullptr;
    bool m_reached = false;
    bool m_stickers = false;
    QString m_songFile;
    QString m_pictureFor;
    QByteArray m_picture;
};

} // namespace sleevelight
