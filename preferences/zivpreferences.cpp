#include "preferences/zivpreferences.h"

#include <QBoxLayout>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace sleevelight {

ZivPreferences::ZivPreferences(QWidget* parent) : Panel(parent) {}

void ZivPreferences::setIsShowVinyl(const QVariant& value)
{
    if (m_isShowVinyl == value)
        return;
    m_isShowVinyl = value;
    Q_EMIT isShowVinylChanged();
}

void ZivPreferences::letPagesScroll(QWidget* pages)
{
    auto* box = qobject_cast<QBoxLayout*>(layout());
    if (pages == nullptr || box == nullptr || box->indexOf(pages) < 0 || m_pagesArea)
        return;
    const int index = box->indexOf(pages);
    m_pagesArea = new QScrollArea(this);
    m_pagesArea->setFrameShape(QFrame::NoFrame);
    m_pagesArea->setWidgetResizable(true);
    m_pagesArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->insertWidget(index, m_pagesArea, 1);
    m_pagesArea->setWidget(pages);
}

void ZivPreferences::showEvent(QShowEvent* event)
{
    if (m_pagesArea && m_pagesArea->widget() && screen() != nullptr) {
        // As tall as the pages, or as the screen leaves room for beside the page buttons and the
        // panel's own buttons and frame.
        const int others = sizeHint().height() - m_pagesArea->sizeHint().height();
        const int room = screen()->availableGeometry().height() - others - 48;
        const int wanted = m_pagesArea->widget()->sizeHint().height();
        m_pagesArea->setMinimumHeight(std::max(120, std::min(wanted, room)));
        m_pagesArea->setMinimumWidth(m_pagesArea->widget()->sizeHint().width() +
                                     m_pagesArea->verticalScrollBar()->sizeHint().width());
        resize(width(), std::min(sizeHint().height(), screen()->availableGeometry().height() - 40));
    }
    Panel::showEvent(event);
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
