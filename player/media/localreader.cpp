#include "player/media/localreader.h"

#include <condition_variable>
#include <mutex>
#include <optional>

namespace sleevelight {

namespace {

using Clock = std::chrono::steady_clock;

// A read under way when the reader goes is given this long to end, so that the program does not
// leave a thread reading while it exits.
constexpr auto finishingTime = std::chrono::seconds(1);

struct Job
{
    quint64 ticket = 0;
    TrackFilesRequest request;
};

} // namespace

// What one worker thread shares with the reader. The thread holds it too, so a thread left
// behind still finds it after the reader has gone.
struct LocalReader::Lane
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<Job> waiting;
    bool stopping = false;
    bool busy = false;
    Clock::time_point busySince;
    LocalReader* receiver = nullptr;

    // The reader lets go of this lane: its thread ends after what it reads now, and answers no one.
    // Called with the mutex held.
    void letGo()
    {
        stopping = true;
        receiver = nullptr;
        waiting.reset();
        wake.notify_all();
    }
};

LocalReader::LocalReader(QObject* parent, ReadFunction read, std::chrono::milliseconds hung)
    : QObject(parent), m_read(std::move(read)), m_hung(hung)
{
    if (!m_read)
        m_read = [](TrackFilesReader& reader, const TrackFilesRequest& request) {
            return reader.read(request);
        };
    startLane();
}

LocalReader::~LocalReader()
{
    stopLane();
}

void LocalReader::startLane()
{
    m_lane = std::make_shared<Lane>();
    m_lane->receiver = this;
    m_thread = std::thread([lane = m_lane, read = m_read] {
        // Kept for the thread's life: tracks of one album share pictures already checked.
        TrackFilesReader reader;
        std::unique_lock lock(lane->mutex);
        for (;;) {
            lane->wake.wait(lock, [&] { return lane->stopping || lane->waiting; });
            if (lane->stopping)
                return;
            const Job job = std::move(*lane->waiting);
            lane->waiting.reset();
            lane->busy = true;
            lane->busySince = Clock::now();
            lock.unlock();

            const TrackFiles files = read(reader, job.request);

            lock.lock();
            lane->busy = false;
            lane->idle.notify_all();
            // An answer a newer request has already replaced is not worth the trip.
            if (lane->receiver != nullptr && !lane->waiting) {
                LocalReader* receiver = lane->receiver;
                QMetaObject::invokeMethod(
                    receiver, [receiver, ticket = job.ticket, files] { receiver->deliver(ticket, files); },
                    Qt::QueuedConnection);
            }
        }
    });
}

void LocalReader::stopLane()
{
    bool finished = false;
    {
        std::unique_lock lock(m_lane->mutex);
        m_lane->letGo();
        finished = m_lane->idle.wait_for(lock, finishingTime, [this] { return !m_lane->busy; });
    }
    if (finished)
        m_thread.join();
    else
        m_thread.detach();
}

quint64 LocalReader::read(const TrackFilesRequest& request)
{
    const quint64 ticket = ++m_lastTicket;
    std::unique_lock lock(m_lane->mutex);
    if (m_lane->busy && m_abandoned < maxAbandoned && Clock::now() - m_lane->busySince > m_hung) {
        // The thread may never come back; the requests from now on get a fresh one.
        m_lane->letGo();
        lock.unlock();
        m_thread.detach();
        ++m_abandoned;
        startLane();
        lock = std::unique_lock(m_lane->mutex);
    }
    m_lane->waiting = Job{ticket, request};
    m_lane->wake.notify_one();
    return ticket;
}

void LocalReader::deliver(quint64 ticket, const TrackFiles& files)
{
    if (ticket == m_lastTicket)
        Q_EMIT finished(ticket, files);
}

} // namespace sleevelight
