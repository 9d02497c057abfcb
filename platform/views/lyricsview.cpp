#include "platform/views/lyricsview.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace sleevelight {

namespace {

// The lines around the one sung now, against its size; plain lyrics a little larger.
constexpr double aroundShare = 0.6;
constexpr double plainShare = 0.72;
// How bright each line stands: the one before, the one now, the next and the one after it.
constexpr double beforeAlpha = 0.45;
constexpr double nextAlpha = 0.6;
constexpr double afterNextAlpha = 0.35;
// A line sung now that does not fit two lines at its size shrinks, at most to this share.
constexpr double leastCurrentShare = 0.6;
// Shown for a pause in the singing (a blank line, or before the first).
const QString pauseMark = u"\u266a"_s;
// Plain lyrics past this many lines are not shown (a tag may hold a whole booklet).
constexpr qsizetype maxPlainLines = 1000;

QFont scaled(const QFont& font, double share)
{
    QFont scaledFont = font;
    if (font.pixelSize() > 0)
        scaledFont.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * share))));
    else
        scaledFont.setPointSizeF(std::max(1.0, font.pointSizeF() * share));
    return scaledFont;
}

// The text broken into the lines it takes at `width`.
QStringList wrapped(const QString& text, const QFont& font, double width)
{
    QStringList lines;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

} // namespace

LyricsView::LyricsView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LyricsView::setLyrics(const lyrics::Lyrics& lyrics)
{
    if (lyrics == m_lyrics)
        return;
    m_lyrics = lyrics;
    m_plainLaidOut = false;
    m_current = -1;
    m_progress = 0.0;
    m_stale = true;
    update();
}

void LyricsView::setLook(const QFont& font, Qt::Alignment alignment, const std::optional<Shadow>& shadow)
{
    if (font == m_font && alignment == m_alignment && shadow == m_shadow)
        return;
    m_font = font;
    m_alignment = alignment;
    m_shadow = shadow;
    m_plainLaidOut = false;
    m_stale = true;
    updateGeometry();
    update();
}

void LyricsView::setTextWidth(double width)
{
    width = std::max(1.0, width);
    if (width == m_width)
        return;
    m_width = width;
    m_plainLaidOut = false;
    m_stale = true;
    updateGeometry();
    update();
}

void LyricsView::setCurrentLine(qsizetype index)
{
    index = std::clamp<qsizetype>(index, -1, m_lyrics.lines.size() - 1);
    if (index == m_current)
        return;
    m_current = index;
    m_stale = true;
    update();
}

void LyricsView::setProgress(double ratio)
{
    ratio = std::isfinite(ratio) ? std::clamp(ratio, 0.0, 1.0) : 0.0;
    if (ratio == m_progress)
        return;
    const int before = plainOffset();
    m_progress = ratio;
    // Plain lyrics move a whole line at a time, so most ticks draw nothing again.
    if (plainOffset() != before) {
        m_stale = true;
        update();
    }
}

QFont LyricsView::aroundFont() const
{
    return scaled(m_font, m_lyrics.synced ? aroundShare : plainShare);
}

int LyricsView::margin() const
{
    return m_shadow ? int(std::ceil(m_shadow->blurRadius)) : 0;
}

QSize LyricsView::sizeHint() const
{
    const double current = QFontMetricsF(m_font).lineSpacing();
    const double around = QFontMetricsF(scaled(m_font, aroundShare)).lineSpacing();
    // One line before, two for the line now, two after, and a little air around the line now.
    const double height = around * 3.6 + current * 2.0;
    return {int(std::ceil(m_width)) + 2 * margin(), int(std::ceil(height)) + 2 * margin()};
}

QStringList LyricsView::shownLines() const
{
    const QList<lyrics::Line>& lines = m_lyrics.lines;
    if (!m_lyrics.synced) {
        return plainLines().mid(plainOffset(), plainLinesInSight());
    }
    const auto text = [&](qsizetype index) {
        return index >= 0 && index < lines.size() ? lines[index].text : QString();
    };
    return {text(m_current - 1), text(m_current), text(m_current + 1), text(m_current + 2)};
}

const QStringList& LyricsView::plainLines() const
{
    if (!m_plainLaidOut) {
        m_plainLines.clear();
        const QFont font = aroundFont();
        for (const lyrics::Line& line : m_lyrics.lines.first(std::min(m_lyrics.lines.size(), maxPlainLines)))
            m_plainLines << wrapped(line.text, font, m_width);
        m_plainLaidOut = true;
    }
    return m_plainLines;
}

int LyricsView::plainLinesInSight() const
{
    const double lineHeight = QFontMetricsF(aroundFont()).lineSpacing();
    return std::max(1, int(std::floor((sizeHint().height() - 2 * margin()) / lineHeight)));
}

int LyricsView::plainOffset() const
{
    if (m_lyrics.synced || m_lyrics.isEmpty())
        return 0;
    const qsizetype hidden = std::max<qsizetype>(0, plainLines().size() - plainLinesInSight());
    return int(std::lround(m_progress * double(hidden)));
}

void LyricsView::renderTimed()
{
    QPainter painter(&m_rendered);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int m = margin();
    painter.translate(m, m);
    const QStringList texts = shownLines();
    const QFont around = aroundFont();
    const QFontMetricsF aroundMetrics(around);
    const double lineHeight = aroundMetrics.lineSpacing();
    const int flags = int(m_alignment & Qt::AlignHorizontal_Mask);
    const auto drawOne = [&](const QString& text, double y, double alpha) {
        QColor color = Qt::white;
        color.setAlphaF(float(alpha));
        painter.setPen(color);
        painter.setFont(around);
        const QString shown = aroundMetrics.elidedText(text, Qt::ElideRight, m_width);
        painter.drawText(QRectF(0, y, m_width, lineHeight), flags | Qt::AlignVCenter, shown);
    };

    double y = 0.0;
    drawOne(texts[0], y, beforeAlpha);
    y += lineHeight * 1.3;

    // The line sung now: two lines at most, smaller when it needs more.
    const double band = QFontMetricsF(m_font).lineSpacing() * 2.0;
    const QString now = texts[1].trimmed().isEmpty() ? pauseMark : texts[1];
    QFont font = m_font;
    QStringList lines = wrapped(now, font, m_width);
    for (double share = 0.85; lines.size() > 2 && share >= leastCurrentShare - 0.01; share -= 0.15) {
        font = scaled(m_font, share);
        lines = wrapped(now, font, m_width);
    }
    const QFontMetricsF metrics(font);
    const qsizetype shown = std::min<qsizetype>(lines.size(), qsizetype(band / metrics.lineSpacing()));
    if (shown < lines.size())
        lines[shown - 1] = metrics.elidedText(lines.mid(shown - 1).join(u' '), Qt::ElideRight, m_width);
    QColor color = Qt::white;
    color.setAlphaF(now == pauseMark ? float(nextAlpha) : 1.0f);
    painter.setPen(color);
    painter.setFont(font);
    double lineY = y + (band - double(shown) * metrics.lineSpacing()) / 2.0;
    for (qsizetype i = 0; i < shown; ++i, lineY += metrics.lineSpacing())
        painter.drawText(QRectF(0, lineY, m_width, metrics.lineSpacing()), flags | Qt::AlignVCenter,
                         lines[i]);
    y += band + lineHeight * 0.3;

    drawOne(texts[2], y, nextAlpha);
    drawOne(texts[3], y + lineHeight, afterNextAlpha);
}

void LyricsView::renderPlain()
{
    QPainter painter(&m_rendered);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int m = margin();
    painter.translate(m, m);
    const QFont font = aroundFont();
    const double lineHeight = QFontMetricsF(font).lineSpacing();
    painter.setFont(font);
    QColor color = Qt::white;
    color.setAlphaF(0.85f);
    painter.setPen(color);
    const int flags = int(m_alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    double y = 0.0;
    for (const QString& line : shownLines()) {
        painter.drawText(QRectF(0, y, m_width, lineHeight), flags, line);
        y += lineHeight;
    }
}

void LyricsView::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (m_stale || m_rendered.size() != size() * dpr) {
        m_rendered = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
        m_rendered.setDevicePixelRatio(dpr);
        m_rendered.fill(Qt::transparent);
        if (!m_lyrics.isEmpty()) {
            if (m_lyrics.synced)
                renderTimed();
            else
                renderPlain();
            if (m_shadow)
                m_rendered = withShadow(m_rendered, *m_shadow);
        }
        m_stale = false;
        ++m_renderCount;
    }
    QPainter(this).drawImage(0, 0, m_rendered);
}

} // namespace sleevelight
