#pragma once

// What a test of the application needs: the application itself, its fake bridge and an
// environment of its own.

#include "app/appdelegate.h"
#include "app/application.h"
#include "tests/support/fakebridge.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// The whole application on a fake bridge, in an environment of its own, loaded from the interface
// files and launched unless told otherwise. Its clock runs slow by default, so that only the test
// moves things.
struct TestApplication
{
    enum Start
    {
        launched,
        loaded,
    };
    explicit TestApplication(double timeScale = 1000.0, Start start = launched);

    void launch() { application->launch(); }
    // A new run of the program on the same files.
    void restart();

    // The window at exactly this size, on a screen 1920 wide, laid out again.
    void setWindowSize(int width, int height);
    // The constraint layer places the stacks on the next turn of the event loop; now, for a test.
    void placeStacks();
    // A playing track with these pictures, refreshed.
    void play(const QString& name, const std::optional<QList<QByteArray>>& artworks);

    TestEnvironment environment;
    std::unique_ptr<Application> application;
    AppDelegate* d = nullptr;
    FakeBridge* bridge = nullptr;

private:
    void load();
};

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

} // namespace sleevelight::test
