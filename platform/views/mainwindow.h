#pragma once

#include <QMainWindow>
#include <QPointer>

class QAbstractButton;

namespace sleevelight {

// The display's window: no title bar, movable by its background, with its own three
// small window buttons (close, minimise, full screen) that the application shows on demand.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    enum StandardButton
    {
        CloseButton = 0,
        MiniaturizeButton = 1,
        ZoomButton = 2
    };

    explicit MainWindow(QWidget* parent = nullptr);

    QWidget* contentView() const { return centralWidget(); }
    QAbstractButton* standardWindowButton(StandardButton which) const;

    void toggleFullScreen();
    // The window keeps this width to height when the user resizes it; empty for none.
    void setAspectRatio(const QSizeF& ratio) { m_aspectRatio = ratio; }
    QSizeF aspectRatio() const { return m_aspectRatio; }

    void makeKeyAndOrderFront();
    // The pointer's place in this window's coordinates, wherever the pointer is.
    QPoint mouseLocationOutsideOfEventStream() const;
    // Lets the window follow the pointer until the button is released; false when the
    // platform cannot move windows for us (no window manager, say).
    bool performWindowDrag();
    // Kept for the callers that ask; the window's shadow is the window manager's business here.
    void invalidateShadow() {}

Q_SIGNALS:
    void willEnterFullScreen();
    void didEnterFullScreen();
    void willExitFullScreen();
    void didExitFullScreen();
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void placeButtons();

    QList<QPointer<QAbstractButton>> m_buttons;
    QSizeF m_aspectRatio;
    bool m_adjusting = false;
};

} // namespace sleevelight
