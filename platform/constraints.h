#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace sleevelight {

// Layout attributes by the numbers the display code uses.
enum class LayoutAttribute : int
{
    Left = 1,
    Right = 2,
    Top = 3,
    Bottom = 4,
    Leading = 5,
    Trailing = 6,
};

// item.attribute = container.attribute + constant, always with the relation "equal" and
// the multiplier 1. The item keeps the size its own layout gives it.
struct LayoutConstraint
{
    QPointer<QWidget> item;
    LayoutAttribute attribute = LayoutAttribute::Leading;
    double constant = 0.0;
};

using Constraint = std::shared_ptr<LayoutConstraint>;

// Keeps the constraints installed on a container view and places the anchored items
// on every change of the container's size or of an item's size.
class ConstraintLayout : public QObject
{
    Q_OBJECT

public:
    explicit ConstraintLayout(QWidget* container);

    static Constraint make(QWidget* item, LayoutAttribute attribute, double constant);

    QWidget* container() const { return m_container; }
    void addConstraint(const Constraint& constraint);
    void removeConstraint(const Constraint& constraint);
    const QList<Constraint>& constraints() const { return m_constraints; }

    // Places every anchored item now; normally done on the next event-loop turn.
    void apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleApply();
    void place(QWidget* item);

    QWidget* m_container;
    QList<Constraint> m_constraints;
    bool m_applyPending = false;
};

} // namespace sleevelight
