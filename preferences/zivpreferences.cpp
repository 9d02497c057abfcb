#include "preferences/zivpreferences.h"

ZivPreferences::ZivPreferences(QWidget* parent) : Panel(parent) {}

void ZivPreferences::setIsShowVinyl(const QVariant& value)
{
    if (m_isShowVinyl == value)
        return;
    m_isShowVinyl = value;
    Q_EMIT isShowVinylChanged();
}

void ZivPreferences::showVinylButtonPressed(QObject*) {}
