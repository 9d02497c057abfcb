// How light and how quick the display is, measured on the real application in processes of its
// own: a scripted MPRIS player, the display watched from outside its code (displayprobe.cpp), the
// application binary itself for the steady state, and `playerctl metadata --follow` beside it.
// It prints medians and the targets beside them; it sets no limit and never fails on a figure.
//   build-bench/bench/sleevelight-bench [--runs N] [--seconds S] [--changes N] [--quick]
//                                       [--only changes|start|steady|memory|music|remote]
// It starts a private session bus of its own (dbus-run-session) and shows nothing on the desktop.

#include "bench/benchsupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <variant>
#include <vector>

using namespace Qt::StringLiterals;

namespace sleevelight::bench {
int runPlayer(const QString& busName);
int runDisplay(int argc, char** argv, qint64 mainEntered);
} // namespace sleevelight::bench

using namespace sleevelight::bench;

namespace {

const QString playerName = u"sleevelightbench"_s;
const QString playerBusName = u"org.mpris.MediaPlayer2."_s + playerName;

struct Options
{
    int runs = 11;
    int seconds = 60;
    int changes = 5000;
    bool quick = false;
    QByteArray only; // one section, or all when empty
};

// A child process whose standard output is read line by line, each line with the moment it was read.
class Child
{
public:
    struct Line
    {
        QByteArray text;
        qint64 readAt = 0;
    };

    Child(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        startedAt = nowNs();
        m_process.start(program, arguments);
        if (!m_process.waitForStarted(10000))
            std::fprintf(stderr, "bench: cannot start %s\n", qPrintable(program));
    }

    ~Child() { stop(); }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    pid_t pid() const { return pid_t(m_process.processId()); }
    void send(const QByteArray& line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(1000);
    }

    // The first line starting with `prefix` (and holding `part`), waiting up to `timeoutMs`.
    std::optional<Line> waitFor(const QByteArray& prefix, int timeoutMs, const QByteArray& part = {})
    {
        const qint64 deadline = nowNs() + qint64(timeoutMs) * 1'000'000;
        for (;;) {
            for (qsizetype i = 0; i < m_lines.size(); ++i) {
                if (m_lines[i].text.startsWith(prefix) && (part.isEmpty() || m_lines[i].text.contains(part)))
                    return m_lines.takeAt(i);
            }
            const qint64 left = (deadline - nowNs()) / 1'000'000;
            if (left <= 0 || !readMore(int(left)))
                return std::nullopt;
        }
    }

    // Reads for `ms` milliseconds, keeping every line.
    void drain(int ms)
    {
        const qint64 deadline = nowNs() + qint64(ms) * 1'000'000;
        for (qint64 left = ms; left > 0; left = (deadline - nowNs()) / 1'000'000)
            readMore(int(left));
    }

    QList<Line> take(const QByteArray& prefix)
    {
        QList<Line> taken;
        for (qsizetype i = 0; i < m_lines.size();)
            if (m_lines[i].text.startsWith(prefix))
                taken << m_lines.takeAt(i);
            else
                ++i;
        return taken;
    }

    void clear() { m_lines.clear(); }

    qint64 startedAt = 0;

private:
    bool readMore(int timeoutMs)
    {
        if (m_process.state() != QProcess::Running && m_process.bytesAvailable() == 0)
            return false;
        if (m_process.bytesAvailable() == 0 && !m_process.waitForReadyRead(timeoutMs))
            return m_process.state() == QProcess::Running;
        const qint64 at = nowNs();
        m_pending += m_process.readAllStandardOutput();
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            m_lines.append({m_pending.left(end), at});
            m_pending.remove(0, end + 1);
        }
        return true;
    }

    QProcess m_process;
    QByteArray m_pending;
    QList<Line> m_lines;
};

qint64 field(const QByteArray& line, int index)
{
    return line.split(' ').value(index).toLongLong();
}

// Cover art as photographs make it: a gradient with fine grain, so that it compresses like one.
// Each variant differs, so that no cache knows it.
QString writeJpeg(const QString& folder, int width, int height, int variant)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(quint32(width * 31 + height * 17 + variant));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(24u)) - 12;
            row[x] = qRgb(std::clamp(40 + 180 * x / width + grain, 0, 255),
                          std::clamp(60 + 120 * y / height + grain, 0, 255),
                          std::clamp(160 - 100 * x / width + (variant * 37) % 80 + grain, 0, 255));
        }
    }
    QPainter painter(&image);
    for (int i = 0; i < 24; ++i)
        painter.fillRect(QRect((i * 7919 + variant * 131) % width, (i * 104729 + variant * 71) % height,
                               width / 9, height / 9),
                         QColor::fromHsv((i * 37 + variant * 53) % 360, 160, 200));
    painter.end();
    const QString path = u"%1/art-%2x%3-%4.jpg"_s.arg(folder).arg(width).arg(height).arg(variant);
    image.save(path, "JPEG", 90);
    return path;
}

QString fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toString();
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

QString cpuModel()
{
    QFile file(u"/proc/cpuinfo"_s);
    if (file.open(QIODevice::ReadOnly))
        while (!file.atEnd())
            if (const QByteArray line = file.readLine(); line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QSysInfo::currentCpuArchitecture();
}

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return u"?"_s;
    const QList<QByteArray> parts = file.readAll().split(' ');
    return QString::fromLatin1(parts.mid(0, 3).join(' '));
}

// One row of the table: what, ours, the peer's, the ratio, the target and whether it is met.
void row(const char* what, const QString& ours, const QString& peer = {}, const QString& ratio = {},
         const QString& target = {}, std::optional<bool> met = std::nullopt)
{
    std::printf("  %-46s %12s %12s %7s   %-22s %s\n", what, qPrintable(ours), qPrintable(peer),
                qPrintable(ratio), qPrintable(target), met ? (*met ? "met" : "MISSED") : "");
    std::fflush(stdout);
}

QString number(double value, int decimals, const char* unit = "")
{
    return QString::number(value, 'f', decimals) + QString::fromLatin1(unit);
}

class Bench
{
public:
    Bench(const Options& options, const QString& self) : m_options(options), m_self(self)
    {
        const QString home = m_home.path();
        for (const char* sub : {"/config", "/data", "/cache", "/run", "/art"})
            QDir().mkpath(home + QLatin1String(sub));
        QFile::setPermissions(home + u"/run"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // One screen of 1920 x 1080 for the offscreen platform; the window fills it.
        const QString screens = home + u"/screens.json"_s;
        QFile json(screens);
        json.open(QIODevice::WriteOnly);
        json.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920, "height": 1080,
                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        json.close();
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen:configfile="_s + screens);
        m_environment.insert(u"HOME"_s, home);
        m_environment.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
        m_environment.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
        m_environment.insert(u"XDG_CACHE_HOME"_s, home + u"/cache"_s);
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, home + u"/run"_s);
        m_art = home + u"/art"_s;
    }

    void run()
    {
        std::printf("Sleevelight benchmark, %s\n",
                    qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)));
        std::printf("machine: %s, %d cores, %s; load average at the start: %s\n", qPrintable(cpuModel()),
                    QThread::idealThreadCount(), qPrintable(QSysInfo::prettyProductName()),
                    qPrintable(loadAverage()));
        std::printf("display: 1920 x 1080 offscreen window, private session bus; medians of %d runs\n\n",
                    m_options.runs);
        std::printf("  %-46s %12s %12s %7s   %-22s\n", "", "Sleevelight", "playerctl", "ratio", "target");
        std::fflush(stdout);

        makePictures();
        const auto wanted = [&](const char* section) {
            return m_options.only.isEmpty() || m_options.only == section;
        };
        if (wanted("changes"))
            changeToPixels();
        if (wanted("start"))
            start();
        if (wanted("steady"))
            steadyState();
        if (wanted("memory"))
            memory();
        if (wanted("music"))
            musicServer();
        if (wanted("remote"))
            remote();
        std::printf("\nload average at the end: %s\n", qPrintable(loadAverage()));
    }

private:
    std::unique_ptr<Child> player()
    {
        auto child = std::make_unique<Child>(m_self, QStringList{u"--player"_s}, m_environment);
        child->waitFor("ready", 10000);
        return child;
    }

    std::unique_ptr<Child> display()
    {
        return std::make_unique<Child>(m_self, QStringList{u"--display"_s}, m_environment);
    }

    void makePictures()
    {
        for (int i = 0; i < m_options.runs; ++i) {
            m_new1000 << writeJpeg(m_art, 1000, 1000, i);
            m_new3000 << writeJpeg(m_art, 3000, 3000, i);
            m_wide << writeJpeg(m_art, 3000, 1200, i);
        }
        m_cached = {writeJpeg(m_art, 1000, 1000, 100), writeJpeg(m_art, 1000, 1000, 101)};
        for (int i = 0; i < 8; ++i)
            m_churn << writeJpeg(m_art, 600, 600, 200 + i);
        m_huge = writeJpeg(m_art, 4000, 4000, 300);
    }

    struct Timing
    {
        double total = 0.0;    // the signal sent -> the new track and its artwork on the window
        double delivery = 0.0; // -> the display's refresh begins
        double refresh = 0.0;  // the refresh itself
        double full = 0.0;     // -> the artwork at full resolution (the same as total without a preview)
    };

    // Sends a track and waits until the display has painted its name and its artwork, then until
    // the artwork shows at full resolution.
    std::optional<Timing> change(Child& playerProcess, Child& displayProcess, const QString& art,
                                 bool withArtwork)
    {
        const int number = ++m_track;
        const QByteArray title = "Measured Track " + QByteArray::number(number);
        displayProcess.clear();
        playerProcess.send("track " + QByteArray::number(number) + ' ' +
                           (art.isEmpty() ? QByteArray("-") : fileUrl(art).toUtf8()) + ' ' + title);
        const std::optional<Child::Line> sent = playerProcess.waitFor("sent", 5000);
        if (!sent)
            return std::nullopt;
        const qint64 t0 = field(sent->text, 1);
        std::optional<Timing> timing;
        bool named = false;
        qint64 painted = withArtwork ? 0 : 2;
        while (true) {
            const std::optional<Child::Line> frame = displayProcess.waitFor("frame", 5000);
            if (!frame)
                return std::nullopt;
            named = named || frame->text.endsWith(QByteArray(' ' + title));
            painted = std::max(painted, named ? field(frame->text, 3) : 0);
            if (named && painted > 0 && !timing)
                timing = Timing{ms(field(frame->text, 1) - t0), ms(field(frame->text, 4) - t0),
                                ms(field(frame->text, 5) - field(frame->text, 4))};
            if (timing && painted == 2) {
                timing->full = ms(field(frame->text, 1) - t0);
                return timing;
            }
        }
    }

    // The peer: from the player's signal to `playerctl metadata --follow`'s line of output.
    QList<double> playerctlFollow(Child& playerProcess)
    {
        QList<double> peer;
        Child follow(u"stdbuf"_s,
                     {u"-oL"_s, u"playerctl"_s, u"--player="_s + playerName, u"metadata"_s, u"--format"_s,
                      u"{{title}}"_s, u"--follow"_s},
                     m_environment);
        follow.waitFor("", 5000);
        for (int i = 0; i < m_options.runs; ++i) {
            const int number = ++m_track;
            const QByteArray title = "Measured Track " + QByteArray::number(number);
            follow.clear();
            playerProcess.send("track " + QByteArray::number(number) + ' ' + fileUrl(m_cached.at(i % 2)).toUtf8() +
                               ' ' + title);
            const std::optional<Child::Line> sent = playerProcess.waitFor("sent", 5000);
            const std::optional<Child::Line> line = follow.waitFor(title, 5000);
            if (sent && line)
                peer << ms(line->readAt - field(sent->text, 1));
            follow.drain(150);
        }
        return peer;
    }

    QString median(const QList<double>& values, int decimals = 2) const
    {
        return values.isEmpty() ? u"n/a"_s : number(sleevelight::bench::median(values), decimals, " ms");
    }

    void changeToPixels()
    {
        std::printf("1. Change to pixels: PropertiesChanged leaves the player -> the new track painted\n");
        const auto playerProcess = player();
        auto displayProcess = display();
        if (!displayProcess->waitFor("first-frame", 20000)) {
            std::printf("  the display did not start\n");
            return;
        }
        for (int i = 0; i < 5; ++i)
            change(*playerProcess, *displayProcess, m_churn.at(i), true);
        for (const QString& art : m_cached)
            change(*playerProcess, *displayProcess, art, true);

        QMap<const QStringList*, QString> breakdowns;
        QMap<const QStringList*, QList<double>> fullTimes;
        auto measure = [&](const QStringList& pictures, bool cycle) {
            QList<double> times, delivery, refresh, repaint;
            for (int i = 0; i < m_options.runs; ++i) {
                if (const std::optional<Timing> t = change(
                        *playerProcess, *displayProcess, cycle ? pictures.at(i % 2) : pictures.at(i), true)) {
                    times << t->total;
                    delivery << t->delivery;
                    refresh << t->refresh;
                    repaint << t->total - t->delivery - t->refresh;
                    fullTimes[&pictures] << t->full;
                }
                displayProcess->drain(150);
            }
            breakdowns[&pictures] =
                u"%1 to the refresh (the bus, the file read), %2 refresh, %3 repaint"_s.arg(
                    median(delivery), median(refresh), median(repaint));
            return times;
        };
        const QList<double> cached = measure(m_cached, true);
        const QString cachedBreakdown = breakdowns.value(&m_cached);
        const QList<double> new1000 = measure(m_new1000, false);
        const QList<double> new3000 = measure(m_new3000, false);
        const QList<double> wide = measure(m_wide, false);
        // Played again after the others: a preview kept in memory, the picture at the size shown on disk.
        const QStringList replayed = m_new3000;
        const QList<double> again = measure(replayed, false);

        // The one-second tick while the track plays on, once the last change's crossfade is over.
        displayProcess->drain(500);
        displayProcess->clear();
        displayProcess->drain(m_options.quick ? 4000 : 12000);
        QList<double> ticks;
        QList<double> tickWork, tickRepaint;
        for (const Child::Line& line : displayProcess->take("tick")) {
            ticks << ms(field(line.text, 1) + field(line.text, 2));
            tickWork << ms(field(line.text, 1));
            tickRepaint << ms(field(line.text, 2));
        }
        qsizetype namesRepainted = 0;
        for (const Child::Line& line : displayProcess->take("frame"))
            namesRepainted += field(line.text, 2);

        displayProcess->send("popups");
        const std::optional<Child::Line> popups = displayProcess->waitFor("popups", 5000);
        m_popupsMs = popups ? ms(field(popups->text, 1)) : -1.0;
        displayProcess.reset();

        // The change to a shown artwork again, with the crossfade of the whole track turned off.
        const auto setTransitions = [&](bool on) {
            QSettings settings(m_environment.value(u"XDG_CONFIG_HOME"_s) + u"/Sleevelight/Sleevelight.conf"_s,
                               QSettings::IniFormat);
            settings.setValue(u"transitions"_s, on);
        };
        QList<double> cachedPlain;
        setTransitions(false);
        displayProcess = display();
        if (displayProcess->waitFor("first-frame", 20000)) {
            for (const QString& art : m_cached)
                change(*playerProcess, *displayProcess, art, true);
            cachedPlain = measure(m_cached, true);
        }
        displayProcess.reset();
        setTransitions(true);

        const QList<double> peer = playerctlFollow(*playerProcess);
        const double peerMedian = sleevelight::bench::median(peer);
        auto ratio = [&](const QList<double>& ours) {
            return ours.isEmpty() || peer.isEmpty() || peerMedian <= 0.0
                       ? QString()
                       : number(sleevelight::bench::median(ours) / peerMedian, 1);
        };
        auto within = [](const QList<double>& values, double limit) -> std::optional<bool> {
            if (values.isEmpty())
                return false;
            return sleevelight::bench::median(values) <= limit;
        };
        const QString peerText = peer.isEmpty() ? u"n/a"_s : number(peerMedian, 2, " ms");
        const QString size1000 = QString::number(QFileInfo(m_new1000.first()).size() / 1024);
        const QString size3000 = QString::number(QFileInfo(m_new3000.first()).size() / 1024);
        auto detail = [&](const QStringList& pictures) {
            std::printf("      %s\n", qPrintable(breakdowns.value(&pictures)));
        };
        row("artwork already shown (cached)", median(cached), peerText, ratio(cached),
            u"<= 2 ms, ratio <= 2"_s,
            within(cached, 2.0).value_or(false) && !ratio(cached).isEmpty() &&
                sleevelight::bench::median(cached) / peerMedian <= 2.0);
        std::printf("      %s\n", qPrintable(cachedBreakdown));
        row("  the same, transitions off", median(cachedPlain), peerText, ratio(cachedPlain));
        detail(m_cached);
        row(qPrintable(u"new 1000 x 1000 JPEG (%1 KiB)"_s.arg(size1000)), median(new1000), peerText,
            ratio(new1000));
        detail(m_new1000);
        row(qPrintable(u"new 3000 x 3000 JPEG (%1 KiB), first pixels"_s.arg(size3000)), median(new3000),
            peerText, ratio(new3000), u"<= 16.7 ms"_s, within(new3000, 16.7));
        detail(m_new3000);
        row("  the same, the artwork at full resolution", median(fullTimes.value(&m_new3000)), peerText,
            ratio(fullTimes.value(&m_new3000)), u"<= 100 ms"_s, within(fullTimes.value(&m_new3000), 100.0));
        row("new 3000 x 1200 JPEG (wide)", median(wide), peerText, ratio(wide));
        detail(m_wide);
        row("3000 x 3000 JPEG played again, first pixels", median(again), peerText, ratio(again));
        detail(replayed);
        row("  the same, the artwork at full resolution", median(fullTimes.value(&replayed)), peerText,
            ratio(fullTimes.value(&replayed)));
        // What no display of the picture can spare: its one decode at the size it is shown.
        QList<double> decodes;
        for (const QString& path : std::as_const(m_new3000)) {
            const qint64 begin = nowNs();
            QImageReader reader(path);
            reader.setScaledSize({1080, 1080});
            reader.read();
            decodes << ms(nowNs() - begin);
        }
        row("  3000 x 3000 JPEG decoded alone at 1080 x 1080", median(decodes));

        std::printf("\n2. Progress tick: the one-second timer -> elapsed time and bar repainted\n");
        row(qPrintable(u"one tick (%1 ticks)"_s.arg(ticks.size())), median(ticks, 3), {}, {}, u"<= 0.5 ms"_s,
            within(ticks, 0.5));
        row("  of which: the refresh of text and bar", median(tickWork, 3));
        row("  the repaint of what changed", median(tickRepaint, 3));
        row("ticks that repainted the track name", QString::number(namesRepainted), {}, {}, u"none"_s,
            namesRepainted == 0);
        // A tick comes after a second of sleep. What that alone costs on this machine, with no
        // code of ours: reading 8 MiB once just after waking, and once more straight after.
        QList<double> cold, warm;
        std::vector<char> memory(8 << 20, 1);
        const auto touch = [&] {
            const qint64 begin = nowNs();
            volatile long sum = 0;
            for (size_t i = 0; i < memory.size(); i += 64)
                sum = sum + memory[i];
            return ms(nowNs() - begin);
        };
        for (int i = 0; i < 5; ++i) {
            QThread::sleep(1);
            cold << touch();
            warm << touch();
        }
        row("  the machine: 8 MiB read just after 1 s asleep", median(cold, 3));
        row("  the machine: the same read again at once", median(warm, 3));
    }

    void start()
    {
        std::printf("\n4. Start: process started -> first frame of the window, a player playing\n");
        const auto playerProcess = player();
        // The track playing when the display starts, with its artwork.
        playerProcess->send("track 1 " + fileUrl(m_new1000.first()).toUtf8() + " Playing Before Start");
        playerProcess->waitFor("sent", 5000);
        QList<double> firstFrame, trackShown, mainEntered, loaded, launched;
        for (int i = 0; i <= m_options.runs; ++i) {
            Child displayProcess(m_self, {u"--display"_s}, m_environment);
            const std::optional<Child::Line> started = displayProcess.waitFor("start", 20000);
            const std::optional<Child::Line> first = displayProcess.waitFor("first-frame", 20000);
            const std::optional<Child::Line> shown =
                displayProcess.waitFor("frame", 20000, "Playing Before Start");
            // The first start writes the settings; the rest are the ordinary case.
            if (i == 0 || !started || !first)
                continue;
            const qint64 t0 = displayProcess.startedAt;
            mainEntered << ms(field(started->text, 1) - t0);
            loaded << ms(field(started->text, 3) - t0);
            launched << ms(field(started->text, 4) - t0);
            firstFrame << ms(field(first->text, 1) - t0);
            if (shown)
                trackShown << ms(field(shown->text, 1) - t0);
        }
        row("first frame", median(firstFrame, 1), {}, {}, u"< 300 ms"_s,
            !firstFrame.isEmpty() && sleevelight::bench::median(firstFrame) < 300.0);
        row("the playing track and its artwork shown", median(trackShown, 1));
        row("  of which: to main()", median(mainEntered, 1));
        row("  to the interface loaded", median(loaded, 1));
        row("  to the launch done", median(launched, 1));
        row("  filling the three font pop-ups", m_popupsMs < 0 ? u"n/a"_s : number(m_popupsMs, 2, " ms"));
    }

    // The unique names our process holds on the bus.
    QStringList busNamesOf(pid_t pid)
    {
        QStringList names;
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        for (int attempt = 0; attempt < 50 && names.isEmpty(); ++attempt) {
            for (const QString& name : bus->registeredServiceNames().value())
                if (name.startsWith(u':') && bus->servicePid(name).value() == uint(pid))
                    names << name;
            if (names.isEmpty())
                QThread::msleep(100);
        }
        return names;
    }

    struct Window
    {
        double cpuPercent = 0.0;
        double peerCpuPercent = -1.0;
        int messages = 0;
        QMap<QByteArray, int> kinds; // "method call org.freedesktop.DBus.Properties.Get" → count
    };

    // Watches for `seconds`: the processor time of `pid` (and of the peer) and what `pid` sends.
    Window watch(pid_t pid, pid_t peer, Child& monitor, const QStringList& names)
    {
        monitor.drain(200);
        monitor.clear();
        const qint64 wallStart = QDateTime::currentMSecsSinceEpoch();
        const qint64 start = nowNs();
        const qint64 cpu = processorNs(pid);
        const qint64 peerCpu = peer > 0 ? processorNs(peer) : 0;
        monitor.drain(m_options.seconds * 1000);
        const qint64 elapsed = nowNs() - start;
        Window window;
        window.cpuPercent = 100.0 * double(processorNs(pid) - cpu) / double(elapsed);
        if (peer > 0)
            window.peerCpuPercent = 100.0 * double(processorNs(peer) - peerCpu) / double(elapsed);
        const qint64 wallEnd = QDateTime::currentMSecsSinceEpoch();
        monitor.drain(300);
        for (const Child::Line& line : monitor.take("")) {
            const QByteArray& text = line.text;
            if (!(text.startsWith("signal ") || text.startsWith("method call ") ||
                  text.startsWith("method return ") || text.startsWith("error ")))
                continue;
            const qsizetype at = text.indexOf(" time=");
            const qint64 when =
                qint64(text.mid(at + 6, text.indexOf(' ', at + 6) - at - 6).toDouble() * 1000.0);
            if (when < wallStart || when > wallEnd)
                continue;
            for (const QString& name : names) {
                if (!text.contains(QByteArray(" sender=" + name.toUtf8() + ' ')))
                    continue;
                ++window.messages;
                const QByteArray kind = text.left(text.indexOf(" time="));
                const qsizetype interface = text.indexOf(" interface=");
                const qsizetype member = text.indexOf(" member=");
                ++window.kinds[kind +
                               (interface < 0 ? QByteArray()
                                              : ' ' + text.mid(interface + 11, text.indexOf(';', interface) -
                                                                                   interface - 11)) +
                               (member < 0 ? QByteArray() : '.' + text.mid(member + 8).split(' ').value(0))];
            }
        }
        return window;
    }

    void steadyState()
    {
        std::printf("\n3. Steady state over %d s (the application binary, %s)\n", m_options.seconds,
                    qPrintable(QFileInfo(m_application).fileName()));
        Child monitor(u"dbus-monitor"_s, {u"--session"_s}, m_environment);
        auto demo = std::make_unique<Child>(m_demoPlayer, QStringList(), m_environment);
        demo->waitFor("Playing", 5000);
        auto application = std::make_unique<Child>(m_application, QStringList(), m_environment);
        auto follow =
            std::make_unique<Child>(u"stdbuf"_s,
                                    QStringList{u"-oL"_s, u"playerctl"_s, u"--player=sleevelightdemo"_s,
                                                u"metadata"_s, u"--format"_s, u"{{title}}"_s, u"--follow"_s},
                                    m_environment);
        const QStringList names = busNamesOf(application->pid());
        monitor.drain(3000);
        const Window playing = watch(application->pid(), follow->pid(), monitor, names);
        follow.reset();
        demo.reset();
        monitor.drain(3000);
        const Window idle = watch(application->pid(), 0, monitor, names);
        application.reset();

        // Playing again with the lyrics shown: the first demo track has a line every three seconds.
        {
            QSettings settings(m_environment.value(u"XDG_CONFIG_HOME"_s) + u"/Sleevelight/Sleevelight.conf"_s,
                               QSettings::IniFormat);
            settings.setValue(u"showLyrics"_s, true);
        }
        demo = std::make_unique<Child>(m_demoPlayer, QStringList(), m_environment);
        demo->waitFor("Playing", 5000);
        application = std::make_unique<Child>(m_application, QStringList(), m_environment);
        const QStringList lyricsNames = busNamesOf(application->pid());
        monitor.drain(3000);
        const Window lyrics = watch(application->pid(), 0, monitor, lyricsNames);

        const double perSecond = double(playing.messages) / m_options.seconds;
        row("processor, demo player playing", number(playing.cpuPercent, 2, " %"),
            number(playing.peerCpuPercent, 2, " %"),
            playing.peerCpuPercent > 0 ? number(playing.cpuPercent / playing.peerCpuPercent, 1) : QString(),
            u"<= 0.3 % of one core"_s, playing.cpuPercent <= 0.3);
        row("D-Bus messages sent per second, playing", number(perSecond, 2), {}, {}, u"<= 2"_s,
            perSecond <= 2.0);
        row("processor, no player on the bus", number(idle.cpuPercent, 2, " %"));
        row("processor, playing with lyrics shown", number(lyrics.cpuPercent, 2, " %"), {}, {},
            u"<= 0.3 % of one core"_s, lyrics.cpuPercent <= 0.3);
        row(qPrintable(u"D-Bus messages sent, no player (%1 s)"_s.arg(m_options.seconds)),
            QString::number(idle.messages), {}, {}, u"none"_s, idle.messages == 0);
        for (const Window* window : {&playing, &idle})
            for (auto it = window->kinds.cbegin(); it != window->kinds.cend(); ++it)
                std::printf("      %s: %d x %s\n", window == &playing ? "playing" : "no player", it.value(),
                            it.key().constData());
    }

    // A silent WAV the music server plays and names by its file name.
    static void writeSilence(const QString& path, int seconds)
    {
        const quint32 rate = 8000;
        const quint32 bytes = rate * 2 * quint32(seconds);
        QByteArray wav("RIFF");
        const auto put32 = [&wav](quint32 value) {
            for (int shift = 0; shift < 32; shift += 8)
                wav += char((value >> shift) & 0xFF);
        };
        const auto put16 = [&wav](quint16 value) {
            wav += char(value & 0xFF);
            wav += char(value >> 8);
        };
        put32(36 + bytes);
        wav += "WAVEfmt ";
        put32(16), put16(1), put16(1), put32(rate), put32(rate * 2), put16(2), put16(16);
        wav += "data";
        put32(bytes);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(wav + QByteArray(qsizetype(bytes), '\0'));
    }

    void musicServer()
    {
        std::printf("\n6. Music server: `next` leaves a client -> the new song painted (Debian's mpd on "
                    "loopback)\n");
        std::printf("  %-46s %12s %12s %7s\n", "", "Sleevelight", "mpc", "ratio");
        if (QStandardPaths::findExecutable(u"mpd"_s).isEmpty() || QStandardPaths::findExecutable(u"mpc"_s).isEmpty()) {
            std::printf("  mpd and mpc are not installed\n");
            return;
        }
        const QString folder = m_home.path() + u"/mpd"_s;
        QDir().mkpath(folder + u"/music"_s);
        const int songs = m_options.runs + 2;
        for (int i = 1; i <= songs; ++i)
            writeSilence(u"%1/music/Song %2.wav"_s.arg(folder).arg(i, 2, 10, QLatin1Char('0')), 120);
        const auto freePort = [] {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            return probe.serverPort();
        };
        const quint16 port = freePort();
        QFile config(folder + u"/mpd.conf"_s);
        config.open(QIODevice::WriteOnly);
        config.write(u"music_directory \"%1/music\"\ndb_file \"%1/db\"\nbind_to_address \"127.0.0.1\"\n"
                     "port \"%2\"\naudio_output {\n type \"null\"\n name \"null\"\n}\n"_s.arg(folder)
                         .arg(port)
                         .toUtf8());
        config.close();
        Child server(u"mpd"_s, {u"--no-daemon"_s, config.fileName()}, m_environment);
        QTcpSocket control;
        for (int tries = 0; tries < 100 && control.state() != QAbstractSocket::ConnectedState; ++tries) {
            control.connectToHost(QHostAddress::LocalHost, port);
            if (!control.waitForConnected(100))
                QThread::msleep(50);
        }
        const auto command = [&control](const QByteArray& line) {
            control.write(line + '\n');
            control.waitForBytesWritten(1000);
            QByteArray answer;
            while (!answer.endsWith("OK\n") && !answer.contains("ACK") && control.waitForReadyRead(5000))
                answer += control.readAll();
            return answer;
        };
        control.waitForReadyRead(5000);
        control.readAll(); // the greeting
        command("update");
        for (int tries = 0; tries < 100 && command("status").contains("updating_db"); ++tries)
            QThread::msleep(100);
        command("add \"\"");
        command("play 0");

        QProcessEnvironment environment = m_environment;
        environment.insert(u"MPD_HOST"_s, u"127.0.0.1"_s);
        environment.insert(u"MPD_PORT"_s, QString::number(port));
        auto displayProcess = std::make_unique<Child>(m_self, QStringList{u"--display"_s}, environment);
        if (!displayProcess->waitFor("frame", 20000, "Song 01")) {
            std::printf("  the display did not show the server's song\n");
            return;
        }
        QList<double> ours, idle, current;
        for (int i = 2; i <= m_options.runs + 1; ++i) {
            const QByteArray name = u"Song %1"_s.arg(i, 2, 10, QLatin1Char('0')).toUtf8();
            // The peers wait on the server as the display does: for its next change.
            Child idlePeer(u"stdbuf"_s, {u"-oL"_s, u"mpc"_s, u"idle"_s, u"player"_s}, environment);
            Child currentPeer(u"stdbuf"_s, {u"-oL"_s, u"mpc"_s, u"current"_s, u"--wait"_s}, environment);
            displayProcess->drain(400);
            displayProcess->clear();
            const qint64 t0 = nowNs();
            command("next");
            if (const std::optional<Child::Line> frame = displayProcess->waitFor("frame", 5000, name))
                ours << ms(field(frame->text, 1) - t0);
            if (const std::optional<Child::Line> line = idlePeer.waitFor("player", 5000))
                idle << ms(line->readAt - t0);
            if (const std::optional<Child::Line> line = currentPeer.waitFor("", 5000))
                current << ms(line->readAt - t0);
        }
        const auto ratio = [&](const QList<double>& peer) {
            return ours.isEmpty() || peer.isEmpty() ? QString()
                                                    : number(sleevelight::bench::median(ours) /
                                                                 sleevelight::bench::median(peer),
                                                             1);
        };
        row("the new song painted, beside `mpc idle player`", median(ours), median(idle), ratio(idle));
        row("  the same, beside `mpc current --wait`", median(ours), median(current), ratio(current));
        displayProcess.reset();

        // A server that is not there: the display tries it again now and then, and nothing more.
        const int seconds = std::min(m_options.seconds, 30);
        environment.insert(u"MPD_PORT"_s, QString::number(freePort()));
        displayProcess = std::make_unique<Child>(m_self, QStringList{u"--display"_s}, environment);
        displayProcess->waitFor("first-frame", 20000);
        displayProcess->drain(2000);
        const pid_t pid = displayProcess->pid();
        const qint64 start = nowNs();
        const qint64 cpu = processorNs(pid);
        displayProcess->drain(seconds * 1000);
        const double percent = 100.0 * double(processorNs(pid) - cpu) / double(nowNs() - start);
        row(qPrintable(u"processor, a server that is not there (%1 s)"_s.arg(seconds)), number(percent, 3, " %"),
            {}, {}, u"nothing measurable"_s, percent < 0.05);
    }

    // The display with the remote on, and a phone's WebSocket in this process.
    void remote()
    {
        std::printf("\n7. Remote: PropertiesChanged leaves the player -> the phone's WebSocket message\n");
        std::printf("  %-46s %12s %12s %7s   %-22s\n", "", "Sleevelight", "playerctl", "ratio", "target");
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        const QString token = u"bench-token-0123456789abcdef0123456789"_s;
        const auto displayWithRemote = [&](bool on) {
            QProcessEnvironment environment = m_environment;
            const QString config = m_home.path() + (on ? u"/remote-on"_s : u"/remote-off"_s);
            environment.insert(u"XDG_CONFIG_HOME"_s, config);
            // The other parts' settings, and the remote's.
            const QSettings base(m_environment.value(u"XDG_CONFIG_HOME"_s) + u"/Sleevelight/Sleevelight.conf"_s,
                                 QSettings::IniFormat);
            QSettings settings(config + u"/Sleevelight/Sleevelight.conf"_s, QSettings::IniFormat);
            for (const QString& key : base.allKeys())
                settings.setValue(key, base.value(key));
            settings.setValue(u"automaticCheckUpdate"_s, false);
            settings.setValue(u"remoteControl"_s, on);
            settings.setValue(u"remotePort"_s, port);
            settings.setValue(u"remoteToken"_s, token);
            settings.sync();
            return std::make_unique<Child>(m_self, QStringList{u"--display"_s}, environment);
        };
        const auto playerProcess = player();
        auto displayProcess = displayWithRemote(true);
        if (!displayProcess->waitFor("first-frame", 20000)) {
            std::printf("  the display did not start\n");
            return;
        }
        QList<std::pair<qint64, QByteArray>> messages;
        QWebSocket phone;
        QObject::connect(&phone, &QWebSocket::textMessageReceived,
                         [&messages](const QString& text) { messages.append({nowNs(), text.toUtf8()}); });
        const auto pump = [](const std::function<bool()>& done, int timeoutMs) {
            const qint64 end = nowNs() + qint64(timeoutMs) * 1'000'000;
            while (!done() && nowNs() < end)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            return done();
        };
        const QUrl address(u"ws://127.0.0.1:%1/ws?token=%2"_s.arg(port).arg(token));
        for (int tries = 0; tries < 50 && phone.state() != QAbstractSocket::ConnectedState; ++tries) {
            phone.open(address);
            pump([&] { return phone.state() == QAbstractSocket::ConnectedState || phone.state() == QAbstractSocket::UnconnectedState; }, 2000);
            if (phone.state() != QAbstractSocket::ConnectedState)
                QThread::msleep(100);
        }
        if (phone.state() != QAbstractSocket::ConnectedState) {
            std::printf("  no phone could connect to the remote\n");
            return;
        }
        // Measured from the player's "sent", read before the message can be (the message takes the
        // bus, the refresh and the server's thread; the player answers at once).
        QList<double> ours;
        for (int i = 0; i < m_options.runs; ++i) {
            const int number = ++m_track;
            const QByteArray title = "Measured Track " + QByteArray::number(number);
            messages.clear();
            playerProcess->send("track " + QByteArray::number(number) + ' ' + fileUrl(m_cached.at(i % 2)).toUtf8() +
                                ' ' + title);
            const std::optional<Child::Line> sent = playerProcess->waitFor("sent", 5000);
            const auto named = [&] {
                return std::find_if(messages.cbegin(), messages.cend(), [&](const auto& message) {
                    return message.second.contains(QByteArray("\"name\":\"" + title + '"'));
                });
            };
            if (sent && pump([&] { return named() != messages.cend(); }, 5000))
                ours << ms(named()->first - field(sent->text, 1));
            pump([] { return false; }, 150);
        }
        const QList<double> peer = playerctlFollow(*playerProcess);
        const QString ratio = ours.isEmpty() || peer.isEmpty()
                                  ? QString()
                                  : number(sleevelight::bench::median(ours) / sleevelight::bench::median(peer), 1);
        row("the phone's message, beside playerctl's line", median(ours), median(peer), ratio, u"< 1000 ms"_s,
            !ours.isEmpty() && sleevelight::bench::median(ours) < 1000.0);
        phone.close();
        pump([&] { return phone.state() == QAbstractSocket::UnconnectedState; }, 2000);

        // The processor with the remote on and no phone, beside the same display with it off, each
        // started afresh with the player paused (playing, the display's own second tick would be
        // most of it).
        playerProcess->send("pause");
        displayProcess.reset();
        displayProcess = displayWithRemote(true);
        displayProcess->waitFor("first-frame", 20000);
        const int seconds = std::min(m_options.seconds, 30);
        const auto processor = [&](Child& child) {
            child.drain(2000);
            const qint64 start = nowNs();
            const qint64 cpu = processorNs(child.pid());
            child.drain(seconds * 1000);
            return 100.0 * double(processorNs(child.pid()) - cpu) / double(nowNs() - start);
        };
        const double on = processor(*displayProcess);
        displayProcess.reset();
        displayProcess = displayWithRemote(false);
        displayProcess->waitFor("first-frame", 20000);
        const double off = processor(*displayProcess);
        row(qPrintable(u"processor, remote on and no phone (%1 s)"_s.arg(seconds)), number(on, 3, " %"));
        row("  the same display with the remote off", number(off, 3, " %"), {}, {}, u"nothing measurable"_s,
            on - off < 0.05);
    }

    void memory()
    {
        std::printf("\n5. Memory: resident set of the display process\n");
        const auto playerProcess = player();
        auto displayProcess = display();
        displayProcess->waitFor("first-frame", 20000);
        change(*playerProcess, *displayProcess, m_huge, true);
        displayProcess->drain(300);
        const pid_t pid = displayProcess->pid();
        const double peak = statusKiB(pid, "VmHWM") / 1024.0;
        row("peak with a 4000 x 4000 artwork shown", number(peak, 1, " MiB"), {}, {}, u"< 120 MiB"_s,
            peak < 120.0);
        const auto heapMiB = [&] {
            displayProcess->send("heap");
            const std::optional<Child::Line> heap = displayProcess->waitFor("heap", 5000);
            return heap ? double(field(heap->text, 1)) / (1024.0 * 1024.0) : -1.0;
        };
        double after100 = 0.0;
        double heapAfter100 = 0.0;
        int failed = 0;
        for (int i = 1; i <= m_options.changes; ++i) {
            // Every third track has no artwork of its own; the others cycle through eight pictures.
            const QString art = i % 3 == 0 ? QString() : m_churn.at(i % m_churn.size());
            if (!change(*playerProcess, *displayProcess, art, !art.isEmpty()))
                ++failed;
            if (i == 100) {
                after100 = statusKiB(pid, "VmRSS") / 1024.0;
                heapAfter100 = heapMiB();
            }
        }
        const double afterAll = statusKiB(pid, "VmRSS") / 1024.0;
        const double heapAfterAll = heapMiB();
        const QString all = QString::number(m_options.changes);
        row("resident after 100 track changes", number(after100, 1, " MiB"));
        row(qPrintable(u"resident after %1 track changes"_s.arg(all)), number(afterAll, 1, " MiB"));
        // A leak grows the heap in use; the resident set also counts freed pages the allocator keeps.
        row("heap in use after 100 track changes", number(heapAfter100, 2, " MiB"));
        row(qPrintable(u"heap in use after %1 track changes"_s.arg(all)), number(heapAfterAll, 2, " MiB"), {},
            {}, u"no growth"_s, heapAfter100 >= 0.0 && heapAfterAll <= heapAfter100 + 0.25);
        if (failed)
            row("changes not seen on screen within 5 s", QString::number(failed));
    }

public:
    QString m_application;
    QString m_demoPlayer;

private:
    Options m_options;
    QString m_self;
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QString m_art;
    QStringList m_new1000, m_new3000, m_wide, m_cached, m_churn;
    QString m_huge;
    int m_track = 0;
    double m_popupsMs = -1.0;
};

constexpr const char* usage =
    "Usage: sleevelight-bench [--runs N] [--seconds S] [--changes N] [--quick]\n"
    "                         [--only changes|start|steady|memory|music|remote]\n"
    "\n"
    "Measures the display on a private session bus and prints medians beside the targets.\n"
    "  --runs N      runs of each timed change (11)\n"
    "  --seconds S   seconds of each steady state (60)\n"
    "  --changes N   track changes of the memory part (5000)\n"
    "  --quick       5 runs, 10 s, 300 changes\n"
    "  --only PART   one part of the six\n";

// The options, or the status to exit with: 0 after --help, 2 after a wrong option (with the usage).
std::variant<Options, int> parseOptions(int argc, char* argv[])
{
    Options options;
    const auto wrong = [](const QByteArray& what) {
        std::fprintf(stderr, "sleevelight-bench: %s\n\n%s", what.constData(), usage);
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument = argv[i];
        const bool takesValue = argument == "--runs" || argument == "--seconds" || argument == "--changes" ||
                                argument == "--only";
        if (takesValue && i + 1 >= argc)
            return wrong(argument + " needs a value");
        const QByteArray value = takesValue ? QByteArray(argv[++i]) : QByteArray();
        bool ok = false;
        const int number = value.toInt(&ok);
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (argument == "--only") {
            if (value != "changes" && value != "start" && value != "steady" && value != "memory" &&
                value != "music" && value != "remote")
                return wrong("no part named " + value);
            options.only = value;
        } else if (takesValue && (!ok || number <= 0)) {
            return wrong(argument + " takes a whole number above 0, not " + value);
        } else if (argument == "--runs") {
            options.runs = number;
        } else if (argument == "--seconds") {
            options.seconds = number;
        } else if (argument == "--changes") {
            options.changes = number;
        } else if (argument == "--quick") {
            options.runs = 5, options.seconds = 10, options.changes = 300, options.quick = true;
        } else {
            return wrong("unknown option " + argument);
        }
    }
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    const qint64 entered = nowNs();
    if (argc >= 2 && std::strcmp(argv[1], "--display") == 0)
        return runDisplay(argc, argv, entered);
    if (argc >= 2 && std::strcmp(argv[1], "--player") == 0) {
        QCoreApplication app(argc, argv);
        return runPlayer(playerBusName);
    }

    // The options are read before anything starts, so that a wrong one starts nothing.
    const std::variant<Options, int> parsed = parseOptions(argc, argv);
    if (const int* status = std::get_if<int>(&parsed))
        return *status;
    const Options options = std::get<Options>(parsed);

    // Everything runs on a bus of its own, never on the desktop's.
    if (qEnvironmentVariable("SLEEVELIGHT_BENCH_BUS") != "1"_L1) {
        setenv("SLEEVELIGHT_BENCH_BUS", "1", 1);
        std::vector<char*> arguments{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
        for (int i = 0; i < argc; ++i)
            arguments.push_back(argv[i]);
        arguments.push_back(nullptr);
        execvp("dbus-run-session", arguments.data());
        std::perror("bench: dbus-run-session");
        return 1;
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Bench bench(options, QCoreApplication::applicationFilePath());
    bench.m_application = QStringLiteral(SLEEVELIGHT_APPLICATION);
    bench.m_demoPlayer = QStringLiteral(SLEEVELIGHT_DEMO_PLAYER);
    bench.run();
    return 0;
}
