// The program as a user starts it from a terminal: its options, and what it says when it cannot
// reach a display. The real binary runs in a process of its own.

#include "platform/platformstart.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace sleevelight;
using namespace Qt::StringLiterals;
using Variables = QHash<QString, QString>;

Q_DECLARE_METATYPE(sleevelight::PlatformStart::Environment)

namespace {

struct Outcome
{
    int status = -1;
    QProcess::ExitStatus exit = QProcess::CrashExit;
    QStringList errorLines;
    QByteArray output;
};

// Runs the display with the desktop's variables replaced by `variables` (an empty value unsets one).
Outcome runDisplay(const QStringList& arguments, const Variables& variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QString::fromLatin1(name));
    for (auto it = variables.begin(); it != variables.end(); ++it)
        if (!it.value().isEmpty())
            environment.insert(it.key(), it.value());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SLEEVELIGHT_BINARY), arguments);
    Outcome outcome;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.status = process.exitCode();
    outcome.exit = process.exitStatus();
    outcome.output = process.readAllStandardOutput();
    outcome.errorLines = QString::fromUtf8(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return outcome;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionAndHelp()
    {
        const Outcome version = runDisplay({u"--version"_s}, {});
        QCOMPARE(version.status, 0);
        QVERIFY(version.output.startsWith("Sleevelight "));
        const Outcome help = runDisplay({u"--help"_s}, {});
        QCOMPARE(help.status, 0);
        QVERIFY(help.output.startsWith("Usage: sleevelight"));
    }

    // Wherever Qt cannot start a window system, the program ends with status 2 and one line that
    // says what is missing: never an abort with Qt's own advice.
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
        QCOMPARE(outcome.exit, QProcess::NormalExit);
        QCOMPARE(outcome.status, PlatformStart::failureStatus);
        QCOMPARE(outcome.errorLines.size(), 1);
        QVERIFY2(outcome.errorLines.first().startsWith(u"sleevelight: "_s),
                 qPrintable(outcome.errorLines.first()));
        QVERIFY2(outcome.errorLines.first().contains(said), qPrintable(outcome.errorLines.first()));
    }

    // The wording for desktops this machine cannot be made into: what the plugins installed and
    // the session's variables make of the failure.
    void theLineNamesWhatIsMissing_data()
    {
        QTest::addColumn<PlatformStart::Environment>("environment");
        QTest::addColumn<QString>("said");
        const QStringList all = {u"xcb"_s, u"wayland"_s, u"offscreen"_s};
        const QStringList noWayland = {u"xcb"_s, u"offscreen"_s};
        QTest::newRow("Wayland session, no Wayland plugin, no X")
            << PlatformStart::Environment{{}, u"wayland-0"_s, {}, noWayland}
            << u"Qt's Wayland plugin is not installed and there is no X display to use instead; install it "
               u"with: "
               "sudo apt install qt6-wayland"_s;
        QTest::newRow("Wayland and X both refused, no Wayland plugin")
            << PlatformStart::Environment{u":0"_s, u"wayland-0"_s, {}, noWayland}
            << u"sudo apt install qt6-wayland"_s;
        QTest::newRow("X without the X plugin") << PlatformStart::Environment{u":0"_s, {}, {}, {u"wayland"_s}}
                                                << u"sudo apt install qt6-qpa-plugins"_s;
        QTest::newRow("Wayland asked for by name, not installed")
            << PlatformStart::Environment{u":0"_s, u"wayland-0"_s, u"wayland-egl"_s, noWayland}
            << u"QT_QPA_PLATFORM asks for Qt's Wayland plugin"_s;
        QTest::newRow("a list of platforms of which one is installed")
            << PlatformStart::Environment{u":5"_s, {}, u"wayland;xcb"_s, all}
            << u"cannot open the X display \":5\""_s;
    }

    void theLineNamesWhatIsMissing()
    {
        QFETCH(PlatformStart::Environment, environment);
        QFETCH(QString, said);
        const QString line = PlatformStart::failureMessage(environment);
        QVERIFY2(line.contains(said), qPrintable(line));
        QVERIFY(!line.contains(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
