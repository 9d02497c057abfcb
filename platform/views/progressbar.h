#pragma once

#include <QVariant>
#include <QWidget>

namespace sleevelight {

// A thin bar that shows a value from 0 to 1; no value shows an empty bar.
class ProgressBar : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QVariant value READ value WRITE setValue)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)

public:
    explicit ProgressBar(QWidget* parent = nullptr);

    QVariant value() const { return m_value; }
    void setValue(const QVariant& value);

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);

    QSize sizeHint() const override { return {200, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int filledWidth() const;

    QVariant m_value;
    QColor m_background = Qt::transparent;
    QColor m_fill = QColor::fromRgbF(0.85f, 0.85f, 0.85f);
};

} // namespace sleevelight
