#pragma once

// What the display tests share: the application on a fake bridge, its window at an exact size
// on a screen of a known width, and pictures made to order.

#include "platform/constraints.h"
#include "platform/views/frameview.h"
#include "platform/views/mainwindow.h"
#include "tests/support/pictures.h"
#include "tests/support/testenvironment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

namespace sleevelight::test {

class DisplayFixture : public TestApplication
{
public:
    explicit DisplayFixture(double timeScale = 1000.0) : TestApplication(timeScale)
    {
        setWindowSize(1920, 1080);
    }

    // The window at exactly this size, on a screen 1920 wide, laid out again.
    void setWindowSize(int width, int height)
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

    // The constraint layer places the stacks on the next turn of the event loop; now, for a test.
    void placeStacks()
    {
        QCoreApplication::sendPostedEvents();
        if (auto* layout = d->mWindow->contentView()->findChild<ConstraintLayout*>())
            layout->apply();
    }

    // A playing track with these pictures, refreshed.
    void play(const QString& name, const std::optional<QList<QByteArray>>& artworks)
    {
        bridge->playTrack(name);
        bridge->artworks = artworks;
        d->updateTrackInfo();
        placeStacks();
    }
};

} // namespace sleevelight::test
