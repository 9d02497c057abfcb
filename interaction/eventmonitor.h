#pragma once

#include <QObject>

class QMouseEvent;

namespace sleevelight {

class AppDelegate;

// Sees every key press, left press or drag, and pointer movement of the application's
// windows once and hands it to the application object's handlers. It lets it go on, except a key
// or a press that only woke the display, and a key that worked the player.
class EventMonitor : public QObject
{
    Q_OBJECT

public:
    explicit EventMonitor(AppDelegate* delegate);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isGesture(const QMouseEvent* mouse) const;

    AppDelegate* m_delegate;
    // The key whose press woke the display; its press is dropped when it comes.
    int m_wakingKey = 0;
};

} // namespace sleevelight
