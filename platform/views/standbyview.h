#pragma once

#include <QFont>
#include <QWidget>

class QTimer;
class QVariantAnimation;

namespace sleevelight {

// What a screen shows while nothing plays: black, a large dim clock (the local time, HH:MM) that
// moves to a new place every minute so that no pixel stays lit for long, and below it, smaller,
// the last track and its artist. It covers its parent and fades in and out.
class StandbyView : public QWidget
{
    Q_OBJECT

public:
    explicit StandbyView(QWidget* parent);

    // The clock's face (the track name's); the lines take the same family.
    void setClockFont(const QFont& font);
    void setLastTrack(const QString& name, const QString& artist);

    // Covers the parent, fading from what is beneath to the standby view over `milliseconds`.
    void fadeIn(int milliseconds);
    // Fades back to what is beneath, then hides.
    void fadeOut(int milliseconds);
    bool isShown() const { return isVisible() && m_showing; }

    QString clockText() const { return m_time; }
    // Where the clock and the lines stand now, in the view's coordinates.
    QRect clockRect() const { return m_block; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The time read again and the block placed anew; then the next call at the next minute.
    void nextMinute();
    QSize blockSize() const;
    QFont clockFont() const;
    QFont lineFont() const;

    QFont m_font;
    QString m_track;
    QString m_time;
    QRect m_block;
    bool m_showing = false;
    QTimer* m_minute = nullptr;
    QVariantAnimation* m_fade;
};

} // namespace sleevelight
