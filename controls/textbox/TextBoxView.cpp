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

// ---------------------------------------------------------------- painting

void TextBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const int offsetX = -horizontalScrollBar()->value();
    QRect exposed = event->rect();
    const QRect area = viewport()->rect();
    // The right margin stays clear of a selection reaching past the text.
    const int maxX = int(offsetX + std::max<qreal>(area.width(), m_layout.contentWidth()) - margin() + kCursorWidth);
    exposed.setRight(std::min(exposed.right(), maxX));
    painter.setClipRect(exposed);
    painter.setPen(palette().text().color());

    const bool focused = hasFocus();
    const QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selectionFormat;
    selectionFormat.setBackground(palette().brush(group, QPalette::Highlight));
    selectionFormat.setForeground(palette().brush(group, QPalette::HighlightedText));
    QStyleOption option;
    option.initFrom(this);
    if (style()->styleHint(QStyle::SH_RichText_FullWidthSelection, &option, this))
        selectionFormat.setProperty(QTextFormat::FullWidthSelection, true);
    const qint64 selectionStart = SelStart();
    const qint64 selectionEnd = SelStart() + SelLength();
    const qint64 cursor = m_dropCaret >= 0 ? m_dropCaret : m_caret;
    const bool showCaret = (m_caretOn && isEnabled()) || m_dropCaret >= 0;

    qreal y = m_topLine == 0 ? margin() : 0;
    for (qint64 line = m_topLine; line < m_model.lineCount(); ++line) {
        const qreal height = m_layout.lineHeight(line);
        if (y + height >= exposed.top() && y <= exposed.bottom()) {
            const qint64 start = m_model.lineStart(line);
            const qint64 end = m_model.lineEnd(line);
            // The piece of the line laid out: all of it, or for a long line
            // the chunks in sight.
            const TextLayout::Piece piece = m_layout.piece(line, -offsetX - 1, -offsetX + area.width() + 1);
            QTextLayout *layout = piece.layout;
            const qint64 pieceStart = piece.start;
            const qint64 pieceEnd = piece.end;
            QList<QTextLayout::FormatRange> selections;
            if (selectionEnd > selectionStart && selectionStart <= end + 2 && selectionEnd > start) {
                const qint64 from = std::max(selectionStart, pieceStart);
                // A selection past the end of the line takes in its break.
                const qint64 to = std::min(selectionEnd, pieceEnd + (pieceEnd == end ? 1 : 0));
                if (to > from) {
                    QTextLayout::FormatRange range;
                    range.start = utf16Length(m_model.view(pieceStart, from));
                    range.length = utf16Length(m_model.view(from, std::min(to, pieceEnd))) + (to > pieceEnd ? 1 : 0);
                    range.format = selectionFormat;
                    selections.append(range);
                }
            }
            const QPointF origin(offsetX, y);
            layout->draw(&painter, origin, selections, exposed);
            if (showCaret && cursor >= pieceStart && cursor <= pieceEnd && m_model.lineOf(cursor) == line) {
                int index = utf16Length(m_model.view(pieceStart, cursor));
                if (!m_preedit.isEmpty() && cursor == m_caret && m_dropCaret < 0)
                    index += m_preeditCursor;
                layout->drawCursor(&painter, origin, index, kCursorWidth);
            }
        }
        y += height;
        if (y > area.height())
            break;
    }
}

void TextBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextBox::scrollContentsBy(int, int)
{
    m_topLine = verticalScrollBar()->value();
    viewport()->update();
    QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImAnchorRectangle);
}

void TextBox::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    updateScrollBars();
}

void TextBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        updateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange
               || event->type() == QEvent::ActivationChange) {
        viewport()->update();
    }
}

void TextBox::startBlinking()
{
    if (!hasFocus())
        return;
    m_caretOn = true;
    const int flashTime = QApplication::cursorFlashTime();
    if (flashTime >= 2) {
        m_blinkTimer->setInterval(flashTime / 2);
        m_blinkTimer->start();
    } else {
        m_blinkTimer->stop();
    }
}

void TextBox::stopBlinking()
{
    m_blinkTimer->stop();
    m_caretOn = false;
}

void TextBox::blinkCaret()
{
    m_caretOn = !m_caretOn;
    if (m_caret != m_anchor && !style()->styleHint(QStyle::SH_BlinkCursorWhenTextSelected))
        m_caretOn = false;
    viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
}

} // namespace platform
