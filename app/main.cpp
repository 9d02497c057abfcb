#include "app/application.h"
#include "app/singleinstance.h"
#include "platform/platformstart.h"
#include "player/bridgeregistry.h"
#include "player/playerbridge.h"

#include <QApplication>

#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr const char* usage =
    "Usage: sleevelight [--help] [--version] [--new-instance]\n"
    "\n"
    "Shows what the music player on the desktop is playing, large, on a whole screen.\n"
    "It follows any player that speaks MPRIS on the session or the system bus. Started again, it\n"
    "brings the display already running to the front; --new-instance starts another one beside it.\n"
    "\n"
    "Keys: h help, c file information, l loved, s rating, n next artwork,\n"
    "      m main or all artworks, v vinyl record, y lyrics, u the next track, p the next player.\n"
    "      Right-click for the menu.\n"
    "Settings: $XDG_CONFIG_HOME/Sleevelight/Sleevelight.conf (~/.config when unset).\n";

bool asksForNewInstance(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--new-instance")
            return true;
    return false;
}

// The two options every program answers; anything else is left to the application.
int answerCommandLine(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("Sleevelight %s (%s)\n", SLEEVELIGHT_VERSION, SLEEVELIGHT_BUILD_NUMBER);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const int status = answerCommandLine(argc, argv); status >= 0)
        return status;

    // The same text size on every desktop; no display, or none Qt can reach: one line that says
    // what is missing, and status 2.
    sleevelight::PlatformStart::prepare();
    QApplication app(argc, argv);
    sleevelight::PlatformStart::started();
    QApplication::setApplicationName(u"Sleevelight"_s);
    QApplication::setOrganizationName(u"Sleevelight"_s);
    QApplication::setQuitOnLastWindowClosed(false);

    // One display per session unless another is asked for: a second start brings the first forward.
    namespace single = sleevelight::singleinstance;
    if (!asksForNewInstance(argc, argv) &&
        single::claim(QDBusConnection::sessionBus()) == single::Claim::Taken) {
        if (single::activateRunning(QDBusConnection::sessionBus(), 5000))
            return 0;
        std::fputs(
            "sleevelight: the display already running does not answer; --new-instance starts another\n",
            stderr);
        return 1;
    }

    sleevelight::PlayerBridge::registerAsApplicationBridge();
    return sleevelight::runApplication();
}
