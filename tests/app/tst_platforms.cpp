// The program as a user starts it, each time in a process of its own: where no window system can
// be reached, it must end with one line that says what is missing, never an abort with Qt's own
// advice; on each window system (offscreen, X11 through Xvfb, Wayland through a headless weston)
// the same track must be laid out alike: the same font sizes, line breaks and widths. For that
// this program runs itself again as a child that starts the display the way the real program
// does, lays out the track and prints what it measured.

#include "app/singleinstance.h"
#include "platform/platformstart.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "platform/views/textfield.h"
#include "tests/support/httptestserver.h"
#include "tests/support/testenvironment.h"
#include "update/updatesite.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QFontInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace sleevelight;
using namespace sleevelight::test;
using namespace Qt::StringLiterals;
using Variables = QHash<QString, QString>;

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
    if (!QTest::qWaitFor([&] { return d->mView->size() == QSize(1920, 1080); }, 10000))
        std::fprintf(stderr, "the view did not reach 1920 x 1080 in ten seconds\n");
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

struct Outcome
{
    int status = -1;
    QString output;
    QStringList errorLines;
    bool ran() const { return status == 0; }
};

// This process's environment with the desktop's variables replaced by `variables` (an empty value
// unsets one).
QProcessEnvironment environmentWith(const Variables& variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QString::fromLatin1(name));
    for (auto it = variables.begin(); it != variables.end(); ++it)
        if (!it.value().isEmpty())
            environment.insert(it.key(), it.value());
    return environment;
}

// Runs a program with the desktop's variables replaced by `variables`.
Outcome run(const QString& program, const QStringList& arguments, const Variables& variables)
{
    QProcess process;
    process.setProcessEnvironment(environmentWith(variables));
    process.start(program, arguments);
    Outcome outcome;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        outcome.status = process.exitCode();
    outcome.output = QString::fromUtf8(process.readAllStandardOutput());
    outcome.errorLines = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return outcome;
}

Outcome runDisplay(const QStringList& arguments, const Variables& variables = {})
{
    return run(QStringLiteral(SLEEVELIGHT_BINARY), arguments, variables);
}

// The layout probe, with the sanitizer run's options changed by `sanitizerChange` for a child that
// loads a library the sanitizers misread.
Outcome runProbe(const QString& runtime, Variables variables, const char* sanitizerChange = nullptr)
{
    variables.insert(QString::fromLatin1(probeVariable), u"1"_s);
    variables.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    const QString options = qEnvironmentVariable("ASAN_OPTIONS");
    if (sanitizerChange != nullptr && !options.isEmpty())
        variables.insert(u"ASAN_OPTIONS"_s, options + u':' + QLatin1StringView(sanitizerChange));
    return run(QCoreApplication::applicationFilePath(), {}, variables);
}

// A server started for the test and stopped with it.
struct Server : QProcess
{
    ~Server() override
    {
        terminate();
        if (!waitForFinished(5000))
            kill();
        waitForFinished();
    }
};

// The display started in the background as a user starts it, offscreen, on the test's bus, with
// folders of its own in `home`.
struct RunningDisplay : Server
{
    RunningDisplay(const QString& home, const QStringList& arguments, Variables variables = {})
    {
        variables.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            variables.insert(QString::fromLatin1(folder), home + u'/' + QString::fromLatin1(folder));
        if (!variables.contains(u"SLEEVELIGHT_SITE"_s))
            variables.insert(u"SLEEVELIGHT_SITE"_s, HttpTestServer::closedSite());
        setProcessEnvironment(environmentWith(variables));
        start(QStringLiteral(SLEEVELIGHT_BINARY), arguments);
    }
};

bool displayOnTheBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(singleinstance::busName);
}

} // namespace

class TestPlatforms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aDisplayThatCannotBeReachedIsOneLine_data()
    {
        QTest::addColumn<Variables>("variables");
        QTest::addColumn<QString>("said");
        QTest::newRow("no display at all") << Variables{} << u"no graphical display found"_s;
        QTest::newRow("an X display that is not there")
            << Variables{{u"DISPLAY"_s, u":97"_s}} << u"cannot open the X display \":97\""_s;
        const bool waylandPlugin = PlatformStart::current().plugins.contains(u"wayland"_s);
        QTest::newRow("a Wayland display that is not there")
            << Variables{{u"WAYLAND_DISPLAY"_s, u"sleevelight-absent"_s},
                         {u"XDG_SESSION_TYPE"_s, u"wayland"_s}}
            << (waylandPlugin ? u"cannot connect to the Wayland display \"sleevelight-absent\""_s
                              : u"qt6-wayland"_s);
        QTest::newRow("a platform asked for that is not installed")
            << Variables{{u"DISPLAY"_s, u":97"_s}, {u"QT_QPA_PLATFORM"_s, u"nosuchplatform"_s}}
            << u"QT_QPA_PLATFORM asks for Qt's platform plugin \"nosuchplatform\", which is not installed"_s;
    }

    void aDisplayThatCannotBeReachedIsOneLine()
    {
        QFETCH(Variables, variables);
        QFETCH(QString, said);
        QTemporaryDir runtime;
        variables.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        const Outcome outcome = runDisplay({}, variables);
        QCOMPARE(outcome.status, PlatformStart::failureStatus);
        QCOMPARE(outcome.errorLines.size(), 1);
        const QString line = outcome.errorLines.first();
        QVERIFY2(line.startsWith(u"sleevelight: "_s) && line.contains(said), qPrintable(line));
    }

    // Started twice, the display runs once: the second start brings the first forward and ends
    // with status 0. On purpose a second one runs beside it; a display that died leaves the name.
    void oneDisplayAtATime()
    {
        QTemporaryDir home;
        RunningDisplay first(home.path(), {});
        QTRY_VERIFY_WITH_TIMEOUT(displayOnTheBus(), 30000);
        const Outcome second = runDisplay({}, {{u"QT_QPA_PLATFORM"_s, u"offscreen"_s}});
        QCOMPARE(second.status, 0);
        QCOMPARE(first.state(), QProcess::Running);

        // The desktop's way of bringing it forward, with a token as a Wayland desktop gives one.
        QDBusMessage activate =
            QDBusMessage::createMethodCall(singleinstance::busName, singleinstance::objectPath,
                                           singleinstance::interfaceName, u"Activate"_s);
        activate << QVariantMap{{u"activation-token"_s, u"token-1"_s}};
        QCOMPARE(QDBusConnection::sessionBus().call(activate, QDBus::Block, 10000).type(),
                 QDBusMessage::ReplyMessage);

        RunningDisplay beside(home.path(), {u"--new-instance"_s});
        QTest::qWait(3000);
        QCOMPARE(beside.state(), QProcess::Running);

        first.kill();
        first.waitForFinished();
        QTRY_VERIFY(!displayOnTheBus());
        RunningDisplay next(home.path(), {});
        QTRY_VERIFY_WITH_TIMEOUT(displayOnTheBus(), 30000);
        QCOMPARE(next.state(), QProcess::Running);
    }

    // SLEEVELIGHT_SITE points the update check elsewhere; a build without the check asks nothing.
    void theUpdateCheckAsksTheSiteGiven()
    {
        QTemporaryDir home;
        HttpTestServer server;
        server.setRoute(UpdateSite::versionPagePath, {200, "v0.0.1 (1)", {}, {}});
        RunningDisplay display(home.path(), {u"--new-instance"_s}, {{u"SLEEVELIGHT_SITE"_s, server.site()}});
        if constexpr (updateCheckBuilt) {
            QTRY_COMPARE_WITH_TIMEOUT(server.requests().value(0), UpdateSite::versionPagePath, 30000);
        } else {
            QTest::qWait(8000);
            QCOMPARE(display.state(), QProcess::Running);
            QVERIFY(server.requests().isEmpty());
        }
        if constexpr (updateCheckBuilt) {
            // Anything but an http or https address is ignored, and said so once.
            RunningDisplay elsewhere(home.path(), {u"--new-instance"_s},
                                     {{u"SLEEVELIGHT_SITE"_s, u"ftp://mirror"_s}});
            QString said;
            QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromUtf8(elsewhere.readAllStandardError()))
                                         .contains(u"SLEEVELIGHT_SITE is not an http or https address"_s),
                                     30000);
            QCOMPARE(said.count(u"SLEEVELIGHT_SITE"_s), 1);
        }
    }

    void sameLayoutOnEveryWindowSystem()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        const QString weston = QStandardPaths::findExecutable(u"weston"_s);
        if (xvfb.isEmpty() || weston.isEmpty())
            QSKIP("Xvfb and weston are needed (scripts/setup.sh installs them)");
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const Outcome offscreen = runProbe(
            runtime.path(), {{u"QT_QPA_PLATFORM"_s, u"offscreen:configfile=" SLEEVELIGHT_ONE_SCREEN ""_s}});
        QVERIFY2(offscreen.ran(), qPrintable(offscreen.errorLines.join(u'\n')));
        QVERIFY2(offscreen.output.startsWith(u"view 1920x1080\n"_s), qPrintable(offscreen.output));
        QVERIFY(offscreen.output.contains(u"\"The Sleevelight Trio\""_s));

        // X11: a virtual screen that tells us its number once it listens.
        Server x11;
        x11.start(xvfb, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1920x1080x24"_s, u"-nolisten"_s,
                         u"tcp"_s});
        QString displayNumber;
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return (displayNumber += QString::fromUtf8(x11.readAll())).endsWith(u'\n'); }, 15000),
            "Xvfb did not start");
        // libxkbcommon-x11 gives strndup key names that end at their length, not at a zero, which
        // the sanitizer run's strict string checks take for an overflow.
        const Outcome onX11 =
            runProbe(runtime.path(),
                     {{u"DISPLAY"_s, u":"_s + displayNumber.trimmed()}, {u"QT_QPA_PLATFORM"_s, u"xcb"_s}},
                     "strict_string_checks=0");
        QVERIFY2(onX11.ran(), qPrintable(onX11.errorLines.join(u'\n')));
        QCOMPARE(onX11.output, offscreen.output);

        // Wayland: a headless compositor with one output of the same size.
        const QString socket = u"sleevelight-test-%1"_s.arg(QCoreApplication::applicationPid());
        Server wayland;
        QProcessEnvironment westonEnvironment = QProcessEnvironment::systemEnvironment();
        westonEnvironment.remove(u"DISPLAY"_s);
        westonEnvironment.remove(u"WAYLAND_DISPLAY"_s);
        westonEnvironment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        wayland.setProcessEnvironment(westonEnvironment);
        wayland.setProcessChannelMode(QProcess::MergedChannels);
        wayland.start(weston,
                      {u"--backend=headless-backend.so"_s, u"--use-pixman"_s, u"--width=1920"_s,
                       u"--height=1080"_s, u"--socket="_s + socket, u"--idle-time=0"_s, u"--no-config"_s});
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo::exists(runtime.filePath(socket)); }, 15000),
                 qPrintable(QString::fromUtf8(wayland.readAll())));
        // Qt's Wayland plugin leaves its display's allocations to the end of the process; the program's
        // own leaks are looked for in the offscreen run of the same code.
        const Outcome onWayland =
            runProbe(runtime.path(), {{u"WAYLAND_DISPLAY"_s, socket}, {u"QT_QPA_PLATFORM"_s, u"wayland"_s}},
                     "detect_leaks=0");
        QVERIFY2(onWayland.ran(), qPrintable(onWayland.errorLines.join(u'\n')));
        QCOMPARE(onWayland.output, offscreen.output);
    }
};

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(probeVariable))
        return measureLayout(argc, argv);
    QCoreApplication app(argc, argv);
    TestPlatforms test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_platforms.moc"
