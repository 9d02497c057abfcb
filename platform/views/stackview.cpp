#include "platform/views/stackview.h"

#include <QChildEvent>

#include <cmath>

namespace sleevelight {

StackView::StackView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void StackView::childEvent(QChildEvent* event)
{
    // The layout arrives from the interface file after construction: make it size the stack.
    if (event->type() == QEvent::ChildPolished || event->type() == QEvent::ChildAdded) {
        // An outer stack takes exactly the size of what it holds, and its place comes from
        // constraints. A stack among stacks may be stretched by the one that holds it, and keeps no
        // minimum size of its own that could lag behind its content.
        const QLayout::SizeConstraint constraint =
            qobject_cast<StackView*>(parentWidget()) ? QLayout::SetNoConstraint : QLayout::SetFixedSize;
        if (QLayout* l = layout(); l && l->sizeConstraint() != constraint) {
            l->setSizeConstraint(constraint);
            l->setContentsMargins(0, 0, 0, 0);
        }
        if (event->type() == QEvent::ChildPolished)
            applyAlignment();
    }
    QWidget::childEvent(event);
}

QBoxLayout* StackView::boxLayout() const
{
    return qobject_cast<QBoxLayout*>(layout());
}

StackView::Orientation StackView::orientation() const
{
    const QBoxLayout* box = boxLayout();
    if (box == nullptr)
        return Horizontal;
    const auto direction = box->direction();
    return (direction == QBoxLayout::TopToBottom || direction == QBoxLayout::BottomToTop) ? Vertical
                                                                                          : Horizontal;
}

void StackView::setOrientation(Orientation orientation)
{
    if (QBoxLayout* box = boxLayout()) {
        box->setDirection(orientation == Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
        applyAlignment();
    }
}

double StackView::spacing() const
{
    const QBoxLayout* box = boxLayout();
    return box ? box->spacing() : 0.0;
}

void StackView::setSpacing(double spacing)
{
    if (QBoxLayout* box = boxLayout())
        box->setSpacing(int(std::lround(spacing)));
}

void StackView::setStackAlignment(int attribute)
{
    m_alignment = attribute;
    applyAlignment();
}

void StackView::applyAlignment()
{
    QBoxLayout* box = boxLayout();
    if (box == nullptr)
        return;
    Qt::Alignment alignment;
    switch (m_alignment) {
    case 1:
    case 5:
        alignment = orientation() == Vertical ? Qt::AlignLeft : Qt::AlignTop;
        break;
    case 2:
    case 6:
        alignment = orientation() == Vertical ? Qt::AlignRight : Qt::AlignBottom;
        break;
    case 3:
        alignment = Qt::AlignTop;
        break;
    case 4:
        alignment = Qt::AlignBottom;
        break;
    default:
        alignment = orientation() == Vertical ? Qt::AlignHCenter : Qt::AlignVCenter;
        break;
    }
    // A view that can grow across the stack (a progress row) spans it; the others are aligned.
    const Qt::Orientation across = orientation() == Vertical ? Qt::Horizontal : Qt::Vertical;
    for (QWidget* view : arrangedSubviews()) {
        Qt::Orientations grows = view->sizePolicy().expandingDirections();
        if (const QLayout* inner = view->layout())
            grows |= inner->expandingDirections();
        box->setAlignment(view, (grows & across) ? Qt::Alignment() : alignment);
    }
    box->invalidate();
}

QList<QWidget*> StackView::arrangedSubviews() const
{
    QList<QWidget*> views;
    if (const QBoxLayout* box = boxLayout())
        for (int i = 0; i < box->count(); ++i)
            if (QWidget* w = box->itemAt(i)->widget())
                views.append(w);
    return views;
}

void StackView::addArrangedSubview(QWidget* view)
{
    insertArrangedSubview(-1, view);
}

void StackView::insertArrangedSubview(int index, QWidget* view)
{
    if (QBoxLayout* box = boxLayout()) {
        box->insertWidget(index, view);
        applyAlignment();
    }
}

void StackView::removeView(QWidget* view)
{
    if (QBoxLayout* box = boxLayout())
        box->removeWidget(view);
}

} // namespace sleevelight
