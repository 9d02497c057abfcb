#pragma once

#include "display/displayfeature.h"

#include <QList>
#include <QPointer>
#include <QString>

namespace sleevelight {

class TextField;

// The next track of the player's queue as one small, dim line under the progress, "Next: <name> —
// <artist>", when showNextUp is on (key u) and the player says what is next.
class NextUpLine : public DisplayFeature
{
    Q_OBJECT

public:
    explicit NextUpLine(AppDelegate& app);

    static inline const QString showText = QStringLiteral("Show Next Up");
    static inline const QString hideText = QStringLiteral("Hide Next Up");

    // What the line says; empty when nothing is next.
    QString text() const { return m_text; }

    void trackInfoUpdated(bool isNewTrack) override;
    void textWidthSet(double width, bool onWidePicture) override;
    void trackTextStyled(float aRatio) override;
    void trackRowsShown() override;
    bool keyPressed(KeyCommand command) override;

private:
    bool isShown() const;
    // The text, cut with an ellipsis where a field is too narrow for it, while the line shows.
    void setLineTexts();

    QString m_text;
    QList<QPointer<TextField>> m_lines; // beside the artwork (both sides) and on a wide one
    double m_sideWidth = 0.0;
    double m_wideWidth = 0.0;
};

} // namespace sleevelight
