#pragma once

#include "platform/views/shadow.h"

#include <QAbstractButton>
#include <QImage>

#include <optional>

namespace sleevelight {

// A flat button that shows only its title, drawn with a font, colour, alignment and shadow
// of its own: the hearts and stars of the display and the window's own buttons.
class TitleButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(int tag READ tag WRITE setTag)

public:
    struct Title
    {
        QString text;
        QFont font;
        QColor color = Qt::white;
        Qt::Alignment alignment = Qt::AlignLeading;
        Shadow shadow;

        friend bool operator==(const Title&, const Title&) = default;
    };

    explicit TitleButton(QWidget* parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    const Title& attributedTitle() const { return m_title; }
    void setAttributedTitle(const Title& title);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Title m_title;
    int m_tag = 0;
    QImage m_rendered;
};

} // namespace sleevelight
