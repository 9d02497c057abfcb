// A music player for trying the display without one: it plays a made-up playlist, silently,
// and speaks MPRIS on the session bus like any other player.

#include "mprisplayeradaptor.h"
#include "mprisrootadaptor.h"
#include "mpristracklistadaptor.h"
#include "tools/demoplayer/demoplayer.h"
#include "tools/demoplayer/playlist.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDir>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    // The demo draws its pictures but shows no window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(u"sleevelight-demo-player"_s);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fputs("sleevelight-demo-player: there is no session bus to play on.\n", stderr);
        return 1;
    }

    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           u"/sleevelight-demo-player"_s;
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "sleevelight-demo-player: cannot write %s\n", qPrintable(folder));
        return 1;
    }

    using sleevelight::demo::DemoPlayer;
    QList<sleevelight::demo::DemoTrack> playlist = sleevelight::demo::makePlaylist(folder);
    // Pictures named by a web address instead, as browsers and Spotify name theirs: with
    // SLEEVELIGHT_DEMO_ART_SITE=http://127.0.0.1:8765 and the folder served there
    // (python3 -m http.server 8765 --directory ~/.cache/sleevelight-demo-player).
    if (const QString site = qEnvironmentVariable("SLEEVELIGHT_DEMO_ART_SITE"); site.startsWith("http"_L1)) {
        for (sleevelight::demo::DemoTrack& track : playlist)
            if (track.artUrl.startsWith("file:"_L1))
                track.artUrl = site + u'/' + QDir(folder).relativeFilePath(QUrl(track.artUrl).toLocalFile());
    }
    DemoPlayer player(playlist);
    new MediaPlayer2Adaptor(&player);
    new PlayerAdaptor(&player);
    qDBusRegisterMetaType<QList<QVariantMap>>();
    new TrackListAdaptor(&player);
    if (!bus.registerObject(u"/org/mpris/MediaPlayer2"_s, &player)) {
        std::fputs("sleevelight-demo-player: cannot publish the player object.\n", stderr);
        return 1;
    }
    if (bus.interface()
            ->registerService(DemoPlayer::busName, QDBusConnectionInterface::DontQueueService)
            .value() != QDBusConnectionInterface::ServiceRegistered) {
        std::fprintf(stderr, "sleevelight-demo-player: %s is taken; is the demo already playing?\n",
                     qPrintable(DemoPlayer::busName));
        return 1;
    }
    std::printf("Playing a demo playlist as %s. Stop it with Ctrl+C.\n", qPrintable(DemoPlayer::busName));
    std::fflush(stdout);

    // A player without its bus has nobody to play for; it must not linger after the session.
    QTimer busCheck;
    QObject::connect(&busCheck, &QTimer::timeout, &app, [] {
        if (!QDBusConnection::sessionBus().isConnected())
            QCoreApplication::quit();
    });
    busCheck.start(1000);
    return app.exec();
}
