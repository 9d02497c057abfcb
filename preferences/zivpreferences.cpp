#include "preferences/zivpreferences.h"

namespace sleevelight {

ZivPreferences::ZivPreferences(QWidget* parent) : Panel(parent) {}

void ZivPreferences::setIsShowVinyl(const QVariant& value)
{
    if (m_isShowVinyl == value)
        return;
    m_isShowVinyl = value;
    Q_EMIT isShowVinylChanged();
}

void ZivPreferences::showVinylButtonPressed(QObject*)
{
    // Without a value from the control there is nothing to take over; the log still says so.
    bool ok = false;
    const qint64 value = m_isShowVinyl.toLongLong(&ok);
    qInfo("Show Vinyl Button Pressed : %d", ok ? int(value) : 0);
    if (!ok)
        return;
    showVinyl = value;
    if (prefDelegate != nullptr)
        prefDelegate->showVinylChanged(this, showVinyl);
}

} // namespace sleevelight
