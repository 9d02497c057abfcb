#pragma once

#include "platform/image.h"

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

    // How many times the picture was fetched at a new size for this view.
    int scaleCount() const { return m_scaleCount; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Image m_image;
    QImage m_scaled;
    int m_scaleCount = 0;
};

} // namespace sleevelight
