#include "platform/platformstart.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMutex>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;

namespace sleevelight::PlatformStart {

namespace {

struct HeldMessage
{
    QtMsgType type;
    QByteArray category;
    QString text;
};

QMutex heldMutex;
std::vector<HeldMessage> held;
QtMessageHandler previousHandler = nullptr;
bool holding = false;

void passOn(QtMsgType type, const char* category, const QString& text)
{
    const QMessageLogContext context(nullptr, 0, nullptr, category);
    if (previousHandler != nullptr) {
        previousHandler(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void holdingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg && text.contains("platform plugin"_L1)) {
        std::fprintf(stderr, "%s\n", qPrintable(failureMessage(current())));
        std::fflush(stderr);
        std::_Exit(failureStatus);
    }
    if (type == QtFatalMsg) {
        // Not the failure this handler is for: show everything as it came, then let Qt end as it does.
        started();
        passOn(type, context.category, text);
        return;
    }
    const QMutexLocker lock(&heldMutex);
    held.push_back({type, QByteArray(context.category), text});
}

// "wayland-egl" and "wayland-generic" are the one Wayland platform.
QString platformName(const QString& name)
{
    return name.startsWith("wayland"_L1) ? u"wayland"_s : name;
}

// "libqwayland-generic.so" → "wayland", "libqxcb.so" → "xcb".
QString pluginKey(QString fileName)
{
    fileName = fileName.section(u'.', 0, 0);
    if (fileName.startsWith("libq"_L1))
        fileName.remove(0, 4);
    return platformName(fileName);
}

QString packageHint(const QString& plugin)
{
    if (plugin == "wayland"_L1)
        return u"install it with: sudo apt install qt6-wayland"_s;
    if (plugin == "xcb"_L1)
        return u"install it with: sudo apt install qt6-qpa-plugins"_s;
    return u"install the Qt 6 package that provides it"_s;
}

QString pluginTitle(const QString& plugin)
{
    if (plugin == "wayland"_L1)
        return u"Qt's Wayland plugin"_s;
    if (plugin == "xcb"_L1)
        return u"Qt's X11 plugin"_s;
    return u"Qt's platform plugin \"%1\""_s.arg(plugin);
}

} // namespace

Environment current()
{
    Environment environment;
    environment.display = qEnvironmentVariable("DISPLAY");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.requested = qEnvironmentVariable("QT_QPA_PLATFORM");

    QStringList folders = {QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms"_L1};
    for (const QString& path : qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts))
        folders << path + "/platforms"_L1;
    for (const QString& path :
         qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts))
        folders << path;
    for (const QString& folder : folders) {
        const QStringList files = QDir(folder).entryList({u"*.so"_s}, QDir::Files);
        for (const QString& file : files) {
            const QString key = pluginKey(file);
            if (!environment.plugins.contains(key))
                environment.plugins << key;
        }
    }
    return environment;
}

QString failureMessage(const Environment& environment)
{
    const QString prefix = u"sleevelight: "_s;
    const auto has = [&](const char* plugin) {
        return environment.plugins.contains(QLatin1String(plugin));
    };

    if (!environment.requested.isEmpty()) {
        // "wayland;xcb", "xcb:option=value": the names before any options.
        QStringList asked;
        for (const QString& entry : environment.requested.split(u';', Qt::SkipEmptyParts))
            asked << platformName(entry.section(u':', 0, 0).trimmed());
        QStringList absent;
        for (const QString& name : asked)
            if (!environment.plugins.contains(name))
                absent << name;
        if (!asked.isEmpty() && absent.size() == asked.size())
            return prefix +
                   u"QT_QPA_PLATFORM asks for %1, which is not installed; unset QT_QPA_PLATFORM, or %2"_s.arg(
                       pluginTitle(absent.first()), packageHint(absent.first()));
    }

    const bool wayland = !environment.waylandDisplay.isEmpty();
    const bool x11 = !environment.display.isEmpty();
    if (!wayland && !x11)
        return prefix +
               u"no graphical display found (neither DISPLAY nor WAYLAND_DISPLAY is set); run it from a "
               "desktop session, or under a virtual one: xvfb-run -a sleevelight"_s;
    if (wayland && !x11 && !has("wayland"))
        return prefix +
               u"this is a Wayland session (WAYLAND_DISPLAY=%1) but Qt's Wayland plugin is not installed "
               "and there is no X display to use instead; install it with: sudo apt install qt6-wayland"_s
                   .arg(environment.waylandDisplay);
    if (x11 && !wayland && !has("xcb"))
        return prefix +
               u"Qt's X11 plugin is not installed; install it with: sudo apt install qt6-qpa-plugins"_s;
    if (wayland && !x11)
        return prefix + u"cannot connect to the Wayland display \"%1\"; is the compositor running, and is "
                        "XDG_RUNTIME_DIR this session's?"_s.arg(environment.waylandDisplay);
    if (x11 && !wayland)
        return prefix +
               u"cannot open the X display \"%1\"; is it running, and may this user use it (xauth)?"_s.arg(
                   environment.display);
    return prefix + u"cannot connect to the Wayland display \"%1\" nor open the X display \"%2\"%3"_s.arg(
                        environment.waylandDisplay, environment.display,
                        has("wayland")
                            ? QString()
                            : u"; Qt's Wayland plugin is not installed: sudo apt install qt6-wayland"_s);
}

void prepare()
{
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    if (holding)
        return;
    holding = true;
    previousHandler = qInstallMessageHandler(holdingHandler);
}

void started()
{
    if (!holding)
        return;
    holding = false;
    qInstallMessageHandler(previousHandler);
    std::vector<HeldMessage> messages;
    {
        const QMutexLocker lock(&heldMutex);
        messages.swap(held);
    }
    for (const HeldMessage& message : messages)
        passOn(message.type, message.category.isEmpty() ? "default" : message.category.constData(),
               message.text);
}

} // namespace sleevelight::PlatformStart
