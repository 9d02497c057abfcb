#include "platform/views/textfield.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace sleevelight {

TextField::TextField(QWidget* parent) : QWidget(parent), m_font(font())
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_runs.append(TextRun{});
}

QString TextField::text() const
{
    QString all;
    for (const TextRun& run : m_runs)
        all += run.text;
    return all;
}

void TextField::setText(const QString& text)
{
    if (!m_attributed && m_runs.size() == 1 && m_runs.first().text == text)
        return;
    m_runs = {TextRun{text, {}, {}, {}, {}}};
    m_attributed = false;
    contentChanged();
}

void TextField::setAttributedText(const QList<TextRun>& runs)
{
    m_runs = runs.isEmpty() ? QList<TextRun>{TextRun{}} : runs;
    m_attributed = true;
    contentChanged();
}

void TextField::setFieldFont(const std::optional<QFont>& font)
{
    if (m_font == font)
        return;
    m_font = font;
    contentChanged();
}

void TextField::setTextColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    contentChanged();
}

void TextField::setAlignment(Qt::Alignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    contentChanged();
}

void TextField::setShadow(const std::optional<Shadow>& shadow)
{
    if (m_shadow == shadow)
        return;
    m_shadow = shadow;
    contentChanged();
}

void TextField::setPreferredMaxLayoutWidth(double width)
{
    if (m_maxWidth == width)
        return;
    m_maxWidth = width;
    contentChanged();
}

void TextField::changeEvent(QEvent* event)
{
    // A font set from the interface file arrives as the widget's font.
    if (event->type() == QEvent::FontChange && m_font && !m_attributed) {
        m_font = font();
        contentChanged();
    }
    QWidget::changeEvent(event);
}

TextField::Look TextField::look() const
{
    return Look{m_runs, m_font, QWidget::font(), m_color, m_alignment, m_shadow, m_maxWidth};
}

void TextField::contentChanged()
{
    // A text of the same size (the elapsed time every second) repaints only this field.
    if (const QSize hint = sizeHint(); hint != m_reportedSize) {
        m_reportedSize = hint;
        updateGeometry();
    }
    update();
}

int TextField::margin() const
{
    double blur = m_shadow ? m_shadow->blurRadius : 0.0;
    for (const TextRun& run : m_runs)
        if (run.shadow)
            blur = std::max(blur, run.shadow->blurRadius);
    return int(std::ceil(blur));
}

QFont TextField::effectiveFont(const std::optional<QFont>& font) const
{
    if (font)
        return *font;
    if (m_font)
        return *m_font;
    return QWidget::font();
}

void TextField::layoutDocument(QTextDocument& document, double width) const
{
    document.setDocumentMargin(0);
    document.setDefaultFont(effectiveFont({}));
    QTextCursor cursor(&document);
    bool first = true;
    for (const TextRun& run : m_runs) {
        QTextCharFormat format;
        format.setFont(effectiveFont(run.font));
        format.setForeground(run.color.value_or(m_color));
        QTextBlockFormat blockFormat;
        blockFormat.setAlignment(run.alignment.value_or(m_alignment));
        // Line breaks of any kind start a new paragraph, as typed text does.
        QString text = run.text;
        text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
        const QStringList paragraphs = text.split(u'\n');
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                cursor.insertBlock(blockFormat, format);
            else if (first)
                cursor.setBlockFormat(blockFormat);
            cursor.insertText(paragraphs[i], format);
        }
        first = false;
    }
    document.setTextWidth(width);
}

// Most fields hold one run without line breaks: one paragraph. A text layout of its own measures
// and draws it exactly as a text document would, at a fraction of the cost (the elapsed time is
// laid out every second).
bool TextField::isOneParagraph() const
{
    if (m_runs.size() != 1)
        return false;
    const QString& text = m_runs.first().text;
    return !text.contains(u'\n') && !text.contains(u'\r');
}

// Lays the paragraph out in lines of `width` (no limit when negative), as a document's layout
// does, and gives the size the document would report: its ideal width and its height.
QSizeF TextField::layoutParagraph(QTextLayout& layout, double width) const
{
    const TextRun& run = m_runs.first();
    layout.setText(run.text);
    layout.setFont(effectiveFont(run.font));
    // A document takes a paragraph's direction from its first letter that has one, and reads
    // left and right as its start and end.
    const Qt::LayoutDirection direction = run.text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    QTextOption option(QStyle::visualAlignment(direction, run.alignment.value_or(m_alignment)));
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    double widest = 0.0;
    double y = 0.0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        if (width >= 0)
            line.setLineWidth(width);
        else
            line.setLineWidth(std::numeric_limits<double>::max());
        line.setPosition(QPointF(0.0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return {widest, y};
}

QSizeF TextField::measure(double width) const
{
    if (isOneParagraph()) {
        QTextLayout layout;
        return layoutParagraph(layout, width);
    }
    QTextDocument document;
    layoutDocument(document, width);
    return {document.idealWidth(), document.size().height()};
}

void TextField::draw(QPainter& painter, double width) const
{
    if (isOneParagraph()) {
        QTextLayout layout;
        layoutParagraph(layout, width);
        painter.setPen(m_runs.first().color.value_or(m_color));
        layout.draw(&painter, QPointF());
        return;
    }
    QTextDocument document;
    layoutDocument(document, width);
    document.drawContents(&painter);
}

QSizeF TextField::textSize() const
{
    const Look current = look();
    for (const auto& [measuredLook, size] : std::as_const(m_measured))
        if (measuredLook == current)
            return size;
    QSizeF size = measure(m_maxWidth > 0 ? m_maxWidth : -1);
    if (m_maxWidth > 0)
        size.setWidth(std::min(size.width(), m_maxWidth));
    m_measured.prepend({current, size});
    if (m_measured.size() > 4)
        m_measured.removeLast();
    return size;
}

QSize TextField::sizeHint() const
{
    const QSizeF size = textSize();
    const int m = margin();
    return QSize(int(std::ceil(size.width())) + 2 * m, int(std::ceil(size.height())) + 2 * m);
}

void TextField::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    const Look current = look();
    if (m_rendered.isNull() || m_rendered.size() != size() * dpr || m_renderedLook != current) {
        const int m = margin();
        QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.translate(m, m);
            draw(painter, std::max(1, width() - 2 * m));
        }
        std::optional<Shadow> shadow = m_shadow;
        for (const TextRun& run : m_runs)
            if (!shadow && run.shadow)
                shadow = run.shadow;
        m_rendered = shadow ? withShadow(image, *shadow) : image;
        m_renderedLook = current;
        ++m_renderCount;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_rendered);
}

} // namespace sleevelight
