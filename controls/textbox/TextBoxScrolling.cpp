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

// ---------------------------------------------------------------- scrolling

qreal TextBox::topOfLine(qint64 line) const
{
    // The first line of the text sits below the top margin; a text scrolled
    // down starts at the top edge. Lines far from the screen are not laid
    // out to say where they would be.
    qreal y = m_topLine == 0 ? margin() : 0;
    const qint64 far = std::max<qint64>(64, 2 * verticalScrollBar()->pageStep());
    if (line > m_topLine + far || line < m_topLine - far)
        return y + qreal(line - m_topLine) * m_layout.defaultLineHeight();
    if (line >= m_topLine) {
        for (qint64 l = m_topLine; l < line; ++l)
            y += m_layout.lineHeight(l);
    } else {
        for (qint64 l = line; l < m_topLine; ++l)
            y -= m_layout.lineHeight(l);
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
            top -= m_layout.lineHeight(line);
        }
        return line;
    }
    while (line + 1 < m_model.lineCount()) {
        const qreal height = m_layout.lineHeight(line);
        if (y < top + height)
            return line;
        top += height;
        ++line;
    }
    return line;
}

void TextBox::measureSome()
{
    // Widths of lines not shown yet, a few milliseconds at a time, so that
    // the horizontal scroll bar reaches the widest line without a pause.
    if (m_batchDepth > 0 || m_layout.unmeasured() <= 0) {
        m_measureTimer->stop();
        return;
    }
    const qreal before = m_layout.contentWidth();
    // A long line's widths measured anew (after a pass) move the x of its
    // positions: the view moves with the caret's, so that what is shown
    // stays where it is.
    const qint64 caretLine = m_model.lineOf(m_caret);
    const bool follow = isVisible() && m_layout.isLong(caretLine);
    const qreal caretX = follow ? m_layout.xOf(caretLine, m_caret) : 0;
    const bool done = m_layout.measureSome(kMeasureSliceMs);
    if (m_layout.contentWidth() != before)
        updateScrollBars();
    if (follow) {
        const qreal moved = m_layout.xOf(caretLine, m_caret) - caretX;
        if (moved != 0) {
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + qRound(moved));
            viewport()->update();
        }
    }
    if (done)
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
            y += m_layout.lineHeight(line) + (line == count - 1 ? margin() : 0);
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
    if (m_batchDepth == 0)
        m_layout.measureEdited(kDirtyMeasureMs);
    if (m_layout.unmeasured() > 0 && !m_measureTimer->isActive() && m_batchDepth == 0)
        m_measureTimer->start();
    hbar->setRange(0, int(std::min<qreal>(m_layout.contentWidth(), INT_MAX / 2)) - viewport()->width());
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
    const qreal x = m_layout.xOf(line, m_caret);
    const qreal y = topOfLine(line);
    const QRectF rect(x, y, kCursorWidth, m_layout.lineHeight(line));
    return rect.toRect().translated(-horizontalScrollBar()->value(), 0);
}

QRect TextBox::characterRect(qint64 position) const
{
    if (position < 0 || position > m_model.length())
        return QRect();
    const qint64 line = m_model.lineOf(position);
    const qreal x = m_layout.xOf(line, position);
    const qint64 next = std::min(m_model.lineEnd(line), position + 1);
    const qreal right = next > position ? m_layout.xOf(line, next) : x;
    const qreal y = topOfLine(line);
    return QRectF(std::min(x, right), y, std::abs(right - x), m_layout.lineHeight(line))
        .toRect()
        .translated(-horizontalScrollBar()->value(), 0);
}

qint64 TextBox::positionAt(const QPoint &point) const
{
    const qint64 line = lineAtY(point.y());
    const qreal x = point.x() + horizontalScrollBar()->value();
    return m_model.caretPosition(m_layout.positionAtX(line, x));
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
        qreal height = m_layout.lineHeight(line);
        while (top > m_topLine && height + m_layout.lineHeight(top - 1) <= available)
            height += m_layout.lineHeight(--top);
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
