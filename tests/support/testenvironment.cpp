#include "tests/support/testenvironment.h"

#include "app/application.h"
#include "platform/constraints.h"
#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "tests/support/fakebridge.h"
#include "update/updatesite.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace sleevelight::test {

TestEnvironment::TestEnvironment(double timeScale)
{
    qputenv("XDG_CONFIG_HOME", QDir(m_dir.path()).filePath(u"config"_s).toUtf8());
    qputenv("XDG_DATA_HOME", QDir(m_dir.path()).filePath(u"data"_s).toUtf8());
    qputenv("XDG_CACHE_HOME", QDir(m_dir.path()).filePath(u"cache"_s).toUtf8());
    UserDefaults::resetStandardUserDefaults();
    Timers::setTimeScale(timeScale);
    // The update check at launch asks a closed port on this machine, never the real site.
    UpdateSite::setSite(u"http://127.0.0.1:1"_s);
}

TestEnvironment::~TestEnvironment()
{
    UserDefaults::resetStandardUserDefaults();
    Timers::setTimeScale(1.0);
    UpdateSite::setSite(QString());
}

QString TestEnvironment::settingsFile() const
{
    return UserDefaults::standardFilePath();
}

TestApplication::TestApplication(double timeScale, Start start) : environment(timeScale)
{
    load();
    if (start == launched)
        launch();
}

void TestApplication::load()
{
    FakeBridge::install();
    application = std::make_unique<Application>();
    QString error;
    if (!application->load(&error))
        qFatal("the application did not load: %s", qPrintable(error));
    d = application->delegate();
    bridge = FakeBridge::last;
}

void TestApplication::restart()
{
    application.reset();
    UserDefaults::resetStandardUserDefaults();
    load();
    launch();
}

void TestApplication::setWindowSize(int width, int height)
{
    MainWindow* window = d->mWindow;
    window->setAspectRatio({});
    if (window->isFullScreen())
        window->showNormal();
    window->setMinimumSize(0, 0);
    window->resize(width, height);
    d->screenWidth = 1920.0;
    d->screenHeight = 1080.0;
    d->updateViewBounds();
    placeStacks();
}

void TestApplication::placeStacks()
{
    QCoreApplication::sendPostedEvents();
    if (auto* layout = d->mWindow->contentView()->findChild<ConstraintLayout*>())
        layout->apply();
}

void TestApplication::play(const QString& name, const std::optional<QList<QByteArray>>& artworks)
{
    bridge->playTrack(name);
    bridge->artworks = artworks;
    d->updateTrackInfo();
    placeStacks();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace sleevelight::test
