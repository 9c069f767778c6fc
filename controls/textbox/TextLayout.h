#pragma once

#include "TextModel.h"

#include <QElapsedTimer>
#include <QFont>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QTextLayout;

namespace platform {

// How the text box's lines are laid out and how wide they are, kept beside
// the model: whole layouts of the lines near the screen, and for a long line
// (over 2,000 characters) its width in pieces ("chunks") that an edit
// measures again one at a time, so that typing in a megabyte-long line stays
// quick. Widths of lines not shown are measured a slice at a time
// (measureSome) while the program is idle.
//
// The model tells it of every change (linesChanged); reading it lays out
// what is asked for and keeps it, which is why its readers are const.
class TextLayout {
public:
    static constexpr qreal kMargin = 4.0;

    explicit TextLayout(const TextModel &model);
    ~TextLayout();
    TextLayout(const TextLayout &) = delete;
    TextLayout &operator=(const TextLayout &) = delete;

    // A new font: every layout and width is made again.
    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }
    // The input method's text at a position, shown in that position's line
    // (empty when there is none); a line showing it is not measured.
    void setPreedit(qint64 position, const QString &text);
    // While deferred (a batch of edits), edited lines keep the widths they
    // had until it ends.
    void setDeferred(bool deferred) { m_deferred = deferred; }

    // The model changed as described.
    void linesChanged(const TextModel::LineChange &change);

    bool isLong(qint64 line) const;
    qreal lineHeight(qint64 line) const;
    qreal defaultLineHeight() const;
    // The x of a position in its line, and the position nearest to an x;
    // the left margin included.
    qreal xOf(qint64 line, qint64 position) const;
    qint64 positionAtX(qint64 line, qreal x) const;
    // The widest line's width with both margins.
    qreal contentWidth() const;

    // A laid-out piece of a line: the whole line, or for a long line whole
    // chunks. Its layout's text starts at `start` and draws where the line
    // has it; the layout is this object's, good until it is asked again.
    struct Piece {
        QTextLayout *layout = nullptr;
        qint64 start = 0;
        qint64 end = 0;
    };
    // The piece that shows the part of a line between two x.
    Piece piece(qint64 line, qreal left, qreal right) const;
    // A layout of the text around a position, far enough for any word.
    Piece around(qint64 position) const;

    // Measures the lines edited since the last call, until the budget is
    // spent; false when the budget ran out first.
    bool measureEdited(qint64 budgetMs);
    // Measures unmeasured lines for a slice of time; false when some remain.
    bool measureSome(qint64 budgetMs);
    qint64 unmeasured() const { return m_unmeasured; }

    // Whether every cache agrees with the model (see the fields below);
    // checked after every edit in a debug build.
    bool cachesHold() const;

private:
    struct Chunk;
    struct LineData;
    struct Window;

    QTextLayout &lineLayout(qint64 line) const;
    const Window &window(qint64 line, qint64 firstChunk, qint64 lastChunk) const;
    void buildChunks(qint64 line) const;
    std::vector<Chunk> &chunksOf(qint64 line) const;
    qreal chunkWidth(qint64 line, std::size_t chunk) const;
    void measureChunk(qint64 line, std::size_t chunk) const;
    void setWidth(qint64 line, qreal width, bool measured) const;
    bool measure(qint64 line, const QElapsedTimer &clock, qint64 budgetMs) const;
    void chunksChanged(const TextModel::LineChange &change);
    void forget();

    const TextModel &m_model;
    QFont m_font;
    QString m_preedit;
    qint64 m_preeditPosition = 0;
    bool m_deferred = false;

    // The caches, and what holds for each (cachesHold):
    // - m_lines: one entry per line of the model, changed along with it
    //   (linesChanged). m_unmeasured counts the entries not `measured`. A
    //   line's chunks, where it has them, add up to its length, none longer
    //   than kLongestChunk.
    // - m_layouts: for lines on or near the screen, a layout of exactly the
    //   line's text (with the input method's text on its line); an edit of a
    //   line drops its layout, a change of the lines below drops theirs.
    // - m_window: the laid-out chunks of a long line, their text and x those
    //   the chunks before them give.
    // - m_widest, m_widestLine: while m_widestKnown, no line is wider than
    //   m_widest, and m_widestLine is one that wide.
    // - m_chunkHint: a chunk of its line and where that chunk starts.
    // - m_dirty: lines edited since they were last measured on an edit.
    mutable std::vector<LineData> m_lines;
    mutable std::map<qint64, std::unique_ptr<QTextLayout>> m_layouts;
    mutable std::uint64_t m_layoutsMade = 0; // layouts put into m_layouts so far
    qint64 m_droppedLine = -1;               // the line whose layout an edit dropped last...
    std::uint64_t m_droppedAt = 0;           // ... when m_layoutsMade was this
    mutable std::unique_ptr<Window> m_window;
    mutable std::unique_ptr<QTextLayout> m_scratchLayout; // around a position of a long line
    mutable qreal m_widest = 0;
    mutable qint64 m_widestLine = -1;
    mutable bool m_widestKnown = true;
    mutable qint64 m_unmeasured = 0;
    qint64 m_measureFrom = 0;
    mutable qreal m_defaultLineHeight = -1;
    std::vector<qint64> m_dirty;
    static constexpr qint64 kDirtyLines = 64;
    struct ChunkHint {
        qint64 line = -1;
        std::size_t index = 0;
        qint64 start = 0;
    };
    mutable ChunkHint m_chunkHint;
};

} // namespace platform
