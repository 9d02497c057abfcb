#include "app/application.h"

#include "app/appdelegate.h"
#include "app/singleinstance.h"
#include "platform/binder.h"
#include "platform/views/mainwindow.h"
#include "player/itunesbridgeprotocol.h"
#include "preferences/zivpreferences.h"
#include "ui_mainwindow.h"
#include "ui_preferences.h"
#include "ui_updatepanel.h"
#include "update/updatesite.h"

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QScreen>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace sleevelight {

struct Application::Private
{
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow mainUi;
    Ui::PreferencesPanel preferencesUi;
    Ui::UpdatePanel updateUi;
    ZivPreferences* preferences = nullptr;
    Panel* updatePanel = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    // The window's size as the interface file gives it.
    QSize designedSize;
};

Application::Application() : d(std::make_unique<Private>()) {}

Application::~Application()
{
    // The application object goes first: it refers to the views, never the other way round.
    d->delegate.reset();
}

bool Application::load(QString* error)
{
    d->delegate = std::make_unique<AppDelegate>();
    if (!d->delegate->iTunesBridge) {
        *error = u"no player bridge named \"itb\" is available"_s;
        return false;
    }

    d->window = std::make_unique<MainWindow>();
    d->mainUi.setupUi(d->window.get());
    d->designedSize = d->window->size();
    d->preferences = new ZivPreferences(d->window.get());
    d->preferencesUi.setupUi(d->preferences);
    d->preferences->letPagesScroll(d->preferencesUi.mPreferenceView);
    d->updatePanel = new Panel(d->window.get());
    d->updateUi.setupUi(d->updatePanel);
    // A build without the update check offers neither its command nor its preference's control.
    if (!updateCheckBuilt) {
        delete d->mainUi.actionCheckForUpdate;
        delete d->preferencesUi.checkUpdateCheck;
    }
    // Every action of the window answers its shortcut and appears in the window's menu.
    d->window->addActions(d->window->findChildren<QAction*>(Qt::FindDirectChildrenOnly));

    const QList<QObject*> roots = {d->window.get()};
    QStringList problems;
    const QStringList missing = d->delegate->connectOutlets(roots);
    for (const QString& name : missing)
        problems << u"the interface has no outlet "_s + name;
    problems << Binder::connect(d->delegate.get(), roots);
    if (!problems.isEmpty()) {
        *error = problems.join(u'\n');
        return false;
    }
    if (d->delegate->applicationShouldTerminateAfterLastWindowClosed())
        QObject::connect(d->window.get(), &MainWindow::closed, qApp, &QCoreApplication::quit);
    return true;
}

void Application::launch()
{
    MainWindow* window = d->window.get();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        // Two thirds of the screen in its proportions: a window that leaves full screen has a
        // sensible size, and the interface file's size can never be taken for a window that
        // already covers the screen (1280 x 720 is a common panel's whole screen, where the
        // display would then never ask for full screen).
        const QSize screenSize = screen->geometry().size();
        if (window->size() == d->designedSize && screenSize.width() >= 600 && screenSize.height() >= 450)
            window->resize(screenSize * 2 / 3);
        window->move(available.center() - window->rect().center());
    }
    // The views get their first geometry before the launch sequence measures them.
    window->centralWidget()->layout()->activate();
    window->show();
    d->delegate->applicationDidFinishLaunching();
}

AppDelegate* Application::delegate() const
{
    return d->delegate.get();
}

MainWindow* Application::window() const
{
    return d->window.get();
}

int runApplication()
{
    if (QGuiApplication::primaryScreen() == nullptr) {
        std::fputs("sleevelight: there is no screen to show the display on\n", stderr);
        return 1;
    }
    Application application;
    QString error;
    if (!application.load(&error)) {
        std::fprintf(stderr, "sleevelight: cannot start: %s\n", qPrintable(error));
        return 1;
    }
    application.launch();
    singleinstance::setWindow(application.window());
    return QApplication::exec();
}

} // namespace sleevelight
