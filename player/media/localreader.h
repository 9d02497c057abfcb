#pragma once

#include "player/media/trackfiles.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace sleevelight {

// Reads what tracks' files hold on a thread of its own, so that no file is opened on the
// caller's. Only the newest request counts: one asked while another waits replaces it, so a run
// of tracks read costs the last one, not each in turn. A read that hangs (a file on a network
// share that stopped answering) is left behind, and the next request gets a fresh thread.
class LocalReader : public QObject
{
    Q_OBJECT

public:
    // What a worker does with a request; tests put a slower one in its place.
    using ReadFunction = std::function<TrackFiles(TrackFilesReader&, const TrackFilesRequest&)>;

    explicit LocalReader(QObject* parent = nullptr, ReadFunction read = {},
                         std::chrono::milliseconds hung = std::chrono::seconds(10));
    ~LocalReader() override;

    // Asks for the track's files to be read; finished() hands back the answer with the number
    // returned here, unless a newer request replaced this one first.
    quint64 read(const TrackFilesRequest& request);

    // How many reads that took longer than `hung` the reader leaves behind at most.
    static constexpr int maxAbandoned = 4;

Q_SIGNALS:
    void finished(quint64 ticket, const sleevelight::TrackFiles& files);

private:
    struct Lane;
    void startLane();
    void stopLane();
    void deliver(quint64 ticket, const TrackFiles& files);

    ReadFunction m_read;
    std::chrono::milliseconds m_hung;
    std::shared_ptr<Lane> m_lane;
    std::thread m_thread;
    quint64 m_lastTicket = 0;
    int m_abandoned = 0;
};

} // namespace sleevelight
