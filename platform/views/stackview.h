#pragma once

#include <QBoxLayout>
#include <QWidget>

namespace sleevelight {

// A row or column of views that sizes itself to what it holds; hidden views take no room.
// The interface file gives it a QHBoxLayout or QVBoxLayout with its arranged views.
class StackView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int stackAlignment READ stackAlignment WRITE setStackAlignment)

public:
    // Alignment of the arranged views across the stack: by the layout attribute numbers
    // (1 left, 2 right, 3 top, 4 bottom, 5 leading, 6 trailing); 0 centres them.
    enum Orientation
    {
        Horizontal = 0,
        Vertical = 1
    };

    explicit StackView(QWidget* parent = nullptr);

    Orientation orientation() const;
    void setOrientation(Orientation orientation);

    double spacing() const;
    void setSpacing(double spacing);

    int stackAlignment() const { return m_alignment; }
    void setStackAlignment(int attribute);

    QList<QWidget*> arrangedSubviews() const;
    void addArrangedSubview(QWidget* view);
    // At `index` among the arranged views; -1 at the end.
    void insertArrangedSubview(int index, QWidget* view);
    void removeView(QWidget* view);

protected:
    void childEvent(QChildEvent* event) override;

private:
    QBoxLayout* boxLayout() const;
    void applyAlignment();

    int m_alignment = 0;
};

} // namespace sleevelight
