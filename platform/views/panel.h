#pragma once

#include <QDialog>

namespace sleevelight {

// A secondary window that tells when it is about to close, however it is closed
// (its button, the close box, Escape or a close command).
class Panel : public QDialog
{
    Q_OBJECT

public:
    explicit Panel(QWidget* parent = nullptr);

    // Shows the panel in front and gives it the keyboard.
    void makeKeyAndOrderFront();

Q_SIGNALS:
    void willClose();

protected:
    void done(int result) override;
};

} // namespace sleevelight
