#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace sleevelight {

// Key r: the remote's address as a QR code to scan, large in the middle of the display, with the
// address beneath; a press anywhere, key r again or a minute closes it.
class PairingView : public QWidget
{
    Q_OBJECT

public:
    explicit PairingView(QWidget* parent);

    void showAddress(const QString& address);
    QString address() const { return m_address; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_address;
    QImage m_code;
};

} // namespace sleevelight
