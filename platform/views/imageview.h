#pragma once

#include "platform/image.h"

#include <QVariantAnimation>
#include <QWidget>

namespace sleevelight {

// Shows a picture scaled proportionally, up or down, to fill its bounds in one direction and
// centred in the other, sharp at the screen's pixel ratio. The scaled picture is kept, so a
// repaint never scales again.
class ImageView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(sleevelight::Image image READ image WRITE setImage)

public:
    explicit ImageView(QWidget* parent = nullptr);

    Image image() const { return m_image; }
    void setImage(const Image& image);

    // True while the view shows the picture's preview, before the picture itself is decoded.
    bool showsPreview() const { return m_showsPreview; }
    // The picture shown was decoded since it was set: it replaces its preview.
    void pictureDecoded();

    // How many times the picture was fetched at a new size for this view.
    int scaleCount() const { return m_scaleCount; }

    // A new picture fades in over the one shown for this long; 0, the default, shows it at once.
    // Nothing runs while the picture stays.
    void setCrossfadeMs(int milliseconds) { m_crossfadeMs = milliseconds; }
    int crossfadeMs() const { return m_crossfadeMs; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect picturesRect() const;

    Image m_image;
    QImage m_scaled;
    QPointF m_origin;
    int m_scaleCount = 0;
    bool m_showsPreview = false;
    int m_crossfadeMs = 0;
    // The picture fading out, where it stood, and the fade.
    QImage m_previous;
    QPointF m_previousOrigin;
    QVariantAnimation* m_fade = nullptr;
};

} // namespace sleevelight
