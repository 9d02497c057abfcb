#pragma once

#include "player/mpd/mpdaddress.h"
#include "player/track.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <optional>

namespace sleevelight {

// What a music server is doing, as it said after its last change.
struct MpdState
{
    PlaybackStatus status = PlaybackStatus::Stopped;
    std::optional<qint64> elapsedUs;
    // 0-1; none when the server has no mixer.
    std::optional<double> volume;
    // Empty when nothing is current.
    Track track;
    // The song's own name for itself on the server (its "file"); empty without a current song.
    QString songFile;
    std::optional<Track> next;
    // The server keeps stickers: ratings and hearts are its own.
    bool stickers = false;
};

// The connection to one music server, kept on a thread of its own: it connects (each way the
// server is reached, in turn), reads what the server is doing and its artwork, waits for the
// server's next change, sends the commands given, and connects again with a growing pause when the
// server goes away. Nothing of it ever waits on the caller's thread, which hears of the server by
// signals. Every answer is bounded in time, lines and bytes; a server that breaks a bound is left
// and tried again later, and its fault is logged once.
class MpdLink : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        // How long a server may take to accept, greet and answer each command.
        std::chrono::milliseconds answerWait{3000};
        std::chrono::milliseconds firstRetryPause{500};
        std::chrono::milliseconds maxRetryPause{10000};
        qint64 maxPictureBytes = 20 * 1024 * 1024;
        int maxAnswerLines = 4000;
        qint64 maxAnswerBytes = 2 * 1024 * 1024;
    };

    struct Command
    {
        enum class Kind
        {
            PlayPause,
            Previous,
            Next,
            Seek,   // value: microseconds
            Volume, // value: 0-100
            Rating, // value: 0-10, of songFile
            Loved,  // value: 0 or 1, of songFile
        };
        Kind kind;
        qint64 value = 0;
        QString songFile = {};
    };

    // `musicFolder`: where the server's songs are on this machine, when they are; empty to ask a
    // server on a local socket.
    MpdLink(const MpdServer& server, const QString& musicFolder, const Limits& limits,
            QObject* parent = nullptr);
    // Leaves the thread to end by itself, at once: nothing here waits for it.
    ~MpdLink() override;

    void send(const Command& command);

    // What the link and its thread share.
    struct Shared;

Q_SIGNALS:
    // The server was reached and said what it is doing; again after each of its changes.
    void stateRead(const sleevelight::MpdState& state);
    // The artwork of a track (by its address); empty when the server has none.
    void pictureRead(const QString& trackUrl, const QByteArray& bytes);
    // The server went away after it was reached.
    void lost();

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace sleevelight
