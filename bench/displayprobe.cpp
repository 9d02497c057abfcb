// The display side of the benchmark: the application exactly as it starts from its main routine,
// watched from outside its code. It reports on standard output, each with the monotonic clock:
//   start <main> <application object> <loaded> <launched>   once
//   first-frame <time>                 once, when the window's first repaint is done
//   frame <time> <name painted 0/1> <artwork painted 0/1/2> <refresh began> <refresh ended> <w>x<h> <name
//   text>
//                                      each time the window finished a repaint of either (the
//                                      artwork 1 as its preview, 2 as the picture itself); the
//                                      refresh is the last full refresh before it
//   tick <work> <repaint>              each progress tick: nanoseconds from its timer to the end of
//                                      its work, and of the window's repaint that follows (0: none)
//   popups <nanoseconds>               on "popups": filling three font pop-ups as the launch does
//   heap <bytes in use>                on "heap": what the allocator has handed out and not got
//                                      back, which unlike the resident set excludes freed pages
//                                      the allocator keeps for later

#include "app/appdelegate.h"
#include "app/application.h"
#include "bench/benchsupport.h"
#include "platform/fonts.h"
#include "platform/views/imageview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "player/itunesbridgeprotocol.h"
#include "player/playerbridge.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace sleevelight::bench {

namespace {

class Probe : public QObject
{
public:
    explicit Probe(AppDelegate* d) : m_d(d)
    {
        for (QTimer* timer : d->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
            if (timer->interval() == 1000 && !timer->isSingleShot())
                m_progressTimer = timer;
        qApp->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &Probe::idle);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            if (watched == m_d->mTrackName || watched == m_d->mTrackName2 || watched == m_d->mTrackName3)
                // As painted now: a picture taken of the window (the track's crossfade) paints the
                // name that is going.
                m_name = static_cast<TextField*>(watched)->text().simplified();
            else if (watched == m_d->mArtworkView)
                m_artworkPainted = true;
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == m_d->mWindow)
                m_windowPainted = true;
        } else if (event->type() == QEvent::Timer && watched == m_progressTimer) {
            reportTick();
            m_tickStart = nowNs();
        } else if (event->type() == QEvent::UpdateRequest && m_tickWork != 0 && m_repaintStart == 0) {
            m_repaintStart = nowNs();
        }
        return false;
    }

public:
    void refreshed(qint64 began)
    {
        m_refreshBegan = began;
        m_refreshEnded = nowNs();
    }

private:
    void reportTick(qint64 repaint = 0)
    {
        if (m_tickWork != 0)
            std::printf("tick %lld %lld\n", static_cast<long long>(m_tickWork),
                        static_cast<long long>(repaint));
        m_tickWork = 0;
        m_repaintStart = 0;
    }

private:
    // The event loop has nothing left to do: whatever was painted is on the window.
    void idle()
    {
        const qint64 now = nowNs();
        if (m_windowPainted && !m_firstFrameReported) {
            std::printf("first-frame %lld\n", static_cast<long long>(now));
            m_firstFrameReported = true;
        }
        if (m_name || m_artworkPainted) {
            const QSize size = m_d->mWindow->size();
            std::printf("frame %lld %d %d %lld %lld %dx%d %s\n", static_cast<long long>(now),
                        m_name.has_value(),
                        m_artworkPainted ? (m_d->mArtworkView->showsPreview() ? 1 : 2) : 0,
                        static_cast<long long>(m_refreshBegan), static_cast<long long>(m_refreshEnded),
                        size.width(), size.height(), m_name ? qPrintable(*m_name) : "");
            m_name.reset();
            m_artworkPainted = false;
        }
        if (m_repaintStart != 0) {
            reportTick(now - m_repaintStart);
        } else if (m_tickStart != 0) {
            m_tickWork = now - m_tickStart;
            m_tickStart = 0;
        }
        std::fflush(stdout);
    }

    AppDelegate* m_d;
    QTimer* m_progressTimer = nullptr;
    std::optional<QString> m_name;
    bool m_artworkPainted = false;
    bool m_windowPainted = false;
    bool m_firstFrameReported = false;
    qint64 m_tickStart = 0;
    qint64 m_tickWork = 0;
    qint64 m_repaintStart = 0;
    qint64 m_refreshBegan = 0;
    qint64 m_refreshEnded = 0;
};

// What the launch spends on the pop-ups' font names, done again on fresh pop-ups.
qint64 fillPopups()
{
    const qint64 start = nowNs();
    QComboBox popups[3];
    const QStringList fonts = FontManager::availableFonts();
    for (QComboBox& popup : popups)
        popup.addItems(fonts);
    return nowNs() - start;
}

} // namespace

int runDisplay(int argc, char** argv, qint64 mainEntered)
{
    // As the application's main routine does it.
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Sleevelight"_s);
    QApplication::setOrganizationName(u"Sleevelight"_s);
    QApplication::setQuitOnLastWindowClosed(false);
    const qint64 made = nowNs();
    PlayerBridge::registerAsApplicationBridge();

    Application application;
    QString error;
    if (!application.load(&error)) {
        std::fprintf(stderr, "bench display: cannot start: %s\n", qPrintable(error));
        return 1;
    }
    const qint64 loaded = nowNs();
    // Heard before the application's own refresh, which launch connects; the probe's end after it.
    iTunesBridgeProtocol* bridge = application.delegate()->iTunesBridge.get();
    qint64 refreshBegan = 0;
    QObject::connect(bridge, &iTunesBridgeProtocol::playerInfoChanged, bridge,
                     [&] { refreshBegan = nowNs(); });
    application.launch();
    const qint64 launched = nowNs();
    std::printf("start %lld %lld %lld %lld\n", static_cast<long long>(mainEntered),
                static_cast<long long>(made), static_cast<long long>(loaded),
                static_cast<long long>(launched));
    Probe probe(application.delegate());
    QObject::connect(bridge, &iTunesBridgeProtocol::playerInfoChanged, &probe,
                     [&] { probe.refreshed(refreshBegan); });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &input, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        const QByteArray command = got > 0 ? QByteArray(buffer, got).trimmed() : QByteArray("quit");
        if (command == "popups") {
            std::printf("popups %lld\n", static_cast<long long>(fillPopups()));
        } else if (command == "heap") {
            const struct mallinfo2 info = mallinfo2();
            std::printf("heap %zu\n", info.uordblks + info.hblkhd);
        } else if (command == "quit")
            QCoreApplication::quit();
        std::fflush(stdout);
    });
    return QApplication::exec();
}

} // namespace sleevelight::bench
