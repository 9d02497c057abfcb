// The tests' fake screen saver as a program of its own, for trying the display by hand: it takes
// org.freedesktop.ScreenSaver on the session bus and prints every call it receives.

#include "tests/interaction/fakescreensaver.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using sleevelight::test::FakeDesktopServices;

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    FakeDesktopServices desktop(FakeDesktopServices::ScreenSaver);
    if (!desktop.isRegistered()) {
        std::fprintf(stderr, "fake-screensaver: cannot take org.freedesktop.ScreenSaver\n");
        return 1;
    }
    std::printf("fake-screensaver: ready\n");
    std::fflush(stdout);
    qsizetype printed = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QStringList calls = desktop.calls();
        for (; printed < calls.size(); ++printed)
            std::printf("%s\n", qPrintable(calls[printed]));
        std::fflush(stdout);
    });
    poll.start(100);
    return QCoreApplication::exec();
}
