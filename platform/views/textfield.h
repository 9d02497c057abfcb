#pragma once

#include "platform/views/shadow.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QWidget>

class QPainter;
class QTextDocument;
class QTextLayout;

#include <optional>

namespace sleevelight {

// A piece of text with its own look; unset parts take the field's.
struct TextRun
{
    QString text;
    std::optional<QFont> font;
    std::optional<QColor> color;
    std::optional<Qt::Alignment> alignment;
    std::optional<Shadow> shadow;

    friend bool operator==(const TextRun&, const TextRun&) = default;
};

// A label that draws its text, wrapped at its preferred width between words (never inside one),
// with an optional soft shadow. The drawn text is kept until something about it changes, so
// repaints never blur again.
class TextField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(double preferredMaxLayoutWidth READ preferredMaxLayoutWidth WRITE setPreferredMaxLayoutWidth)

public:
    explicit TextField(QWidget* parent = nullptr);

    // The plain string value; setting it replaces any attributed content.
    QString text() const;
    void setText(const QString& text);

    // Content made of runs that each may carry font, colour, alignment and shadow.
    const QList<TextRun>& attributedText() const { return m_runs; }
    void setAttributedText(const QList<TextRun>& runs);
    bool hasAttributedText() const { return m_attributed; }

    // The field's font, or none after a font of an unknown name was set.
    std::optional<QFont> fieldFont() const { return m_font; }
    void setFieldFont(const std::optional<QFont>& font);

    QColor textColor() const { return m_color; }
    void setTextColor(const QColor& color);

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    std::optional<Shadow> shadow() const { return m_shadow; }
    void setShadow(const std::optional<Shadow>& shadow);

    // Text wider than this wraps; 0 means no limit.
    double preferredMaxLayoutWidth() const { return m_maxWidth; }
    void setPreferredMaxLayoutWidth(double width);

    // How far the widest line fits the preferred width: below 1 when a word alone is wider.
    double fitRatio() const;
    // Lines wider than the preferred width (a word alone that is) end in an ellipsis.
    void setElidesOverflow(bool elides);
    // The lines as the field draws them (a text of one paragraph): where each begins in the text,
    // how many characters it holds and its natural width.
    struct Line
    {
        int start = 0;
        int length = 0;
        double width = 0.0;
    };
    QList<Line> lines() const;
    // The font a one-paragraph text is drawn in: the field's, or its family's upright face for
    // letters a slanted face lacks.
    QFont textFont() const;
    // A colour drawn behind the text, for text over pictures.
    void setBacking(const std::optional<QColor>& backing);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // How many times the text was drawn afresh (not repainted from what was kept).
    int renderCount() const { return m_renderCount; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void contentChanged();
    int margin() const;
    QFont effectiveFont(const std::optional<QFont>& font) const;
    void layoutDocument(QTextDocument& document, double width) const;
    bool isOneParagraph() const;
    struct Measure
    {
        QSizeF size;         // the ideal width and the height, as a document reports them
        double widest = 0.0; // the natural width of the widest line
    };
    Measure layoutParagraph(QTextLayout& layout, double width, double alignWidth = -1.0,
                            double* shift = nullptr) const;
    Measure measure(double width) const;
    void draw(QPainter& painter, double width) const;
    const Measure& textMeasure() const;
    QSizeF textSize() const { return textMeasure().size; }

    QList<TextRun> m_runs;
    bool m_attributed = false;
    std::optional<QFont> m_font;
    QColor m_color = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignLeading;
    std::optional<Shadow> m_shadow;
    double m_maxWidth = 0.0;
    bool m_elides = false;
    std::optional<QColor> m_backing;

    // Everything the drawing depends on. A refresh may try other sizes and come back to the one
    // shown: what was measured and drawn for a look is kept and found again.
    struct Look
    {
        QList<TextRun> runs;
        std::optional<QFont> font;
        QFont widgetFont;
        QColor color;
        Qt::Alignment alignment;
        std::optional<Shadow> shadow;
        double maxWidth = 0.0;
        bool elides = false;
        Qt::LayoutDirection direction = Qt::LeftToRight;

        friend bool operator==(const Look&, const Look&) = default;
    };
    Look look() const;

    mutable QList<std::pair<Look, Measure>> m_measured; // the last few looks measured
    QSize m_reportedSize;                               // the size hint the layouts last heard of
    QImage m_rendered;
    std::optional<Look> m_renderedLook;
    int m_renderCount = 0;
};

} // namespace sleevelight
