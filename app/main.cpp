#include "app/application.h"
#include "player/bridgeregistry.h"
#include "player/mprisbridge.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Without a display the platform plugin would abort with a message few people can act on.
    const bool displayless = qEnvironmentVariableIsEmpty("DISPLAY") &&
                             qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                             qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (displayless) {
        std::fputs("sleevelight: no graphical display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Run it from a desktop session, or under a virtual one such as: xvfb-run -a sleevelight\n",
                   stderr);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sleevelight"));
    QApplication::setOrganizationName(QStringLiteral("Sleevelight"));
    QApplication::setQuitOnLastWindowClosed(false);

    sleevelight::MprisBridge::registerAsApplicationBridge();
    return sleevelight::runApplication();
}
