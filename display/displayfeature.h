#pragma once

#include "interaction/keycommands.h"

#include <QList>
#include <QObject>

namespace sleevelight {

class AppDelegate;

// A feature of the display beyond the application object's own fields and operations (lyrics,
// screen care, the ambient background…): made and owned by the application object, it reads and
// writes the display's state through the object's public face, and hears of the display's moments
// through these calls. Each does nothing unless a feature makes it do something.
class DisplayFeature : public QObject
{
    Q_OBJECT

public:
    explicit DisplayFeature(AppDelegate& app);

    // The live preferences changed (at launch too).
    virtual void livePreferencesChanged() {}
    // A refresh is about to show another track than the one shown.
    virtual void trackWillChange() {}
    // A refresh set the track's properties; the artwork and the layout follow.
    virtual void trackInfoUpdated(bool isNewTrack) { Q_UNUSED(isNewTrack); }
    // The tick of every second, while a player runs.
    virtual void trackProgressUpdated() {}
    // The text beside the artwork, or on a wide picture, is this wide.
    virtual void textWidthSet(double width, bool onWidePicture)
    {
        Q_UNUSED(width);
        Q_UNUSED(onWidePicture);
    }
    // The track's text took its sizes at this scale.
    virtual void trackTextStyled(float aRatio) { Q_UNUSED(aRatio); }
    // The rows of the text stacks were shown or hidden as the preferences say.
    virtual void trackRowsShown() {}
    // The staged artwork is about to be shown.
    virtual void artworkWillShow() {}
    // The views show the refreshed track.
    virtual void viewItemsUpdated() {}
    // The preferences panel shows the working copy.
    virtual void preferencePanelFilled() {}
    // A command key nobody else took; true when this feature did.
    virtual bool keyPressed(KeyCommand command)
    {
        Q_UNUSED(command);
        return false;
    }
    // A key, a press or a movement of the pointer; true when it only woke the display.
    virtual bool userWasActive() { return false; }

protected:
    AppDelegate& app;
};

// Every feature hears of a key, a press or a movement; true when it only woke the display.
inline bool tellUserWasActive(const QList<DisplayFeature*>& features)
{
    bool woke = false;
    for (DisplayFeature* feature : features)
        woke = feature->userWasActive() || woke;
    return woke;
}

} // namespace sleevelight
