#pragma once

#include "platform/views/shadow.h"
#include "platform/lyricslines.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <optional>

namespace sleevelight {

// A track's lyrics in the place of a few lines of text. Timed lyrics show the line sung now in
// the view's font, the line before it and the two after it smaller and dimmer; the view keeps one
// height whatever the lines, so nothing around it moves when they change. Plain lyrics scroll
// through the view as the track goes on.
class LyricsView : public QWidget
{
    Q_OBJECT

public:
    explicit LyricsView(QWidget* parent = nullptr);

    void setLyrics(const lyrics::Lyrics& lyrics);
    const lyrics::Lyrics& lyrics() const { return m_lyrics; }

    // The line sung now, in the font and size given; the others take a share of its size.
    void setLook(const QFont& font, Qt::Alignment alignment, const std::optional<Shadow>& shadow);
    // Lines wider than this wrap (the line sung now) or end in an ellipsis (the others).
    void setTextWidth(double width);

    // Timed lyrics: the line sung now, -1 before the first.
    void setCurrentLine(qsizetype index);
    qsizetype currentLine() const { return m_current; }
    // Plain lyrics: how far through the track, 0 to 1.
    void setProgress(double ratio);

    // The texts shown, top to bottom: the line before, the line now, the two after (timed), or
    // the lines in sight (plain).
    QStringList shownLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // How many times the lines were drawn afresh (not repainted from what was kept).
    int renderCount() const { return m_renderCount; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont aroundFont() const;
    int margin() const;
    void renderPlain();
    void renderTimed();
    // Plain lyrics as the lines they take at the width, and the first of them in sight.
    const QStringList& plainLines() const;
    int plainLinesInSight() const;
    int plainOffset() const;

    lyrics::Lyrics m_lyrics;
    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    std::optional<Shadow> m_shadow;
    double m_width = 400.0;
    qsizetype m_current = -1;
    double m_progress = 0.0;

    mutable QStringList m_plainLines;
    mutable bool m_plainLaidOut = false;
    QImage m_rendered;
    bool m_stale = true;
    int m_renderCount = 0;
};

} // namespace sleevelight
