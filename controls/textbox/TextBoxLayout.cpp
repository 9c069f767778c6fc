#include "TextBoxParts.h"

#include "TextBoxAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOption>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace platform {

using namespace textbox;

// ---------------------------------------------------------------- layout

bool TextBox::isLong(qint64 line) const
{
    return m_model.lineLength(line) > kLongLine || m_lines[std::size_t(line)].chunks != nullptr;
}

QTextLayout &TextBox::lineLayout(qint64 line) const
{
    auto found = m_layouts.find(line);
    if (found == m_layouts.end()) {
        const qint64 start = m_model.lineStart(line);
        QString text = layoutText(m_model.view(start, m_model.lineEnd(line)));
        std::unique_ptr<QTextLayout> layout;
        if (!m_preedit.isEmpty() && m_model.lineOf(m_caret) == line) {
            layout = std::make_unique<QTextLayout>(text, font());
            layout->setPreeditArea(utf16Length(m_model.view(start, m_caret)), m_preedit);
            layout->setTextOption(plainTextOption());
            layout->beginLayout();
            QTextLine textLine = layout->createLine();
            textLine.setLeadingIncluded(true);
            textLine.setLineWidth(qreal(INT_MAX) - 2 * margin());
            textLine.setPosition(QPointF(margin(), 0));
            layout->endLayout();
        } else {
            layout = layOut(text, font(), margin());
        }
        found = m_layouts.emplace(line, std::move(layout)).first;
        if (!m_lines[std::size_t(line)].measured && m_preedit.isEmpty() && m_batchDepth == 0)
            setWidth(line, found->second->lineAt(0).naturalTextWidth(), true);
    }
    return *found->second;
}

void TextBox::buildChunks(qint64 line) const
{
    LineData &data = m_lines[std::size_t(line)];
    const qint64 start = m_model.lineStart(line);
    const qint64 end = m_model.lineEnd(line);
    auto chunks = std::make_unique<std::vector<Chunk>>();
    qint64 from = start;
    while (from < end) {
        qint64 to = std::min(end, from + kChunk);
        while (to < end && to - from < kLongestChunk && joinsPrevious(m_model.at(to)))
            ++to;
        chunks->push_back(Chunk{to - from, -1});
        from = to;
    }
    if (chunks->empty())
        chunks->push_back(Chunk{0, 0});
    data.chunks = std::move(chunks);
    if (m_chunkHint.line == line)
        m_chunkHint = ChunkHint{};
}

void TextBox::measureChunk(qint64 line, std::size_t index) const
{
    std::vector<Chunk> &chunks = *m_lines[std::size_t(line)].chunks;
    qint64 from = m_model.lineStart(line);
    for (std::size_t i = 0; i < index; ++i)
        from += chunks[i].length;
    const QString text = layoutText(m_model.view(from, from + chunks[index].length));
    chunks[index].width = layOut(text, font(), 0)->lineAt(0).naturalTextWidth();
}

void TextBox::setWidth(qint64 line, qreal width, bool measured) const
{
    LineData &data = m_lines[std::size_t(line)];
    if (measured && !data.measured) {
        --m_unmeasured;
        data.measured = true;
    }
    if (line == m_widestLine && width < data.width)
        m_widestKnown = false;
    data.width = width;
    if (width > m_widest) {
        m_widest = width;
        m_widestLine = line;
    }
}

bool TextBox::measure(qint64 line, const QElapsedTimer &clock, qint64 budgetMs) const
{
    LineData &data = m_lines[std::size_t(line)];
    if (data.measured)
        return true;
    if (!isLong(line)) {
        const auto found = m_layouts.find(line);
        const qint64 start = m_model.lineStart(line);
        setWidth(line,
                 found != m_layouts.end()
                     ? found->second->lineAt(0).naturalTextWidth()
                     : layOut(layoutText(m_model.view(start, m_model.lineEnd(line))), font(), 0)->lineAt(0).naturalTextWidth(),
                 true);
        return true;
    }
    if (!data.chunks)
        buildChunks(line);
    // One chunk at least, whatever the budget, so that the rest can be
    // estimated from it.
    qreal known = 0;
    qint64 knownLength = 0;
    qint64 unknownLength = 0;
    bool measuredOne = false;
    for (std::size_t i = 0; i < data.chunks->size(); ++i) {
        Chunk &chunk = (*data.chunks)[i];
        if (chunk.width < 0 && (!measuredOne || clock.elapsed() < budgetMs)) {
            measureChunk(line, i);
            measuredOne = true;
        }
        if (chunk.width < 0) {
            unknownLength += chunk.length;
        } else {
            known += chunk.width;
            knownLength += chunk.length;
        }
    }
    if (unknownLength == 0) {
        setWidth(line, known, true);
        return true;
    }
    // The rest another time; meanwhile its characters are taken to be as
    // wide as those measured, so that the scroll bar reaches about the end
    // of the line at once.
    const qreal perCharacter = knownLength > 0 ? known / qreal(knownLength) : fontMetrics().averageCharWidth();
    setWidth(line, known + perCharacter * qreal(unknownLength), false);
    return false;
}

qreal TextBox::defaultLineHeight() const
{
    if (m_defaultLineHeight < 0) {
        const auto layout = layOut(QStringLiteral(" "), font(), 0);
        const QTextLine line = layout->lineAt(0);
        m_defaultLineHeight = line.height() + (line.leading() < 0 ? std::ceil(line.leading()) : 0);
    }
    return m_defaultLineHeight;
}

qreal TextBox::lineHeight(qint64 line) const
{
    if (isLong(line))
        return defaultLineHeight();
    const QTextLine textLine = lineLayout(line).lineAt(0);
    return textLine.height() + (textLine.leading() < 0 ? std::ceil(textLine.leading()) : 0);
}

const TextBox::Window &TextBox::window(qint64 line, qint64 firstChunk, qint64 lastChunk) const
{
    if (m_window && m_window->line == line && m_window->firstChunk == firstChunk && m_window->lastChunk == lastChunk)
        return *m_window;
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    std::vector<Chunk> &chunks = *data.chunks;
    auto window = std::make_unique<Window>();
    window->line = line;
    window->firstChunk = firstChunk;
    window->lastChunk = lastChunk;
    qint64 position = m_model.lineStart(line);
    qreal x = margin();
    for (qint64 i = 0; i < firstChunk; ++i) {
        if (chunks[std::size_t(i)].width < 0)
            measureChunk(line, std::size_t(i));
        x += chunks[std::size_t(i)].width;
        position += chunks[std::size_t(i)].length;
    }
    window->start = position;
    for (qint64 i = firstChunk; i <= lastChunk; ++i)
        position += chunks[std::size_t(i)].length;
    window->end = position;
    window->x = x;
    window->layout = layOut(layoutText(m_model.view(window->start, window->end)), font(), x);
    m_window = std::move(window);
    return *m_window;
}

qreal TextBox::xOf(qint64 line, qint64 position) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line))
        return lineLayout(line).lineAt(0).cursorToX(utf16Length(m_model.view(start, position)));
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    const std::vector<Chunk> &chunks = *data.chunks;
    qint64 from = start;
    qint64 index = 0;
    while (index + 1 < qint64(chunks.size()) && from + chunks[std::size_t(index)].length <= position) {
        from += chunks[std::size_t(index)].length;
        ++index;
    }
    const Window &piece = window(line, std::max<qint64>(0, index - 1), std::min<qint64>(qint64(chunks.size()) - 1, index + 1));
    return piece.layout->lineAt(0).cursorToX(utf16Length(m_model.view(piece.start, position)));
}

qint64 TextBox::positionAtX(qint64 line, qreal x) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line)) {
        const int index = lineLayout(line).lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
        return start + offsetOfUtf16(m_model.view(start, m_model.lineEnd(line)), index);
    }
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    std::vector<Chunk> &chunks = *data.chunks;
    qreal left = margin();
    qint64 index = 0;
    for (; index + 1 < qint64(chunks.size()); ++index) {
        if (chunks[std::size_t(index)].width < 0)
            measureChunk(line, std::size_t(index));
        if (left + chunks[std::size_t(index)].width > x)
            break;
        left += chunks[std::size_t(index)].width;
    }
    const Window &piece = window(line, std::max<qint64>(0, index - 1), std::min<qint64>(qint64(chunks.size()) - 1, index + 1));
    const int offset = piece.layout->lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    return piece.start + offsetOfUtf16(m_model.view(piece.start, piece.end), offset);
}

qreal TextBox::topOfLine(qint64 line) const
{
    // The first line of the text sits below the top margin; a text scrolled
    // down starts at the top edge. Lines far from the screen are not laid
    // out to say where they would be.
    qreal y = m_topLine == 0 ? margin() : 0;
    const qint64 far = std::max<qint64>(64, 2 * verticalScrollBar()->pageStep());
    if (line > m_topLine + far || line < m_topLine - far)
        return y + qreal(line - m_topLine) * defaultLineHeight();
    if (line >= m_topLine) {
        for (qint64 l = m_topLine; l < line; ++l)
            y += lineHeight(l);
    } else {
        for (qint64 l = line; l < m_topLine; ++l)
            y -= lineHeight(l);
    }
    return y;
}

qint64 TextBox::lineAtY(qreal y) const
{
    qreal top = m_topLine == 0 ? margin() : 0;
    qint64 line = m_topLine;
    if (y < top) {
        while (line > 0 && y < top) {
            --line;
            top -= lineHeight(line);
        }
        return line;
    }
    while (line + 1 < m_model.lineCount()) {
        const qreal height = lineHeight(line);
        if (y < top + height)
            return line;
        top += height;
        ++line;
    }
    return line;
}

qreal TextBox::contentWidth() const
{
    if (!m_widestKnown) {
        m_widest = 0;
        m_widestLine = -1;
        for (std::size_t line = 0; line < m_lines.size(); ++line) {
            if (m_lines[line].width > m_widest) {
                m_widest = m_lines[line].width;
                m_widestLine = qint64(line);
            }
        }
        m_widestKnown = true;
    }
    return m_widest + 2 * margin();
}

void TextBox::forgetLayouts()
{
    m_layouts.clear();
    m_window.reset();
    m_defaultLineHeight = -1;
    for (LineData &line : m_lines) {
        line.measured = false;
        line.chunks.reset();
    }
    m_unmeasured = qint64(m_lines.size());
    m_measureFrom = 0;
    m_chunkHint = ChunkHint{};
}

void TextBox::measureSome()
{
    // Widths of lines not shown yet, a few milliseconds at a time, so that
    // the horizontal scroll bar reaches the widest line without a pause.
    if (m_batchDepth > 0 || m_unmeasured <= 0) {
        m_measureTimer->stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const qint64 count = m_model.lineCount();
    const qreal before = contentWidth();
    qint64 line = std::clamp<qint64>(m_measureFrom, 0, count);
    qint64 scanned = 0;
    while (m_unmeasured > 0 && scanned < count && clock.elapsed() < kMeasureSliceMs) {
        if (line >= count)
            line = 0;
        if (!measure(line, clock, kMeasureSliceMs))
            break;
        ++line;
        ++scanned;
    }
    m_measureFrom = line;
    if (contentWidth() != before)
        updateScrollBars();
    // A whole round with nothing left to measure ends the work for good.
    if (m_unmeasured <= 0 || scanned >= count)
        m_measureTimer->stop();
}

void TextBox::updateScrollBars()
{
    QScrollBar *vbar = verticalScrollBar();
    QScrollBar *hbar = horizontalScrollBar();
    const qint64 count = m_model.lineCount();
    qint64 maximum = 0;
    int pageStep = 0;
    if (isVisible()) {
        // As many lines from the end as fit in the viewport below the margin.
        const qreal visible = viewport()->height() - margin() - 1;
        qreal y = 0;
        qint64 fromBottom = 0;
        for (qint64 line = count - 1; line >= 0; --line) {
            y += lineHeight(line) + (line == count - 1 ? margin() : 0);
            if (y > visible)
                break;
            ++fromBottom;
        }
        maximum = std::max<qint64>(0, count - fromBottom);
        pageStep = int(std::min<qint64>(fromBottom, INT_MAX));
    } else {
        maximum = std::max<qint64>(0, count - 1);
        const int spacing = fontMetrics().lineSpacing();
        pageStep = spacing != 0 ? viewport()->height() / spacing : 0;
    }
    maximum = std::min<qint64>(maximum, INT_MAX);
    {
        const QSignalBlocker blocker(vbar);
        vbar->setRange(0, int(maximum));
        vbar->setPageStep(pageStep);
        if (m_topLine > maximum)
            m_topLine = maximum;
        vbar->setValue(int(m_topLine));
    }
    // The lines just edited are measured now (for a few milliseconds), the
    // others when the program is idle; inside a batch the widths they had
    // stand in for them until it ends.
    if (m_batchDepth == 0) {
        QElapsedTimer clock;
        clock.start();
        for (const qint64 line : m_dirty) {
            if (line < m_model.lineCount() && !measure(line, clock, kDirtyMeasureMs))
                break;
        }
        m_dirty.clear();
    }
    if (m_unmeasured > 0 && !m_measureTimer->isActive() && m_batchDepth == 0)
        m_measureTimer->start();
    hbar->setRange(0, int(std::min<qreal>(contentWidth(), INT_MAX / 2)) - viewport()->width());
    hbar->setPageStep(viewport()->width());
}

void TextBox::setTopLine(qint64 line)
{
    line = std::clamp<qint64>(line, 0, std::max(0, verticalScrollBar()->maximum()));
    if (line == m_topLine && verticalScrollBar()->value() == line)
        return;
    m_topLine = line;
    const QSignalBlocker blocker(verticalScrollBar());
    verticalScrollBar()->setValue(int(line));
    viewport()->update();
}

QRect TextBox::caretRect() const
{
    const qint64 line = m_model.lineOf(m_caret);
    const qreal x = xOf(line, m_caret);
    const qreal y = topOfLine(line);
    const QRectF rect(x, y, kCursorWidth, lineHeight(line));
    return rect.toRect().translated(-horizontalScrollBar()->value(), 0);
}

QRect TextBox::characterRect(qint64 position) const
{
    if (position < 0 || position > m_model.length())
        return QRect();
    const qint64 line = m_model.lineOf(position);
    const qreal x = xOf(line, position);
    const qint64 next = std::min(m_model.lineEnd(line), position + 1);
    const qreal right = next > position ? xOf(line, next) : x;
    const qreal y = topOfLine(line);
    return QRectF(std::min(x, right), y, std::abs(right - x), lineHeight(line))
        .toRect()
        .translated(-horizontalScrollBar()->value(), 0);
}

qint64 TextBox::positionAt(const QPoint &point) const
{
    const qint64 line = lineAtY(point.y());
    const qreal x = point.x() + horizontalScrollBar()->value();
    return m_model.caretPosition(positionAtX(line, x));
}

void TextBox::ensureCaretVisible()
{
    if (!isVisible())
        return;
    // Each move of the view is a new value of a scroll bar, which a screen
    // reader is told of; inside a batch, while one listens, the view follows
    // five times a second instead of with every frame (its queue would
    // flood). The batch's end always brings the caret into view.
    if (m_batchDepth > 0 && QAccessible::isActive()) {
        if (m_followClock.isValid() && m_followClock.elapsed() < 200)
            return;
        m_followClock.start();
    }
    const QRect visible = viewport()->rect();
    const qint64 line = m_model.lineOf(m_caret);
    // Vertically: a line above the view becomes the top line; one below it
    // becomes the bottom line. Only the lines between are measured.
    if (line < m_topLine) {
        setTopLine(line);
    } else {
        const qreal available = visible.height();
        qint64 top = line;
        qreal height = lineHeight(line);
        while (top > m_topLine && height + lineHeight(top - 1) <= available)
            height += lineHeight(--top);
        const qreal topMargin = m_topLine == 0 ? margin() : 0;
        if (top > m_topLine || (top == m_topLine && height + topMargin > available && line > m_topLine))
            setTopLine(std::max(top, m_topLine + 1));
    }
    // Horizontally: centred when it is out of sight.
    const QRect caret = caretRect();
    if (caret.left() < visible.left() || caret.right() > visible.right()) {
        const int x = caret.center().x() + horizontalScrollBar()->value() - visible.width() / 2;
        horizontalScrollBar()->setValue(x);
    }
}

} // namespace platform
