// The player side of the benchmark: an MPRIS player on its own connection that changes track when
// the benchmark tells it to (a line on standard input) and answers with the moment its
// PropertiesChanged left for the bus.
//   track <number> <art address or -> <title>
//   quit

#include "bench/benchsupport.h"
#include "tests/player/fakemprisplayer.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sleevelight::bench {

namespace {

QVariantMap metadataOf(int number, const QString& artUrl, const QString& title)
{
    QVariantMap metadata{
        {u"mpris:trackid"_s,
         QVariant::fromValue(QDBusObjectPath(u"/org/sleevelight/bench/track/%1"_s.arg(number)))},
        {u"mpris:length"_s, qint64(240'000'000)},
        {u"xesam:title"_s, title},
        {u"xesam:album"_s, u"Measured Sessions"_s},
        {u"xesam:artist"_s, QStringList{u"The Benchmark Quartet"_s}},
        {u"xesam:trackNumber"_s, number % 20 + 1},
    };
    if (!artUrl.isEmpty())
        metadata.insert(u"mpris:artUrl"_s, artUrl);
    return metadata;
}

} // namespace

int runPlayer(const QString& busName)
{
    test::FakeMprisPlayer player(busName, test::FakeMprisPlayer::playing(metadataOf(0, {}, u"Warming Up"_s)));
    // Clients such as playerctl pass over a player that cannot be controlled.
    for (const char* capability :
         {"CanControl", "CanPlay", "CanPause", "CanGoNext", "CanGoPrevious", "CanSeek"})
        player.properties.insert(QString::fromLatin1(capability), true);
    if (!player.isOnBus()) {
        std::fprintf(stderr, "bench player: %s is taken\n", qPrintable(busName));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            const QStringList words = line.split(u' ');
            if (words.value(0) == "quit"_L1) {
                QCoreApplication::quit();
            } else if (words.value(0) == "pause"_L1) {
                player.change({{u"PlaybackStatus"_s, u"Paused"_s}});
            } else if (words.value(0) == "track"_L1 && words.size() >= 4) {
                const QString art = words.at(2) == "-"_L1 ? QString() : words.at(2);
                const QVariantMap metadata = metadataOf(words.at(1).toInt(), art, words.mid(3).join(u' '));
                player.properties.insert(u"Position"_s, qint64(0));
                const qint64 sent = nowNs();
                player.change({{u"Metadata"_s, metadata}});
                std::printf("sent %lld\n", static_cast<long long>(sent));
                std::fflush(stdout);
            }
        }
    });
    return QCoreApplication::exec();
}

} // namespace sleevelight::bench
