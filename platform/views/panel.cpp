#include "platform/views/panel.h"

namespace sleevelight {

Panel::Panel(QWidget* parent) : QDialog(parent)
{
    setModal(false);
}

void Panel::makeKeyAndOrderFront()
{
    show();
    raise();
    activateWindow();
}

void Panel::done(int result)
{
    // Every way of closing a dialog ends here: the close box and close() through reject().
    if (isVisible())
        Q_EMIT willClose();
    QDialog::done(result);
}

} // namespace sleevelight
