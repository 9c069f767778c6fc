#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <functional>

namespace platform {

// The multi-line text box with the classic text model: one character is one
// Unicode code point and a line break counts as the two characters CR LF in
// every length and position. Positions are 0-based.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    // Runs for every typed character before the box inserts it; setting the
    // code to 0 keeps the box from inserting it.
    using KeyPressHook = std::function<void(char32_t &code)>;

    explicit TextBox(QWidget *parent = nullptr);

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
    // after the replacement: SelStart, SelLength and SelText in one step.
    void ReplaceCharAt(qint64 position, const QString &replacement);

    // Replacements made between these calls form one undo step, unless the
    // user edits, undoes or redoes in between: then what follows is a step
    // of its own, so that an undo never takes back more than one action of
    // the user or the rest of the batch. Inside a batch the
    // replacements of ReplaceCharAt reach the layout, the screen and the
    // Change notification at most once a frame, and at once before any
    // input reaches the box.
    void beginBatch();
    void endBatch();

    void setKeyPressHook(KeyPressHook hook) { m_keyPressHook = std::move(hook); }

signals:
    void Change();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    struct Anchor {
        qint64 model = 0; // characters of the text model before `document`
        int document = 0; // a position in the document, on a code point
    };
    struct Location {
        int document = 0;
        bool insideLineBreak = false; // between the CR and the LF
    };

    void onContentsChange(int position, int removed, int added);
    void typeCodePoints(const QString &text);
    void replaceRange(int from, int to, const QString &text);
    void batchedReplace(int from, int to, const QString &text);
    // A replacement inside a batch; a null text leaves the character as it is.
    void batchReplace(int from, int to, const QString &units);
    void applyRun();
    void prepareOwnEdit(QTextCursor &cursor, const QString &text);
    void flushBatch();
    Location locate(qint64 model) const;
    qint64 modelPosition(int document) const;
    int documentPosition(qint64 model, bool roundUp) const;
    int surrogatePairs() const;
    // The UTF-16 unit at a document position, read from a copy of its block
    // so that reading along the text does not search the document each time.
    QChar unitAt(int position) const;

    KeyPressHook m_keyPressHook;
    mutable Anchor m_anchor;
    mutable int m_pairCount = 0;
    mutable bool m_pairCountKnown = true;
    bool m_ownEdit = false;    // the change being reported is one of ours
    int m_ownPairDelta = 0;    // surrogate pairs our pending edits add
    int m_batchDepth = 0;
    bool m_batchHasEdits = false;
    bool m_blockOpen = false;  // batched edits not yet shown
    QTextCursor m_batchCursor;
    int m_pendingCaret = -1;
    QElapsedTimer m_frameClock;
    bool m_flushing = false;
    // Replacements of neighbouring characters waiting to go in as one edit.
    bool m_runActive = false;
    bool m_runChanged = false;
    int m_runStart = 0;
    QString m_runText;
    mutable QString m_blockText;
    mutable int m_blockStart = 0;
    mutable bool m_blockTextValid = false;
};

// Helpers of the text model, shared with the tests.
int countSurrogatePairs(const QString &text);
QString toDocumentText(const QString &text);

} // namespace platform
