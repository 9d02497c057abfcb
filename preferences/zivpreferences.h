#pragma once

#include "platform/views/panel.h"

#include <QPointer>
#include <QScrollArea>
#include <QVariant>

namespace sleevelight {

class ZivPreferences;

// Told when the panel's show-vinyl control changes.
class ZivPreferencesProtocol
{
public:
    virtual ~ZivPreferencesProtocol() = default;
    virtual void showVinylChanged(ZivPreferences* panel, qint64 showVinyl) = 0;
};

// The preferences panel's window.
class ZivPreferences : public Panel
{
    Q_OBJECT
    Q_PROPERTY(QVariant isShowVinyl READ isShowVinyl WRITE setIsShowVinyl NOTIFY isShowVinylChanged)

public:
    explicit ZivPreferences(QWidget* parent = nullptr);

    QVariant isShowVinyl() const { return m_isShowVinyl; }
    void setIsShowVinyl(const QVariant& value);

    // The pages scroll where the screen is shorter than they are (a small panel's 480 or 720
    // lines); elsewhere the panel shows them whole, as before.
    void letPagesScroll(QWidget* pages);

    QPointer<Panel> preferencePanel;
    qint64 showVinyl = 0;
    QPointer<QWidget> preferenceView;
    ZivPreferencesProtocol* prefDelegate = nullptr;

public Q_SLOTS:
    void showVinylButtonPressed(QObject* sender);

Q_SIGNALS:
    void isShowVinylChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QVariant m_isShowVinyl;
    QPointer<QScrollArea> m_pagesArea;
};

} // namespace sleevelight
