#include "TextLayout.h"

#include "TextBoxParts.h"

#include <QFontMetrics>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace platform {

using namespace textbox;

// A piece of a long line: its length in characters and its width, -1 until
// measured. Edited inside a batch, a chunk keeps the width it
// had (`stale`): the x of everything after it stays where it was shown while
// the batch goes on, and no chunk is shaped for each frame. Once the batch
// is over its width is measured again into `remeasured`, and the line's
// stale widths all give way to the new ones together, so that what is
// shown moves once, not a chunk at a time.
struct TextLayout::Chunk {
    qint64 length = 0;
    qreal width = -1;
    bool stale = false;
    qreal remeasured = -1;
};

// What is known of one line beyond its characters: its width, and for a
// long line its chunks. Until `measured`, the width is what the line
// measured before its last edit (0 for a new line), or for a long line being
// measured its chunks measured so far and the rest estimated from them:
// close enough for the scroll bar meanwhile.
struct TextLayout::LineData {
    qreal width = 0;
    bool measured = false;
    std::unique_ptr<std::vector<Chunk>> chunks;
};

// The laid-out part of a long line: whole chunks, with the x of their left
// edge in the line (the margin included).
struct TextLayout::Window {
    qint64 line = -1;
    qint64 firstChunk = 0;
    qint64 lastChunk = -1;
    qint64 start = 0; // model positions
    qint64 end = 0;
    qreal x = 0;
    std::unique_ptr<QTextLayout> layout;
};

TextLayout::TextLayout(const TextModel &model)
    : m_model(model)
{
    m_lines.resize(std::size_t(model.lineCount()));
    m_unmeasured = model.lineCount();
}

TextLayout::~TextLayout() = default;

void TextLayout::setFont(const QFont &font)
{
    m_font = font;
    forget();
}

void TextLayout::forget()
{
    m_layouts.clear();
    m_window.reset();
    m_scratchLayout.reset();
    m_defaultLineHeight = -1;
    for (LineData &line : m_lines) {
        line.measured = false;
        line.chunks.reset();
    }
    m_unmeasured = qint64(m_lines.size());
    m_measureFrom = 0;
    m_chunkHint = ChunkHint{};
}

void TextLayout::setPreedit(qint64 position, const QString &text)
{
    if (!m_preedit.isEmpty())
        m_layouts.erase(m_model.lineOf(std::min(m_preeditPosition, m_model.length())));
    m_preedit = text;
    m_preeditPosition = position;
    if (!m_preedit.isEmpty())
        m_layouts.erase(m_model.lineOf(position));
}

// ---------------------------------------------------------------- edits

void TextLayout::linesChanged(const TextModel::LineChange &change)
{
    // The per-line data follows the model's lines.
    const bool sameLines = change.removed == 1 && change.added == 1;
    if (sameLines) {
        LineData &line = m_lines[std::size_t(change.first)];
        if (line.measured)
            ++m_unmeasured;
        line.measured = false;
        if (line.chunks)
            chunksChanged(change);
        if (m_dirty.empty() || m_dirty.back() != change.first)
            m_dirty.push_back(change.first);
    } else {
        const auto first = m_lines.begin() + std::ptrdiff_t(change.first);
        for (auto it = first; it != first + std::ptrdiff_t(change.removed); ++it) {
            if (!it->measured)
                --m_unmeasured;
        }
        if (m_widestLine >= change.first)
            m_widestKnown = false;
        m_lines.erase(first, first + std::ptrdiff_t(change.removed));
        std::vector<LineData> fresh(std::size_t(change.added));
        m_lines.insert(m_lines.begin() + std::ptrdiff_t(change.first), std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
        m_unmeasured += change.added;
        m_measureFrom = std::min(m_measureFrom, change.first);
        // The lines below moved: what was noted of them goes.
        m_dirty.clear();
        m_chunkHint = ChunkHint{};
        if (change.added <= kDirtyLines) {
            for (qint64 line = change.first; line < change.first + change.added; ++line)
                m_dirty.push_back(line);
        }
    }
    // Layouts of the edited lines, and of all lines below when lines came or
    // went, are made again.
    if (!m_layouts.empty()) {
        // (Edits go along a line: once its layout is gone and none was made
        // since, there is nothing to look for.)
        if (sameLines && (change.first != m_droppedLine || m_layoutsMade != m_droppedAt)) {
            m_layouts.erase(change.first);
            m_droppedLine = change.first;
            m_droppedAt = m_layoutsMade;
        } else if (!sameLines)
            m_layouts.erase(m_layouts.lower_bound(change.first), m_layouts.end());
    }
    if (m_window && m_window->line >= change.first)
        m_window.reset();
}

void TextLayout::chunksChanged(const TextModel::LineChange &change)
{
    // Only the chunks the edit touched are measured again: they become one,
    // cut again when it grew too long.
    LineData &line = m_lines[std::size_t(change.first)];
    std::vector<Chunk> &chunks = *line.chunks;
    const qint64 lineStart = m_model.lineStart(change.first);
    const qint64 length = m_model.lineLength(change.first);
    if (length <= kLongLine / 2) {
        line.chunks.reset(); // short again: laid out whole
        m_chunkHint = ChunkHint{};
        return;
    }
    const qint64 offset = change.position - lineStart;
    // Edits go along a line (a batch, typing): the search starts where the
    // last one ended.
    std::size_t first = 0;
    qint64 start = 0;
    if (m_chunkHint.line == change.first && m_chunkHint.index < chunks.size() && m_chunkHint.start <= offset) {
        first = m_chunkHint.index;
        start = m_chunkHint.start;
    }
    while (first + 1 < chunks.size() && start + chunks[first].length <= offset) {
        start += chunks[first].length;
        ++first;
    }
    std::size_t last = first;
    qint64 end = start + chunks[first].length;
    while (last + 1 < chunks.size() && end < offset + change.removedLength) {
        ++last;
        end += chunks[last].length;
    }
    const qint64 merged = end - start + change.addedLength - change.removedLength;
    m_chunkHint = ChunkHint{change.first, first, start};
    // A character replaced by one inside a batch (a pass): the width stays.
    const bool keepsWidth = m_deferred && first == last && change.addedLength == change.removedLength
        && chunks[first].width >= 0;
    chunks.erase(chunks.begin() + std::ptrdiff_t(first) + 1, chunks.begin() + std::ptrdiff_t(last) + 1);
    chunks[first] = keepsWidth ? Chunk{merged, chunks[first].width, true, -1} : Chunk{merged, -1};
    if (merged > kLongestChunk) {
        std::vector<Chunk> pieces;
        qint64 from = lineStart + start;
        const qint64 to = from + merged;
        while (from < to) {
            qint64 cut = std::min(to, from + kChunk);
            while (cut < to && cut - from < kLongestChunk && joinsPrevious(m_model.at(cut)))
                ++cut;
            pieces.push_back(Chunk{cut - from, -1});
            from = cut;
        }
        chunks.erase(chunks.begin() + std::ptrdiff_t(first));
        chunks.insert(chunks.begin() + std::ptrdiff_t(first), pieces.begin(), pieces.end());
    } else if (merged == 0 && chunks.size() > 1) {
        chunks.erase(chunks.begin() + std::ptrdiff_t(first));
    }
}

// ---------------------------------------------------------------- layouts

bool TextLayout::isLong(qint64 line) const
{
    return m_model.lineLength(line) > kLongLine || m_lines[std::size_t(line)].chunks != nullptr;
}

QTextLayout &TextLayout::lineLayout(qint64 line) const
{
    auto found = m_layouts.find(line);
    if (found == m_layouts.end()) {
        const qint64 start = m_model.lineStart(line);
        QString text = layoutText(m_model.view(start, m_model.lineEnd(line)));
        std::unique_ptr<QTextLayout> layout;
        const bool preedit = !m_preedit.isEmpty() && m_model.lineOf(m_preeditPosition) == line;
        if (preedit) {
            layout = std::make_unique<QTextLayout>(text, m_font);
            layout->setPreeditArea(utf16Length(m_model.view(start, m_preeditPosition)), m_preedit);
            layout->setTextOption(plainTextOption());
            layout->beginLayout();
            QTextLine textLine = layout->createLine();
            textLine.setLeadingIncluded(true);
            textLine.setLineWidth(qreal(INT_MAX) - 2 * kMargin);
            textLine.setPosition(QPointF(kMargin, 0));
            layout->endLayout();
        } else {
            layout = layOut(text, m_font, kMargin);
        }
        found = m_layouts.emplace(line, std::move(layout)).first;
        ++m_layoutsMade;
        if (!m_lines[std::size_t(line)].measured && m_preedit.isEmpty() && !m_deferred)
            setWidth(line, found->second->lineAt(0).naturalTextWidth(), true);
    }
    return *found->second;
}

void TextLayout::buildChunks(qint64 line) const
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

std::vector<TextLayout::Chunk> &TextLayout::chunksOf(qint64 line) const
{
    LineData &data = m_lines[std::size_t(line)];
    if (!data.chunks)
        buildChunks(line);
    return *data.chunks;
}

qreal TextLayout::chunkWidth(qint64 line, std::size_t index) const
{
    const std::vector<Chunk> &chunks = *m_lines[std::size_t(line)].chunks;
    qint64 from = m_model.lineStart(line);
    for (std::size_t i = 0; i < index; ++i)
        from += chunks[i].length;
    const QString text = layoutText(m_model.view(from, from + chunks[index].length));
    return layOut(text, m_font, 0)->lineAt(0).naturalTextWidth();
}

void TextLayout::measureChunk(qint64 line, std::size_t index) const
{
    (*m_lines[std::size_t(line)].chunks)[index].width = chunkWidth(line, index);
}

const TextLayout::Window &TextLayout::window(qint64 line, qint64 firstChunk, qint64 lastChunk) const
{
    if (m_window && m_window->line == line && m_window->firstChunk == firstChunk && m_window->lastChunk == lastChunk)
        return *m_window;
    std::vector<Chunk> &chunks = chunksOf(line);
    auto window = std::make_unique<Window>();
    window->line = line;
    window->firstChunk = firstChunk;
    window->lastChunk = lastChunk;
    qint64 position = m_model.lineStart(line);
    qreal x = kMargin;
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
    window->layout = layOut(layoutText(m_model.view(window->start, window->end)), m_font, x);
    m_window = std::move(window);
    return *m_window;
}

TextLayout::Piece TextLayout::piece(qint64 line, qreal left, qreal right) const
{
    if (!isLong(line))
        return Piece{&lineLayout(line), m_model.lineStart(line), m_model.lineEnd(line)};
    // The chunks between the two x.
    std::vector<Chunk> &chunks = chunksOf(line);
    qreal x = kMargin;
    qint64 first = -1;
    qint64 last = qint64(chunks.size()) - 1;
    for (qint64 i = 0; i < qint64(chunks.size()); ++i) {
        if (chunks[std::size_t(i)].width < 0)
            measureChunk(line, std::size_t(i));
        const qreal next = x + chunks[std::size_t(i)].width;
        if (first < 0 && next >= left)
            first = i;
        if (x > right) {
            last = std::max<qint64>(first, i - 1);
            break;
        }
        x = next;
    }
    if (first < 0)
        first = last;
    const Window &shown = window(line, first, last);
    return Piece{shown.layout.get(), shown.start, shown.end};
}

TextLayout::Piece TextLayout::around(qint64 position) const
{
    const qint64 line = m_model.lineOf(position);
    const qint64 start = m_model.lineStart(line);
    const qint64 end = m_model.lineEnd(line);
    if (!isLong(line))
        return Piece{&lineLayout(line), start, end};
    const qint64 pieceStart = std::max(start, position - 256);
    const qint64 pieceEnd = std::min(end, position + 256);
    m_scratchLayout = layOut(layoutText(m_model.view(pieceStart, pieceEnd)), m_font, kMargin);
    return Piece{m_scratchLayout.get(), pieceStart, pieceEnd};
}

qreal TextLayout::defaultLineHeight() const
{
    if (m_defaultLineHeight < 0) {
        const auto layout = layOut(QStringLiteral(" "), m_font, 0);
        const QTextLine line = layout->lineAt(0);
        m_defaultLineHeight = line.height() + (line.leading() < 0 ? std::ceil(line.leading()) : 0);
    }
    return m_defaultLineHeight;
}

qreal TextLayout::lineHeight(qint64 line) const
{
    if (isLong(line))
        return defaultLineHeight();
    const QTextLine textLine = lineLayout(line).lineAt(0);
    return textLine.height() + (textLine.leading() < 0 ? std::ceil(textLine.leading()) : 0);
}

qreal TextLayout::xOf(qint64 line, qint64 position) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line))
        return lineLayout(line).lineAt(0).cursorToX(utf16Length(m_model.view(start, position)));
    const std::vector<Chunk> &chunks = chunksOf(line);
    qint64 from = start;
    qint64 index = 0;
    while (index + 1 < qint64(chunks.size()) && from + chunks[std::size_t(index)].length <= position) {
        from += chunks[std::size_t(index)].length;
        ++index;
    }
    const Window &piece = window(line, std::max<qint64>(0, index - 1), std::min<qint64>(qint64(chunks.size()) - 1, index + 1));
    return piece.layout->lineAt(0).cursorToX(utf16Length(m_model.view(piece.start, position)));
}

qint64 TextLayout::positionAtX(qint64 line, qreal x) const
{
    const qint64 start = m_model.lineStart(line);
    if (!isLong(line)) {
        const int index = lineLayout(line).lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
        return start + offsetOfUtf16(m_model.view(start, m_model.lineEnd(line)), index);
    }
    std::vector<Chunk> &chunks = chunksOf(line);
    qreal left = kMargin;
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

// ---------------------------------------------------------------- widths

void TextLayout::setWidth(qint64 line, qreal width, bool measured) const
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

bool TextLayout::measure(qint64 line, const QElapsedTimer &clock, qint64 budgetMs) const
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
                     : layOut(layoutText(m_model.view(start, m_model.lineEnd(line))), m_font, 0)->lineAt(0).naturalTextWidth(),
                 true);
        return true;
    }
    std::vector<Chunk> &chunks = chunksOf(line);
    // One chunk at least, whatever the budget, so that the rest can be
    // estimated from it.
    qreal known = 0;
    qint64 knownLength = 0;
    qint64 unknownLength = 0;
    bool measuredOne = false;
    bool stale = false;
    bool remeasuredAll = true;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Chunk &chunk = chunks[i];
        if (chunk.width < 0 && (!measuredOne || clock.elapsed() < budgetMs)) {
            measureChunk(line, i);
            measuredOne = true;
        }
        if (chunk.stale && !m_deferred && chunk.remeasured < 0 && clock.elapsed() < budgetMs)
            chunk.remeasured = chunkWidth(line, i);
        stale = stale || chunk.stale;
        remeasuredAll = remeasuredAll && (!chunk.stale || chunk.remeasured >= 0);
        if (chunk.width < 0) {
            unknownLength += chunk.length;
        } else {
            known += chunk.width;
            knownLength += chunk.length;
        }
    }
    if (stale && remeasuredAll && !m_deferred) {
        known = 0;
        for (Chunk &chunk : chunks) {
            if (chunk.stale)
                chunk = Chunk{chunk.length, chunk.remeasured};
            known += chunk.width;
        }
        // Every x after the first of them moved.
        if (m_window && m_window->line == line)
            m_window.reset();
        stale = false;
    }
    if (unknownLength == 0 && !stale) {
        setWidth(line, known, true);
        return true;
    }
    // The rest (or the widths a batch left) another time; meanwhile its
    // characters are taken to be as wide as those measured, so that the
    // scroll bar reaches about the end of the line at once.
    const qreal perCharacter =
        knownLength > 0 ? known / qreal(knownLength) : QFontMetrics(m_font).averageCharWidth();
    setWidth(line, known + perCharacter * qreal(unknownLength), false);
    return false;
}

bool TextLayout::measureEdited(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    bool done = true;
    for (const qint64 line : m_dirty) {
        // A line left unmeasured is measured when the program is idle (a
        // batch that edited every line of a long text is not held up by
        // measuring all of them at its end).
        if (line < m_model.lineCount() && (clock.elapsed() >= budgetMs || !measure(line, clock, budgetMs))) {
            done = false;
            break;
        }
    }
    m_dirty.clear();
    return done;
}

bool TextLayout::measureSome(qint64 budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 count = m_model.lineCount();
    qint64 line = std::clamp<qint64>(m_measureFrom, 0, count);
    qint64 scanned = 0;
    while (m_unmeasured > 0 && scanned < count && clock.elapsed() < budgetMs) {
        if (line >= count)
            line = 0;
        if (!measure(line, clock, budgetMs))
            break;
        ++line;
        ++scanned;
    }
    m_measureFrom = line;
    // A whole round with nothing left to measure ends the work for good.
    return m_unmeasured <= 0 || scanned >= count;
}

qreal TextLayout::contentWidth() const
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
    return m_widest + 2 * kMargin;
}

// ---------------------------------------------------------------- checks

bool TextLayout::cachesHold() const
{
    const qint64 count = m_model.lineCount();
    if (qint64(m_lines.size()) != count)
        return false;
    qint64 unmeasured = 0;
    for (qint64 line = 0; line < count; ++line) {
        const LineData &data = m_lines[std::size_t(line)];
        unmeasured += data.measured ? 0 : 1;
        if (m_widestKnown && data.width > m_widest)
            return false;
        if (!data.chunks)
            continue;
        qint64 total = 0;
        for (const Chunk &chunk : *data.chunks) {
            if (chunk.length < 0 || chunk.length > kLongestChunk)
                return false;
            total += chunk.length;
        }
        if (total != m_model.lineLength(line))
            return false;
    }
    if (unmeasured != m_unmeasured)
        return false;
    if (m_widestKnown && m_widestLine >= 0
        && (m_widestLine >= count || m_lines[std::size_t(m_widestLine)].width != m_widest))
        return false;
    for (const auto &[line, layout] : m_layouts) {
        if (line >= count)
            return false;
        const qint64 start = m_model.lineStart(line);
        if (m_preedit.isEmpty() && layout->text() != layoutText(m_model.view(start, m_model.lineEnd(line))))
            return false;
    }
    if (m_window) {
        if (m_window->line >= count || !m_lines[std::size_t(m_window->line)].chunks)
            return false;
        const std::vector<Chunk> &chunks = *m_lines[std::size_t(m_window->line)].chunks;
        if (m_window->lastChunk >= qint64(chunks.size()))
            return false;
        qint64 position = m_model.lineStart(m_window->line);
        qreal x = kMargin;
        for (qint64 i = 0; i < m_window->firstChunk; ++i) {
            position += chunks[std::size_t(i)].length;
            x += chunks[std::size_t(i)].width;
        }
        if (position != m_window->start || x != m_window->x)
            return false;
        if (m_window->layout->text() != layoutText(m_model.view(m_window->start, m_window->end)))
            return false;
    }
    if (m_chunkHint.line >= 0 && m_chunkHint.line < count && m_lines[std::size_t(m_chunkHint.line)].chunks) {
        const std::vector<Chunk> &chunks = *m_lines[std::size_t(m_chunkHint.line)].chunks;
        if (m_chunkHint.index >= chunks.size())
            return false;
        qint64 start = 0;
        for (std::size_t i = 0; i < m_chunkHint.index; ++i)
            start += chunks[i].length;
        if (start != m_chunkHint.start)
            return false;
    }
    for (const qint64 line : m_dirty) {
        if (line < 0 || line >= count)
            return false;
    }
    return true;
}

} // namespace platform
