// The tests' fake screen saver as a program of its own, for trying the display by hand: it takes
// org.freedesktop.ScreenSaver on the session bus and prints every call it receives.

#include "tests/interaction/fakescreensaver.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

using sleevelight::test::FakeScreenSaver;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeScreenSaver screenSaver;
    QObject::connect(&screenSaver, &FakeScreenSaver::called, [](const QString& call) {
        std::printf("%s\n", qPrintable(call));
        std::fflush(stdout);
    });
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) {
        std::fprintf(stderr, "fake-screensaver: cannot take org.freedesktop.ScreenSaver: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("fake-screensaver: ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
