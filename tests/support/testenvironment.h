#pragma once

#include <QTemporaryDir>

#include <memory>

namespace sleevelight {
class Application;
}

namespace sleevelight::test {

// Points the settings and data folders at a fresh temporary folder, so a test never touches
// the user's own files, and runs the program's timers a thousand times faster.
class TestEnvironment
{
public:
    explicit TestEnvironment(double timeScale = 0.001);
    ~TestEnvironment();

    QString path() const { return m_dir.path(); }
    QString settingsFile() const;

private:
    QTemporaryDir m_dir;
};

// The whole application on a fake bridge, loaded from the interface files and launched.
std::unique_ptr<Application> launchApplication();

} // namespace sleevelight::test
