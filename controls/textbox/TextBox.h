#pragma once

#include "TextLayout.h"
#include "TextModel.h"
#include "UndoHistory.h"
#include "platform/host/Clock.h"
#include "platform/host/Timer.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>

#include <functional>
#include <map>
#include <utility>
#include <memory>
#include <vector>

class QTextLayout;
class QMimeData;

namespace platform {

// The multi-line text box with the classic text model (TextModel): one
// character is one code point and a line break counts as the two characters
// CR LF in every length and position. Positions are 0-based.
//
// It shows and edits its text as the stock plain-text editor of the toolkit
// does (the same font, layout, caret, selection, scroll bars, keys, mouse,
// clipboard, undo), without word wrap. Unlike that editor it lays out only
// what it shows: a line of any length costs what its visible part costs, and
// the width of a long line is kept in pieces (chunks) that an edit measures
// again one at a time.
//
// It lives here rather than in controls/: the self-drawn controls there are
// this program's own look, while this box stands in for the desktop's own
// edit control, which a classic program gets from the system, as it gets
// message boxes and system colours (it draws what the toolkit's editor
// draws, not a look of ours).
class TextBox : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Decides what the box does with each typed character: inserts the
    // character given, or nothing for 0, and, once it is in and told as a
    // change, runs what was given along with it.
    struct Typing {
        Typing(char32_t insert) : character(insert) {}
        Typing(char32_t insert, std::function<void()> then) : character(insert), inserted(std::move(then)) {}
        char32_t character;
        std::function<void()> inserted;
    };
    using KeyFilter = std::function<Typing(char32_t code)>;

    // Its timers (the caret's blink, measuring while idle, the triple-click
    // window) run on the clock given, the system's when none is.
    explicit TextBox(QWidget *parent = nullptr, Clock *clock = nullptr);
    ~TextBox() override;

    QString Text() const;
    void setText(const QString &text);
    qint64 TextLength() const;

    qint64 SelStart() const;
    void setSelStart(qint64 position);
    qint64 SelLength() const;
    void setSelLength(qint64 length);
    QString SelText() const;
    void setSelText(const QString &text);
    bool SetFocus();

    // The character at a position, or 0 past the end. The two halves of a
    // line break read as 13 and 10.
    char32_t CharAt(qint64 position) const;
    // Selects the character at a position, replaces it, and leaves the caret
    // after the replacement: SelStart, SelLength and SelText in one step. A
    // half of a line break stands for the whole break.
    void ReplaceCharAt(qint64 position, const QString &replacement);
    void ReplaceCharAt(qint64 position, char32_t replacement);

    // Replacements made between these calls form one undo step, unless the
    // user edits, undoes or redoes in between: then what follows is a step
    // of its own, so that an undo never takes back more than one action of
    // the user or the rest of the batch. Inside a batch the screen, the
    // scroll bars and the Change notification catch up at most once a frame,
    // and at once before any input reaches the box; assistive technology
    // hears of the batch's changes when it ends.
    void beginBatch();
    void endBatch();

    void setKeyFilter(KeyFilter filter) { m_keyFilter = std::move(filter); }

    // What the user's keys and the context menu do.
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void selectAll();
    bool isUndoAvailable() const { return m_undo.canUndo(); }
    bool isRedoAvailable() const { return m_undo.canRedo(); }

    // For assistive technology and input methods.
    const TextModel &model() const { return m_model; }
    qint64 caretPosition() const { return m_caret; }
    qint64 anchorPosition() const { return m_anchor; }
    void setSelection(qint64 anchor, qint64 caret);
    // Replaces [from, to) with text the user's side gave (any line breaks),
    // as one undo step, as typing a selection over does.
    void replaceText(qint64 from, qint64 to, const QString &text);
    // Where a character is drawn, in the viewport's coordinates; empty when
    // its line is not laid out on the screen.
    QRect characterRect(qint64 position) const;
    QRect caretRect() const;
    // The caret position nearest to a point of the viewport.
    qint64 positionAt(const QPoint &point) const;

    // Assistive technology reads the text with one character for each line
    // break ("\n"): offsets and text in that form.
    qint64 toAccessibleOffset(qint64 position) const;
    qint64 fromAccessibleOffset(qint64 offset) const;
    QString accessibleText(qint64 from, qint64 to) const;

    // Whether the layout's caches agree with the text (TextLayout);
    // checked after every edit in a debug build.
    bool cachesHold() const;

    // The undo history's bound in bytes (32 MiB unless set).
    void setUndoLimit(std::size_t bytes);
    std::size_t undoBytes() const { return m_undo.bytes(); }
    // Lines whose widths are still to be measured while the program is idle.
    qint64 unmeasuredLines() const { return m_layout.unmeasured(); }

signals:
    void Change();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    // Editing.
    void edit(qint64 from, qint64 to, std::u32string_view text, UndoHistory::Kind kind, qint64 caretAfter);
    void replaceCharacter(qint64 position, std::u32string_view characters);
    void replaceInBatch(qint64 position, char32_t old, char32_t replacement);
    void noteBatchEdit(qint64 from, qint64 to, qint64 inserted);
    void frameIfDue();
    void linesChanged(const TextModel::LineChange &change);
    void typeCodePoints(const QString &text);
    void insertFromUser(const QString &text);
    void insertFromMimeData(const QMimeData *source);
    void deleteBackward(bool word);
    void deleteForward(bool word);
    void moveCaret(qint64 caret, bool keepAnchor);
    QPoint tripleClickPoint(const QPoint &point) const;
    void showSelectionChange(qint64 oldCaret, qint64 oldAnchor);
    bool navigate(QKeyEvent *event);
    void setClipboardSelection();
    void flush();
    void afterChange();
    // An undo or redo step taken: its lines, caret and listeners brought up to date.
    void showApplied(const UndoHistory::Applied &applied);

    // Cursor movement over characters, words and lines.
    qint64 stepWithin(qint64 position, bool forward, int mode) const;
    qint64 nextGrapheme(qint64 position) const;
    qint64 previousGrapheme(qint64 position) const;
    qint64 nextWord(qint64 position) const;
    qint64 previousWord(qint64 position) const;
    qint64 startOfWordMove(qint64 position) const;
    qint64 endOfWordMove(qint64 position) const;
    void extendByMouse(qint64 position, qreal x);
    qint64 verticalMove(qint64 position, qint64 lines);
    qint64 pageMove(qint64 position, int direction);

    // Scrolling, over the layout.
    qreal topOfLine(qint64 line) const;
    qint64 lineAtY(qreal y) const;
    void measureSome();
    void updateScrollBars();
    void ensureCaretVisible();
    void setTopLine(qint64 line);
    qreal margin() const { return TextLayout::kMargin; }

    void startBlinking();
    void stopBlinking();
    void blinkCaret();
    void emitAccessibleTextChange(qint64 from, const QString &removed, const QString &inserted);

    TextModel m_model;
    UndoHistory m_undo;
    KeyFilter m_keyFilter;

    qint64 m_caret = 0;
    qint64 m_anchor = 0;
    qreal m_goalX = -1; // kept while moving up and down
    qint64 m_topLine = 0;

    // The batch: edits since the screen last caught up, and since it began.
    int m_batchDepth = 0;
    bool m_viewPending = false;
    bool m_batchEdited = false;
    qint64 m_batchFrom = -1;
    qint64 m_batchTo = -1;
    QElapsedTimer m_frameClock;
    int m_editsSinceClock = 0;
    // When the view last followed the caret inside a batch, with a screen
    // reader listening (ensureCaretVisible).
    QElapsedTimer m_followClock;

    // The lines laid out; measured while the program is idle.
    TextLayout m_layout{m_model};
    Timer *m_measureTimer;

    // The caret's blink, the mouse and input methods.
    Timer *m_blinkTimer;
    bool m_caretOn = false;
    bool m_selecting = false;
    // The word of the last double click and the line of the last triple
    // click: Shift+click and drags extend by them until a click sets the
    // caret anew, as in the stock editor.
    std::pair<qint64, qint64> m_wordSelection{-1, -1};
    std::pair<qint64, qint64> m_lineSelection{-1, -1};
    QPoint m_pressPoint;
    Timer *m_tripleClickTimer;
    QPoint m_tripleClickPoint;
    qreal m_pageRow = 0;        // the caret's row on the screen while paging
    bool m_pageRowKept = false;
    bool m_mightDrag = false;
    qint64 m_dropCaret = -1;
    QString m_preedit;
    int m_preeditCursor = 0;
};

} // namespace platform
