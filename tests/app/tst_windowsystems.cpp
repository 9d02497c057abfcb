// The same track laid out on a 1920 x 1080 screen under the offscreen platform, under X11 (Xvfb)
// and under Wayland (a headless weston): the same font sizes, the same line breaks, the same
// widths. Each platform runs this program again in a child process that starts the display the
// way the real program does, lays out the track and prints what it measured.

#include "app/appdelegate.h"
#include "app/application.h"
#include "platform/platformstart.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "tests/support/fakebridge.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

using namespace sleevelight;
using namespace sleevelight::test;
using namespace Qt::StringLiterals;

namespace {

constexpr const char* probeVariable = "SLEEVELIGHT_LAYOUT_PROBE";

// The child: the display on the platform it was given, full screen, with the demo's first track.
int measureLayout(int argc, char* argv[])
{
    PlatformStart::prepare();
    QApplication qtApplication(argc, argv);
    PlatformStart::started();
    TestApplication app(1.0);
    AppDelegate* d = app.d;
    app.bridge->playTrack(u"Morning Light"_s, u"Demo Sessions"_s, u"The Sleevelight Trio"_s);
    app.bridge->notify();
    if (!d->mWindow->isFullScreen())
        d->mWindow->toggleFullScreen();
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && (d->mView->width() != 1920 || d->mView->height() != 1080))
        QTest::qWait(50);
    QTest::qWait(500);
    std::printf("view %dx%d\n", d->mView->width(), d->mView->height());
    QList<TextField*> fields = d->mWindow->findChildren<TextField*>();
    std::sort(fields.begin(), fields.end(),
              [](const TextField* a, const TextField* b) { return a->objectName() < b->objectName(); });
    for (const TextField* field : fields) {
        if (!field->isVisibleTo(d->mWindow) || field->text().isEmpty())
            continue;
        const std::optional<QFont> font = field->fieldFont();
        const QSize hint = field->sizeHint();
        std::printf("%s \"%s\" %dpx %dx%d\n", qPrintable(field->objectName()), qPrintable(field->text()),
                    font ? QFontInfo(*font).pixelSize() : 0, hint.width(), hint.height());
    }
    return 0;
}

// The sanitizer run's options with one changed, for a child that loads a library the sanitizers
// misread; without a sanitizer run, nothing.
std::pair<QString, QString> sanitizerOptions(const QProcessEnvironment& base, const char* change)
{
    const QString options = base.value(u"ASAN_OPTIONS"_s);
    return {u"ASAN_OPTIONS"_s, options.isEmpty() ? QString() : options + u':' + QLatin1StringView(change)};
}

struct Measured
{
    bool ran = false;
    QString lines;
    QString errors;
};

Measured runProbe(const QProcessEnvironment& base, const QHash<QString, QString>& variables)
{
    QProcessEnvironment environment = base;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QString::fromLatin1(probeVariable), u"1"_s);
    for (auto it = variables.begin(); it != variables.end(); ++it)
        if (!it.value().isEmpty())
            environment.insert(it.key(), it.value());
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    Measured measured;
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
    }
    measured.ran = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    measured.lines = QString::fromUtf8(child.readAllStandardOutput());
    measured.errors = QString::fromUtf8(child.readAllStandardError());
    return measured;
}

// A server started for the test and stopped with it.
class Server
{
public:
    ~Server()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool start(const QString& program, const QStringList& arguments)
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, arguments);
        return m_process.waitForStarted(10000);
    }

    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

bool waitFor(const std::function<bool()>& ready)
{
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (ready())
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class TestWindowSystems : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameLayoutOnEveryWindowSystem()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        const QString weston = QStandardPaths::findExecutable(u"weston"_s);
        if (xvfb.isEmpty() || weston.isEmpty())
            QSKIP("Xvfb and weston are needed (scripts/setup.sh installs them)");
        QTemporaryDir home;
        const QString runtime = home.filePath(u"run"_s);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString screens = home.filePath(u"screens.json"_s);
        QFile json(screens);
        QVERIFY(json.open(QIODevice::WriteOnly));
        json.write(R"({"screens": [{"name": "one", "x": 0, "y": 0, "width": 1920, "height": 1080,
                       "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        json.close();
        QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
        base.insert(u"XDG_RUNTIME_DIR"_s, runtime);

        const Measured offscreen =
            runProbe(base, {{u"QT_QPA_PLATFORM"_s, u"offscreen:configfile="_s + screens}});
        QVERIFY2(offscreen.ran, qPrintable(offscreen.errors));
        QVERIFY2(offscreen.lines.startsWith(u"view 1920x1080\n"_s), qPrintable(offscreen.lines));
        QVERIFY(offscreen.lines.contains(u"\"The Sleevelight Trio\""_s));

        // X11: a virtual screen that tells us its number once it listens.
        Server x11;
        QVERIFY(x11.start(xvfb, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1920x1080x24"_s,
                                 u"-nolisten"_s, u"tcp"_s}));
        QString displayNumber;
        QVERIFY2(waitFor([&] {
                     displayNumber += QString::fromUtf8(x11.process().readAll());
                     return displayNumber.endsWith(u'\n');
                 }),
                 "Xvfb did not start");
        // libxkbcommon-x11 gives strndup key names that end at their length, not at a zero, which
        // the sanitizer run's strict string checks take for an overflow.
        const Measured onX11 = runProbe(base, {{u"DISPLAY"_s, u":"_s + displayNumber.trimmed()},
                                               {u"QT_QPA_PLATFORM"_s, u"xcb"_s},
                                               sanitizerOptions(base, "strict_string_checks=0")});
        QVERIFY2(onX11.ran, qPrintable(onX11.errors));
        QCOMPARE(onX11.lines, offscreen.lines);

        // Wayland: a headless compositor with one output of the same size.
        const QString socket = u"sleevelight-test-%1"_s.arg(QCoreApplication::applicationPid());
        Server wayland;
        QProcessEnvironment westonEnvironment = base;
        westonEnvironment.remove(u"DISPLAY"_s);
        westonEnvironment.remove(u"WAYLAND_DISPLAY"_s);
        wayland.process().setProcessEnvironment(westonEnvironment);
        QVERIFY(wayland.start(weston, {u"--backend=headless-backend.so"_s, u"--use-pixman"_s,
                                       u"--width=1920"_s, u"--height=1080"_s, u"--socket="_s + socket,
                                       u"--idle-time=0"_s, u"--no-config"_s}));
        QVERIFY2(waitFor([&] { return QFileInfo::exists(runtime + u'/' + socket); }),
                 qPrintable(QString::fromUtf8(wayland.process().readAll())));
        // Qt's Wayland plugin leaves its display's allocations to the end of the process; the program's
        // own leaks are looked for in the offscreen run of the same code.
        const Measured onWayland = runProbe(base, {{u"WAYLAND_DISPLAY"_s, socket},
                                                   {u"QT_QPA_PLATFORM"_s, u"wayland"_s},
                                                   sanitizerOptions(base, "detect_leaks=0")});
        QVERIFY2(onWayland.ran, qPrintable(onWayland.errors));
        QCOMPARE(onWayland.lines, offscreen.lines);
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(probeVariable))
        return measureLayout(argc, argv);
    QCoreApplication app(argc, argv);
    TestWindowSystems test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsystems.moc"
