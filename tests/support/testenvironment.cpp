#include "tests/support/testenvironment.h"

#include "app/application.h"
#include "platform/timers.h"
#include "platform/userdefaults.h"
#include "tests/support/fakebridge.h"
#include "update/updatesite.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace sleevelight::test {

TestEnvironment::TestEnvironment(double timeScale)
{
    qputenv("XDG_CONFIG_HOME", QDir(m_dir.path()).filePath(u"config"_s).toUtf8());
    qputenv("XDG_DATA_HOME", QDir(m_dir.path()).filePath(u"data"_s).toUtf8());
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

std::unique_ptr<Application> launchApplication()
{
    FakeBridge::install();
    auto application = std::make_unique<Application>();
    QString error;
    if (!application->load(&error))
        qFatal("the application did not load: %s", qPrintable(error));
    application->launch();
    return application;
}

} // namespace sleevelight::test
