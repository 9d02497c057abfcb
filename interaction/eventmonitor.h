#pragma once

#include <QObject>

namespace sleevelight {

class AppDelegate;

// Sees every key press, left press or drag, and pointer movement of the application's
// windows once, hands it to the application object's handlers, and always lets it go on.
class EventMonitor : public QObject
{
    Q_OBJECT

public:
    explicit EventMonitor(AppDelegate* delegate);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppDelegate* m_delegate;
};

} // namespace sleevelight
