#pragma once

#include <QImage>
#include <QWidget>

class QVariantAnimation;

namespace sleevelight {

// Lies over a widget and fades out a picture of what it showed, so that whatever it shows now
// crossfades in beneath. Hidden, holding no picture, while no fade runs.
class FadeOverlay : public QWidget
{
    Q_OBJECT

public:
    // Covers `covered`, following its size, above all its other children.
    explicit FadeOverlay(QWidget* covered);

    // Takes a picture of the covered widget as it was last shown (a fade under way included) and
    // fades it out over `milliseconds`.
    void fadeOut(int milliseconds);
    bool isFading() const { return isVisible(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QImage m_picture;
    QVariantAnimation* m_fade;
};

} // namespace sleevelight
