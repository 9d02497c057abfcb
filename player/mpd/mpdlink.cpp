#include "player/mpd/mpdlink.h"

#include "player/mpd/mpdanswers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QUrl>

#include <mpd/async.h>
#include <mpd/client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// Pictures come in pieces of at most this much (servers before 0.22.4 send 8 KiB whatever is asked).
constexpr unsigned pictureChunkBytes = 1024 * 1024;
constexpr int maxGreetingBytes = 512;
constexpr auto idleEvents = static_cast<mpd_idle>(MPD_IDLE_DATABASE | MPD_IDLE_QUEUE | MPD_IDLE_PLAYER |
                                                  MPD_IDLE_MIXER | MPD_IDLE_STICKER | MPD_IDLE_OPTIONS);

enum class Wait
{
    Ready,
    TimedOut,
    Woken,
};

} // namespace

// What the link and its thread share. The thread holds it as long as it runs, so the link can go
// at any time.
struct MpdLink::Shared
{
    std::mutex mutex;
    MpdLink* receiver = nullptr; // none once the link is gone
    bool stopping = false;
    std::deque<Command> commands;
    int socket = -1; // shut down to end a wait on the server at once
    const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    ~Shared()
    {
        if (wake >= 0)
            close(wake);
    }

    void ring() const
    {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = write(wake, &one, sizeof one);
    }
    void clearRing() const
    {
        quint64 count = 0;
        [[maybe_unused]] const ssize_t read = ::read(wake, &count, sizeof count);
    }
    bool isStopping()
    {
        const std::lock_guard lock(mutex);
        return stopping;
    }
};

namespace {

// One server's life on the link's thread.
class Worker
{
public:
    Worker(std::shared_ptr<MpdLink::Shared> shared, MpdServer server, QString musicFolder,
           MpdLink::Limits limits)
        : m_shared(std::move(shared)), m_server(std::move(server)), m_musicFolder(std::move(musicFolder)),
          m_limits(limits)
    {
    }

    void run();

private:
    enum class Answer
    {
        Given,
        Refused, // the server said no to this command; the connection stands
        Failed,  // the connection is lost or broke a bound
    };

    bool connectAny();
    int openSocket(const MpdEndpoint& endpoint);
    bool greet(int fd, QByteArray& welcome);
    // Until the socket is ready for `events`, the time is up, or the link ends; commands given
    // end the wait too when `forCommands`.
    Wait waitFor(int fd, short events, std::chrono::milliseconds timeout, bool forCommands = false);
    bool commandsWaiting();
    bool setUp(const MpdEndpoint& endpoint);
    bool refresh();
    bool readPicture();
    QByteArray picture(const char* command, const QByteArray& file, Answer& answer);
    bool runCommands();
    bool runCommand(const MpdLink::Command& command);
    bool idle(unsigned& events);
    void disconnect();

    // The answer to the command just sent, every line of it, within the bounds.
    Answer pairs(mpd::Pairs& into);
    Answer ask(bool sent, mpd::Pairs& into);
    Answer finish();
    bool done(bool ran);
    void fault(const QString& what);
    QString address(const QString& file, bool checkLocal) const;

    template <typename Function>
    void post(Function&& function)
    {
        const std::lock_guard lock(m_shared->mutex);
        if (MpdLink* link = m_shared->receiver)
            QMetaObject::invokeMethod(
                link, [link, function = std::forward<Function>(function)] { function(link); },
                Qt::QueuedConnection);
    }

    std::shared_ptr<MpdLink::Shared> m_shared;
    MpdServer m_server;
    QString m_musicFolder;
    MpdLink::Limits m_limits;
    mpd_connection* m_connection = nullptr;
    QString m_lastFault;
    bool m_reached = false;
    bool m_servedWell = false;
    MpdState m_state;
    bool m_canReadPictures = false;
    bool m_canReadComments = false;
    QString m_pictureFor;
    // A picture whose reading broke a bound: not asked for again, so the server's songs still show.
    QString m_pictureFailed;
};

void Worker::run()
{
    auto pause = m_limits.firstRetryPause;
    while (!m_shared->isStopping()) {
        if (connectAny() && refresh()) {
            unsigned events = 0;
            while (readPicture() && idle(events) && runCommands() && (events == 0 || refresh()))
                ;
        }
        // A server that went away after it served well is tried again soon; one that fails each
        // time it is reached, less and less often.
        if (std::exchange(m_servedWell, false))
            pause = m_limits.firstRetryPause;
        disconnect();
        if (std::exchange(m_reached, false))
            post([](MpdLink* link) { Q_EMIT link->lost(); });
        if (waitFor(-1, 0, pause) == Wait::Woken)
            break;
        {
            // Commands for a server that was not there are not sent when it comes back.
            const std::lock_guard lock(m_shared->mutex);
            m_shared->commands.clear();
        }
        pause = std::min(pause * 2, m_limits.maxRetryPause);
    }
    disconnect();
}

Wait Worker::waitFor(int fd, short events, std::chrono::milliseconds timeout, bool forCommands)
{
    QElapsedTimer clock;
    clock.start();
    pollfd watched[2] = {{m_shared->wake, POLLIN, 0}, {fd, events, 0}};
    const int count = fd >= 0 ? 2 : 1;
    for (;;) {
        int left = -1;
        if (timeout.count() >= 0)
            left = int(std::max<qint64>(timeout.count() - clock.elapsed(), 0));
        const int ready = poll(watched, count, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return Wait::TimedOut;
        if (count == 2 && watched[1].revents != 0)
            return Wait::Ready;
        if (m_shared->isStopping() || forCommands)
            return Wait::Woken;
        // Commands wait in their queue for the connection; the ring is for stopping here.
        m_shared->clearRing();
    }
}

bool Worker::commandsWaiting()
{
    const std::lock_guard lock(m_shared->mutex);
    return !m_shared->commands.empty();
}

bool Worker::connectAny()
{
    for (const MpdEndpoint& endpoint : std::as_const(m_server.endpoints)) {
        if (m_shared->isStopping())
            return false;
        const int fd = openSocket(endpoint);
        if (fd < 0)
            continue;
        QByteArray welcome;
        if (!greet(fd, welcome)) {
            close(fd);
            continue;
        }
        mpd_async* async = mpd_async_new(fd);
        if (async == nullptr) {
            close(fd);
            return false;
        }
        m_connection = mpd_connection_new_async(async, welcome.constData());
        if (m_connection == nullptr)
            return false;
        {
            const std::lock_guard lock(m_shared->mutex);
            m_shared->socket = fd;
        }
        if (mpd_connection_get_error(m_connection) != MPD_ERROR_SUCCESS) {
            fault(u"did not greet as a music server"_s);
            disconnect();
            continue;
        }
        // The library takes the part beyond whole seconds as microseconds: whole seconds only.
        const auto seconds = std::max<qint64>(1, (m_limits.answerWait.count() + 999) / 1000);
        mpd_connection_set_timeout(m_connection, unsigned(seconds * 1000));
        mpd_connection_set_keepalive(m_connection, true);
        if (setUp(endpoint))
            return true;
        disconnect();
    }
    return false;
}

int Worker::openSocket(const MpdEndpoint& endpoint)
{
    QList<std::pair<sockaddr_storage, socklen_t>> targets;
    if (!endpoint.socketPath.isEmpty()) {
        const QByteArray path = QFile::encodeName(endpoint.socketPath);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= qsizetype(sizeof address.sun_path))
            return -1;
        // A socket that is not there is no fault: the local server is simply not running.
        struct stat info{};
        if (!path.startsWith('@') && (stat(path.constData(), &info) != 0 || !S_ISSOCK(info.st_mode)))
            return -1;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (path.startsWith('@'))
            address.sun_path[0] = '\0'; // an abstract socket
        sockaddr_storage storage{};
        std::memcpy(&storage, &address, sizeof address);
        targets << std::pair{storage, socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) +
                                                (path.startsWith('@') ? 0 : 1))};
    } else {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const QByteArray port = QByteArray::number(endpoint.port);
        if (getaddrinfo(endpoint.host.toUtf8().constData(), port.constData(), &hints, &found) != 0) {
            fault(u"could not be found"_s);
            return -1;
        }
        for (addrinfo* entry = found; entry != nullptr && targets.size() < 8; entry = entry->ai_next) {
            sockaddr_storage storage{};
            std::memcpy(&storage, entry->ai_addr, std::min(size_t(entry->ai_addrlen), sizeof storage));
            targets << std::pair{storage, entry->ai_addrlen};
        }
        freeaddrinfo(found);
    }
    for (const auto& [address, length] : std::as_const(targets)) {
        const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
            return fd;
        if (errno == EINPROGRESS && waitFor(fd, POLLOUT, m_limits.answerWait) == Wait::Ready) {
            int error = 0;
            socklen_t size = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
                return fd;
        }
        close(fd);
    }
    // Refused or unanswered: nothing to log until the server has been reached once.
    return -1;
}

bool Worker::greet(int fd, QByteArray& welcome)
{
    // The greeting is read here so that a server that accepts and never greets can be left, and
    // the link ended, at any moment; the client library takes over after it.
    char buffer[maxGreetingBytes];
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const ssize_t peeked = recv(fd, buffer, sizeof buffer, MSG_PEEK);
        if (peeked == 0) {
            fault(u"closed the connection before greeting"_s);
            return false;
        }
        if (peeked > 0) {
            const void* end = std::memchr(buffer, '\n', size_t(peeked));
            if (end != nullptr) {
                const auto length = static_cast<const char*>(end) - buffer + 1;
                [[maybe_unused]] const ssize_t taken = recv(fd, buffer, size_t(length), 0);
                welcome = QByteArray(buffer, length - 1);
                if (!welcome.startsWith("OK MPD ")) {
                    fault(u"did not greet as a music server"_s);
                    return false;
                }
                return true;
            }
            if (peeked == maxGreetingBytes) {
                fault(u"did not greet as a music server"_s);
                return false;
            }
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        const auto left = m_limits.answerWait - std::chrono::milliseconds(clock.elapsed());
        if (left.count() <= 0 || waitFor(fd, POLLIN, left) != Wait::Ready) {
            if (!m_shared->isStopping())
                fault(u"accepted the connection and never greeted"_s);
            return false;
        }
    }
}

bool Worker::setUp(const MpdEndpoint& endpoint)
{
    if (!endpoint.password.isEmpty()) {
        const QByteArray password = endpoint.password.toUtf8();
        if (!mpd_run_password(m_connection, password.constData())) {
            // The server's own words could only repeat what was sent; the password is never logged.
            if (mpd_connection_get_error(m_connection) == MPD_ERROR_SERVER)
                fault(u"refused the password"_s);
            else
                done(false);
            return false;
        }
    }
    // Old servers do not know this; they send pictures in small pieces.
    if (!done(mpd_run_binarylimit(m_connection, pictureChunkBytes)))
        return false;
    mpd::Pairs allowed;
    if (ask(mpd_send_allowed_commands(m_connection), allowed) == Answer::Failed)
        return false;
    auto allows = [&allowed](const char* command) {
        return std::any_of(allowed.cbegin(), allowed.cend(),
                           [command](const auto& pair) { return pair.second == command; });
    };
    m_state.stickers = allows("sticker");
    m_canReadPictures = allows("readpicture") || allows("albumart");
    m_canReadComments = allows("readcomments");
    // A server on this machine says where its music is, to a client on its socket only.
    if (m_musicFolder.isEmpty() && !endpoint.socketPath.isEmpty() && allows("config")) {
        mpd::Pairs config;
        if (ask(mpd_send_command(m_connection, "config", nullptr), config) == Answer::Failed)
            return false;
        for (const auto& [name, value] : std::as_const(config))
            if (name == "music_directory")
                m_musicFolder = QString::fromUtf8(value);
    }
    return true;
}

QString Worker::address(const QString& file, bool checkLocal) const
{
    if (file.isEmpty())
        return {};
    if (file.contains("://"_L1))
        return file; // a stream
    if (checkLocal && !m_musicFolder.isEmpty() && !file.startsWith(u'/') && !file.contains("../"_L1)) {
        const QString path = m_musicFolder + u'/' + file;
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(path).toString();
    }
    // A song this machine cannot read: its address names the server, so what is kept of it (the
    // artwork, a rating without stickers) is kept per server.
    return u"mpd://"_s + m_server.name + u'/' + file;
}

bool Worker::refresh()
{
    mpd::Pairs status;
    mpd::Pairs song;
    if (ask(mpd_send_status(m_connection), status) == Answer::Failed ||
        ask(mpd_send_current_song(m_connection), song) == Answer::Failed)
        return false;
    const mpd::Status said = mpd::statusFrom(status);
    MpdState state;
    state.status = said.state;
    state.elapsedUs = said.elapsedUs;
    if (said.volume)
        state.volume = *said.volume / 100.0;
    state.stickers = m_state.stickers;
    state.songFile = mpd::songFile(song);
    state.track = mpd::trackFrom(song, address(state.songFile, true));
    if (state.track.url.startsWith("mpd:"_L1)) {
        state.track.artUrl = state.track.url;
        if (m_canReadComments) {
            mpd::Pairs comments;
            const QByteArray file = state.songFile.toUtf8();
            if (ask(mpd_send_command(m_connection, "readcomments", file.constData(), nullptr), comments) ==
                Answer::Failed)
                return false;
            state.track.lyricsText = mpd::lyricsFrom(comments);
        }
    }
    if (!said.audioFormat.isEmpty())
        state.track.encodingText = u"format: "_s + said.audioFormat;
    if (state.stickers && !state.songFile.isEmpty()) {
        mpd::Pairs stickers;
        const QByteArray file = state.songFile.toUtf8();
        if (ask(mpd_send_sticker_list(m_connection, "song", file.constData()), stickers) == Answer::Failed)
            return false;
        mpd::applyStickers(state.track, stickers);
    }
    if (said.nextSongId) {
        mpd::Pairs next;
        if (ask(mpd_send_get_queue_song_id(m_connection, *said.nextSongId), next) == Answer::Failed)
            return false;
        if (!next.isEmpty())
            state.next = mpd::trackFrom(next, address(mpd::songFile(next), false));
    }
    m_state = state;
    m_reached = true;
    post([state](MpdLink* link) { Q_EMIT link->stateRead(state); });
    return true;
}

bool Worker::readPicture()
{
    const QString url = m_state.track.artUrl;
    if (!m_canReadPictures || url.isEmpty() || url == m_pictureFor)
        return true;
    const QByteArray file = m_state.songFile.toUtf8();
    Answer answer = Answer::Given;
    QByteArray bytes;
    if (url != m_pictureFailed) {
        // The picture in the file, else the folder's cover.
        bytes = picture("readpicture", file, answer);
        if (answer != Answer::Failed && bytes.isEmpty())
            bytes = picture("albumart", file, answer);
        if (answer == Answer::Failed) {
            m_pictureFailed = url;
            return false;
        }
    }
    m_pictureFor = url;
    post([url, bytes](MpdLink* link) { Q_EMIT link->pictureRead(url, bytes); });
    return true;
}

QByteArray Worker::picture(const char* command, const QByteArray& file, Answer& answer)
{
    QByteArray bytes;
    // Old servers send 8 KiB a piece: enough pieces for the largest picture at that size.
    const qint64 maxPieces = m_limits.maxPictureBytes / 8192 + 16;
    for (qint64 piece = 0;; ++piece) {
        if (m_shared->isStopping() || piece > maxPieces) {
            answer = Answer::Failed;
            return {};
        }
        const QByteArray offset = QByteArray::number(bytes.size());
        if (!mpd_send_command(m_connection, command, file.constData(), offset.constData(), nullptr)) {
            answer = Answer::Failed;
            return {};
        }
        qint64 size = -1;
        qint64 chunk = -1;
        int lines = 0;
        while (chunk < 0) {
            mpd_pair* pair = mpd_recv_pair(m_connection);
            if (pair == nullptr)
                break;
            if (std::strcmp(pair->name, "size") == 0)
                size = QByteArray(pair->value).toLongLong();
            else if (std::strcmp(pair->name, "binary") == 0)
                chunk = QByteArray(pair->value).toLongLong();
            mpd_return_pair(m_connection, pair);
            if (++lines > 16) {
                fault(u"sent a picture's answer of too many lines"_s);
                answer = Answer::Failed;
                return {};
            }
        }
        if (chunk < 0) {
            // No picture: the server says so, or answers with nothing.
            answer = finish();
            return {};
        }
        if (chunk > qint64(pictureChunkBytes) || size < 0) {
            fault(u"sent a piece of a picture of %1 bytes"_s.arg(chunk));
            answer = Answer::Failed;
            return {};
        }
        if (size > m_limits.maxPictureBytes || bytes.size() + chunk > size) {
            // Too large to show; the piece is read so that the connection can go on.
            QByteArray skipped(chunk, Qt::Uninitialized);
            answer = mpd_recv_binary(m_connection, skipped.data(), size_t(chunk)) ? finish() : Answer::Failed;
            return {};
        }
        const qsizetype before = bytes.size();
        bytes.resize(before + chunk);
        if ((chunk > 0 && !mpd_recv_binary(m_connection, bytes.data() + before, size_t(chunk))) ||
            finish() != Answer::Given) {
            answer = Answer::Failed;
            return {};
        }
        if (chunk == 0 || bytes.size() >= size)
            return bytes;
    }
}

bool Worker::idle(unsigned& events)
{
    events = 0;
    if (commandsWaiting())
        return true;
    if (!mpd_send_idle_mask(m_connection, idleEvents))
        return done(false);
    const int fd = mpd_connection_get_fd(m_connection);
    const Wait wait = waitFor(fd, POLLIN, std::chrono::milliseconds(-1), true);
    if (m_shared->isStopping())
        return false;
    if (wait == Wait::Woken) {
        m_shared->clearRing();
        events = mpd_run_noidle(m_connection);
    } else {
        events = mpd_recv_idle(m_connection, true);
    }
    if (!done(mpd_connection_get_error(m_connection) == MPD_ERROR_SUCCESS))
        return false;
    // The server did all it was asked: a fault from here on is a new one, worth a line.
    m_lastFault.clear();
    m_servedWell = true;
    return true;
}

bool Worker::runCommands()
{
    for (;;) {
        MpdLink::Command command;
        {
            const std::lock_guard lock(m_shared->mutex);
            if (m_shared->commands.empty())
                return true;
            command = m_shared->commands.front();
            m_shared->commands.pop_front();
        }
        if (!runCommand(command))
            return false;
    }
}

bool Worker::runCommand(const MpdLink::Command& command)
{
    using Kind = MpdLink::Command::Kind;
    mpd_connection* connection = m_connection;
    const QByteArray file = command.songFile.toUtf8();
    switch (command.kind) {
    case Kind::PlayPause:
        return done(m_state.status == PlaybackStatus::Playing  ? mpd_run_pause(connection, true)
                    : m_state.status == PlaybackStatus::Paused ? mpd_run_pause(connection, false)
                                                               : mpd_run_play(connection));
    case Kind::Previous:
        return done(mpd_run_previous(connection));
    case Kind::Next:
        return done(mpd_run_next(connection));
    case Kind::Seek:
        return done(mpd_run_seek_current(connection, float(double(std::max<qint64>(command.value, 0)) / 1.0e6),
                                         false));
    case Kind::Volume:
        return done(mpd_run_set_volume(connection, unsigned(std::clamp<qint64>(command.value, 0, 100))));
    case Kind::Rating:
    case Kind::Loved: {
        if (file.isEmpty() || !m_state.stickers)
            return true;
        const bool rating = command.kind == Kind::Rating;
        const char* name = rating ? mpd::ratingSticker : mpd::heartSticker;
        const QByteArray value =
            rating ? QByteArray::number(std::clamp<qint64>(command.value, 0, 10)) : QByteArray(mpd::lovedValue);
        if (command.value == 0) {
            // Deleting a sticker the song does not have is refused, and that is fine.
            return done(mpd_run_sticker_delete(connection, "song", file.constData(), name));
        }
        return done(mpd_run_sticker_set(connection, "song", file.constData(), name, value.constData()));
    }
    }
    return true;
}

Worker::Answer Worker::pairs(mpd::Pairs& into)
{
    into.clear();
    qint64 bytes = 0;
    while (mpd_pair* pair = mpd_recv_pair(m_connection)) {
        const QByteArray name(pair->name);
        const QByteArray value(pair->value);
        mpd_return_pair(m_connection, pair);
        bytes += name.size() + value.size();
        if (into.size() >= m_limits.maxAnswerLines || bytes > m_limits.maxAnswerBytes) {
            fault(u"sent an answer of more than %1 lines or %2 bytes"_s.arg(m_limits.maxAnswerLines)
                      .arg(m_limits.maxAnswerBytes));
            return Answer::Failed;
        }
        into.append({name, value});
    }
    return finish();
}

Worker::Answer Worker::ask(bool sent, mpd::Pairs& into)
{
    if (!sent) {
        done(false);
        return Answer::Failed;
    }
    return pairs(into);
}

Worker::Answer Worker::finish()
{
    if (mpd_response_finish(m_connection))
        return Answer::Given;
    if (mpd_connection_get_error(m_connection) == MPD_ERROR_SERVER &&
        mpd_connection_clear_error(m_connection))
        return Answer::Refused;
    done(false);
    return Answer::Failed;
}

bool Worker::done(bool ran)
{
    if (ran)
        return true;
    const mpd_error error = mpd_connection_get_error(m_connection);
    // The server said no (a volume without a mixer, a sticker not there): the connection stands.
    if (error == MPD_ERROR_SERVER && mpd_connection_clear_error(m_connection))
        return true;
    if (error != MPD_ERROR_SUCCESS && !m_shared->isStopping()) {
        const char* message = mpd_connection_get_error_message(m_connection);
        fault(error == MPD_ERROR_TIMEOUT ? u"did not answer in time"_s
              : error == MPD_ERROR_CLOSED ? u"closed the connection"_s
                                          : QString::fromUtf8(message != nullptr ? message : "").left(200));
    }
    return false;
}

void Worker::fault(const QString& what)
{
    if (what == m_lastFault)
        return;
    m_lastFault = what;
    qWarning("Sleevelight: the music server %s %s", qPrintable(m_server.name), qPrintable(what));
}

void Worker::disconnect()
{
    if (m_connection == nullptr)
        return;
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->socket = -1;
    }
    mpd_connection_free(m_connection);
    m_connection = nullptr;
    m_pictureFor.clear();
}

} // namespace

MpdLink::MpdLink(const MpdServer& server, const QString& musicFolder, const Limits& limits, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = this;
    std::thread([shared = m_shared, server, musicFolder, limits] {
        Worker(shared, server, musicFolder, limits).run();
    }).detach();
}

MpdLink::~MpdLink()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->receiver = nullptr;
    m_shared->stopping = true;
    if (m_shared->socket >= 0)
        shutdown(m_shared->socket, SHUT_RDWR);
    m_shared->ring();
}

void MpdLink::send(const Command& command)
{
    {
        const std::lock_guard lock(m_shared->mutex);
        // A run of the same command (the volume slider dragged) is sent once, with its last value.
        if (!m_shared->commands.empty() && m_shared->commands.back().kind == command.kind &&
            command.kind != Command::Kind::Next && command.kind != Command::Kind::Previous &&
            command.kind != Command::Kind::PlayPause)
            m_shared->commands.back() = command;
        else if (m_shared->commands.size() < 64)
            m_shared->commands.push_back(command);
    }
    m_shared->ring();
}

} // namespace sleevelight
