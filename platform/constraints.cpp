#include "platform/constraints.h"

#include <QEvent>
#include <QSet>
#include <QTimer>

namespace sleevelight {

ConstraintLayout::ConstraintLayout(QWidget* container) : QObject(container), m_container(container)
{
    container->installEventFilter(this);
}

Constraint ConstraintLayout::make(QWidget* item, LayoutAttribute attribute, double constant)
{
    return std::make_shared<LayoutConstraint>(LayoutConstraint{item, attribute, constant});
}

void ConstraintLayout::addConstraint(const Constraint& constraint)
{
    if (!constraint || m_constraints.contains(constraint))
        return;
    m_constraints.append(constraint);
    if (constraint->item)
        constraint->item->installEventFilter(this);
    scheduleApply();
}

void ConstraintLayout::removeConstraint(const Constraint& constraint)
{
    if (m_constraints.removeOne(constraint))
        scheduleApply();
}

bool ConstraintLayout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::LayoutRequest:
    case QEvent::Show:
        if (watched == m_container)
            apply();
        else
            scheduleApply();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void ConstraintLayout::scheduleApply()
{
    if (m_applyPending)
        return;
    m_applyPending = true;
    QTimer::singleShot(0, this, [this] { apply(); });
}

void ConstraintLayout::apply()
{
    m_applyPending = false;
    QSet<QWidget*> done;
    for (const Constraint& c : std::as_const(m_constraints)) {
        QWidget* item = c->item;
        if (item == nullptr || done.contains(item))
            continue;
        done.insert(item);
        place(item);
    }
}

void ConstraintLayout::place(QWidget* item)
{
    const QSize size = item->size();
    const double width = m_container->width();
    const double height = m_container->height();
    // Positions are worked out in the container's coordinates and moved into the item's parent's.
    QPoint inContainer =
        item->parentWidget() ? item->parentWidget()->mapTo(m_container, item->pos()) : item->pos();
    double x = inContainer.x();
    double y = inContainer.y();
    for (const Constraint& c : std::as_const(m_constraints)) {
        if (c->item != item)
            continue;
        switch (c->attribute) {
        case LayoutAttribute::Left:
        case LayoutAttribute::Leading:
            x = c->constant;
            break;
        case LayoutAttribute::Right:
        case LayoutAttribute::Trailing:
            x = width + c->constant - size.width();
            break;
        case LayoutAttribute::Top:
            y = c->constant;
            break;
        case LayoutAttribute::Bottom:
            y = height + c->constant - size.height();
            break;
        }
    }
    const QPoint target(qRound(x), qRound(y));
    const QPoint inParent =
        item->parentWidget() ? item->parentWidget()->mapFrom(m_container, target) : target;
    if (item->pos() != inParent)
        item->move(inParent);
}

} // namespace sleevelight
