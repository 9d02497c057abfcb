#pragma once

#include <QString>

#include <memory>

namespace sleevelight {

class AppDelegate;
class MainWindow;

// Loads the interface files, makes the application object and connects the two.
class Application
{
public:
    Application();
    ~Application();

    // Makes the windows and the application object. False, with the reason, when the bridge to
    // the player cannot be made or the interface files lack an outlet or a declared connection.
    bool load(QString* error);
    // Shows the window and runs the launch sequence.
    void launch();

    AppDelegate* delegate() const;
    MainWindow* window() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The whole program after the QApplication exists: returns the process's exit status.
int runApplication();

} // namespace sleevelight
