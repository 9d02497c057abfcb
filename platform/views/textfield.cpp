#include "platform/views/textfield.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetricsF>
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

void TextField::setElidesOverflow(bool elides)
{
    if (m_elides == elides)
        return;
    m_elides = elides;
    contentChanged();
}

void TextField::setBacking(const std::optional<QColor>& backing)
{
    if (m_backing == backing)
        return;
    m_backing = backing;
    update();
}

double TextField::fitRatio() const
{
    const Measure& measured = textMeasure();
    if (m_maxWidth <= 0 || measured.widest <= m_maxWidth)
        return 1.0;
    return m_maxWidth / measured.widest;
}

QList<TextField::Line> TextField::lines() const
{
    QList<Line> lines;
    if (!isOneParagraph())
        return lines;
    QTextLayout layout;
    double shift = 0.0;
    layoutParagraph(layout, m_maxWidth > 0 ? m_maxWidth : -1.0, std::max(1, width() - 2 * margin()), &shift);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        lines.append({line.textStart(), line.textLength(), line.naturalTextWidth()});
    }
    return lines;
}

void TextField::changeEvent(QEvent* event)
{
    // A font set from the interface file arrives as the widget's font.
    if (event->type() == QEvent::FontChange && m_font && !m_attributed) {
        m_font = font();
        contentChanged();
    }
    if (event->type() == QEvent::LayoutDirectionChange)
        contentChanged();
    QWidget::changeEvent(event);
}

TextField::Look TextField::look() const
{
    return Look{m_runs,   m_font,     QWidget::font(), m_color,          m_alignment,
                m_shadow, m_maxWidth, m_elides,        layoutDirection()};
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

namespace {

// A slanted face without the letters of the text's script (DejaVu's oblique has no Arabic) would
// draw them as empty boxes: Qt's fallback keeps the slant and finds the same face again. The
// family's upright face draws such a text, or hands the letters on to a face that has them.
QFont withLettersOf(QFont font, const QString& text)
{
    if (!font.italic() && font.styleName().isEmpty())
        return font;
    const QFontMetricsF metrics(font);
    for (const char32_t letter : QStringView(text).toUcs4()) {
        if (QChar::isLetter(letter) && !metrics.inFontUcs4(letter)) {
            font.setItalic(false);
            font.setStyleName(QString());
            break;
        }
    }
    return font;
}

} // namespace

QFont TextField::textFont() const
{
    return withLettersOf(effectiveFont(m_runs.first().font), m_runs.first().text);
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
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    document.setDefaultTextOption(option);
    QTextCursor cursor(&document);
    bool first = true;
    for (const TextRun& run : m_runs) {
        QTextCharFormat format;
        format.setFont(withLettersOf(effectiveFont(run.font), run.text));
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

// Lays the paragraph out in lines of `width` (no limit when negative), broken between words as a
// document's layout breaks them, and gives the size the document would report: its ideal width
// and its height. To draw it in `alignWidth`, the lines keep exactly those breaks and `shift`
// says how far to move them to stand aligned in that width: what is drawn is what was measured,
// whatever width the field was given, so no word moves to a line of its own or out of sight.
TextField::Measure TextField::layoutParagraph(QTextLayout& layout, double width, double alignWidth,
                                              double* shift) const
{
    const TextRun& run = m_runs.first();
    layout.setText(run.text);
    layout.setFont(withLettersOf(effectiveFont(run.font), run.text));
    // The paragraph takes its direction from its first letter that has one; a leading or trailing
    // alignment follows the field's direction, so that the fields of one stack agree.
    const Qt::LayoutDirection direction = run.text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const Qt::Alignment alignment =
        QStyle::visualAlignment(layoutDirection(), run.alignment.value_or(m_alignment));
    QTextOption option(alignment);
    option.setTextDirection(direction);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const auto lay = [&layout](double lineWidth) {
        Measure measured;
        double y = 0.0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0.0, y));
            y += line.height();
            measured.widest = std::max(measured.widest, line.naturalTextWidth());
        }
        layout.endLayout();
        measured.size = {std::min(measured.widest, lineWidth), y};
        return measured;
    };
    Measure measured = lay(width >= 0 ? width : std::numeric_limits<double>::max());
    if (width < 0)
        measured.size.setWidth(measured.widest);
    if (alignWidth < 0 || shift == nullptr)
        return measured;
    // Without a limit nothing wrapped: the lines stand in the wider of the drawing and the text.
    const double laidWidth = width >= 0 ? width : std::max(alignWidth, measured.widest);
    if (width < 0)
        lay(laidWidth);
    const double share = alignment & Qt::AlignRight ? 1.0 : alignment & Qt::AlignHCenter ? 0.5 : 0.0;
    *shift = (alignWidth - laidWidth) * share;
    return measured;
}

TextField::Measure TextField::measure(double width) const
{
    if (isOneParagraph()) {
        QTextLayout layout;
        return layoutParagraph(layout, width);
    }
    QTextDocument document;
    layoutDocument(document, width);
    return {{document.idealWidth(), document.size().height()}, document.idealWidth()};
}

void TextField::draw(QPainter& painter, double width) const
{
    if (isOneParagraph()) {
        QTextLayout layout;
        const TextRun& run = m_runs.first();
        double shift = 0.0;
        layoutParagraph(layout, m_maxWidth > 0 ? m_maxWidth : -1.0, width, &shift);
        painter.setPen(run.color.value_or(m_color));
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (!m_elides || line.naturalTextWidth() <= width + 0.5) {
                line.draw(&painter, QPointF(shift, 0.0));
                continue;
            }
            // A word alone wider than the field, at the smallest size the display allows.
            const QFont font = withLettersOf(effectiveFont(run.font), run.text);
            const QString shown = QFontMetricsF(font).elidedText(
                run.text.mid(line.textStart(), line.textLength()).trimmed(), Qt::ElideRight, width);
            painter.setFont(font);
            painter.drawText(QRectF(0.0, line.y(), width, line.height()),
                             int(layout.textOption().alignment()) | Qt::AlignVCenter, shown);
        }
        return;
    }
    QTextDocument document;
    layoutDocument(document, width);
    document.drawContents(&painter);
}

const TextField::Measure& TextField::textMeasure() const
{
    const Look current = look();
    for (const auto& [measuredLook, measured] : std::as_const(m_measured))
        if (measuredLook == current)
            return measured;
    Measure measured = measure(m_maxWidth > 0 ? m_maxWidth : -1);
    if (m_maxWidth > 0)
        measured.size.setWidth(std::min(measured.size.width(), m_maxWidth));
    m_measured.prepend({current, measured});
    if (m_measured.size() > 4)
        m_measured.removeLast();
    return m_measured.first().second;
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
    if (m_backing && !text().isEmpty()) {
        const QSize shown = sizeHint();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*m_backing);
        const double inset = margin();
        const double radius = std::max(4.0, shown.height() * 0.08);
        painter.drawRoundedRect(QRectF(QPointF(), QSizeF(std::min(shown.width(), width()), height()))
                                        .adjusted(-inset, -inset, inset, inset) &
                                    QRectF(rect()),
                                radius, radius);
    }
    painter.drawImage(0, 0, m_rendered);
}

} // namespace sleevelight
