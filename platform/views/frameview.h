#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace sleevelight {

// A plain view with an optional background colour that can report changes of its frame.
class FrameView : public QWidget
{
    Q_OBJECT

public:
    explicit FrameView(QWidget* parent = nullptr);

    void setPostsFrameChangedNotifications(bool posts) { m_posts = posts; }
    bool postsFrameChangedNotifications() const { return m_posts; }

    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color);
    // A picture stretched smoothly over the whole view, behind everything, in place of the
    // colour; a null image takes it away. It is scaled once per size of the view.
    void setBackgroundImage(const QImage& image);

    // Keeps the view the size of its parent, moved by `offset` (a few pixels against burn-in):
    // from the first call on, the parent's layout no longer places it.
    void setOffsetInParent(const QPoint& offset);
    QPoint offsetInParent() const { return m_offset; }

Q_SIGNALS:
    void frameChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_posts = false;
    QColor m_background = Qt::transparent;
    QImage m_backgroundImage;
    QPixmap m_scaledBackground;
    QPoint m_offset;
    bool m_placesItself = false;
};

} // namespace sleevelight
