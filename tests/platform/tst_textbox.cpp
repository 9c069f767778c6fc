#include "platform/TextBox.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QRandomGenerator>
#include <QtTest>

using platform::TextBox;

namespace {

QString ucs4(char32_t code)
{
    return QString::fromUcs4(&code, 1);
}

const char32_t kDeseretCapitalLongI = 0x10400; // a letter outside the BMP
const char32_t kGrinningFace = 0x1F600;

} // namespace

class tst_TextBox : public QObject {
    Q_OBJECT

private slots:
    void lengthCountsCodePointsAndBreaksAsTwo_data();
    void lengthCountsCodePointsAndBreaksAsTwo();
    void textReadsLineBreaksAsCrLf();
    void charAtReadsEveryPosition();
    void selectionUsesModelPositions_data();
    void selectionUsesModelPositions();
    void selStartBeyondTheEndPutsTheCaretAtTheEnd();
    void selTextReplacesTheSelectionAndMovesTheCaret();
    void lengthStaysRightAfterForeignEdits();
    void replaceCharAtKeepsTheRestOfTheText();
    void batchIsOneUndoStep();
    void batchShowsChangesBeforeInput();
    void readsInsideABatchSeeItsWrites();
    void printableKeysGoThroughTheHook_data();
    void printableKeysGoThroughTheHook();
    void editingKeysBypassTheHook();
    void controlCharactersAreNeverInserted();
    void editingShortcutsKeepTheirAction();
    void tabMovesTheFocus();
    void inputMethodCommitsOneCodePointAtATime();
    void randomEditsAgreeWithAPlainModel_data();
    void randomEditsAgreeWithAPlainModel();
};

void tst_TextBox::lengthCountsCodePointsAndBreaksAsTwo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("length");
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("letters") << QStringLiteral("abc") << qint64(3);
    QTest::newRow("crlf") << QStringLiteral("ab\r\nx") << qint64(5);
    QTest::newRow("lf only is stored as a break") << QStringLiteral("ab\nx") << qint64(5);
    QTest::newRow("trailing break") << QStringLiteral("a\r\n") << qint64(3);
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\n") << qint64(4);
    QTest::newRow("non-BMP letter") << (QStringLiteral("a") + ucs4(kDeseretCapitalLongI) + QStringLiteral("b")) << qint64(3);
    QTest::newRow("emoji and break") << (ucs4(kGrinningFace) + QStringLiteral("\r\n") + ucs4(kGrinningFace)) << qint64(4);
    QTest::newRow("combining mark") << QStringLiteral("e\u0301") << qint64(2);
}

void tst_TextBox::lengthCountsCodePointsAndBreaksAsTwo()
{
    QFETCH(QString, text);
    QFETCH(qint64, length);
    TextBox box;
    box.setText(text);
    QCOMPARE(box.TextLength(), length);
    QCOMPARE(box.Text().toUcs4().size(), qsizetype(length));
}

void tst_TextBox::textReadsLineBreaksAsCrLf()
{
    TextBox box;
    box.setText(QStringLiteral("one\ntwo\r\nthree\u00a0"));
    QCOMPARE(box.Text(), QStringLiteral("one\r\ntwo\r\nthree\u00a0"));
}

void tst_TextBox::charAtReadsEveryPosition()
{
    TextBox box;
    const QString text = QStringLiteral("a") + ucs4(kGrinningFace) + QStringLiteral("\r\nZ");
    box.setText(text);
    const auto expected = text.toUcs4();
    // Read forward, backward and out of order: the position cache must not
    // hand out stale answers.
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(box.CharAt(i), expected[i]);
    for (qsizetype i = expected.size() - 1; i >= 0; --i)
        QCOMPARE(box.CharAt(i), expected[i]);
    QCOMPARE(box.CharAt(3), char32_t(10));
    QCOMPARE(box.CharAt(0), char32_t('a'));
    QCOMPARE(box.CharAt(expected.size()), char32_t(0));
    QCOMPARE(box.CharAt(-1), char32_t(0));
}

void tst_TextBox::selectionUsesModelPositions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<QString>("selected");
    QTest::newRow("plain") << QStringLiteral("hello") << qint64(1) << qint64(3) << QStringLiteral("ell");
    QTest::newRow("across a break") << QStringLiteral("ab\r\ncd") << qint64(1) << qint64(4) << QStringLiteral("b\r\nc");
    QTest::newRow("after a break") << QStringLiteral("ab\r\ncd") << qint64(4) << qint64(2) << QStringLiteral("cd");
    QTest::newRow("after a pair") << (ucs4(kGrinningFace) + QStringLiteral("xy")) << qint64(1) << qint64(1) << QStringLiteral("x");
    QTest::newRow("cut at the end") << QStringLiteral("abc") << qint64(2) << qint64(10) << QStringLiteral("c");
}

void tst_TextBox::selectionUsesModelPositions()
{
    QFETCH(QString, text);
    QFETCH(qint64, start);
    QFETCH(qint64, length);
    QFETCH(QString, selected);
    TextBox box;
    box.setText(text);
    box.setSelStart(start);
    box.setSelLength(length);
    QCOMPARE(box.SelStart(), start);
    QCOMPARE(box.SelText(), selected);
    QCOMPARE(box.SelLength(), qint64(selected.toUcs4().size()));
}

void tst_TextBox::selStartBeyondTheEndPutsTheCaretAtTheEnd()
{
    TextBox box;
    box.setText(QStringLiteral("ab\r\nc"));
    box.setSelStart(1000);
    QCOMPARE(box.SelStart(), qint64(5));
    QCOMPARE(box.SelLength(), qint64(0));
}

void tst_TextBox::selTextReplacesTheSelectionAndMovesTheCaret()
{
    TextBox box;
    box.setText(QStringLiteral("hello world"));
    QSignalSpy changes(&box, &TextBox::Change);
    box.setSelStart(6);
    box.setSelLength(5);
    box.setSelText(QStringLiteral("X"));
    QCOMPARE(box.Text(), QStringLiteral("hello X"));
    QCOMPARE(box.SelStart(), qint64(7));
    QCOMPARE(box.SelLength(), qint64(0));
    QCOMPARE(changes.count(), 1);

    box.setSelStart(0);
    box.setSelText(QStringLiteral("a\r\nb"));
    QCOMPARE(box.Text(), QStringLiteral("a\r\nbhello X"));
    QCOMPARE(box.SelStart(), qint64(4));
}

void tst_TextBox::lengthStaysRightAfterForeignEdits()
{
    // Edits the box makes itself (Backspace, undo) remove text the model
    // never saw: the count must follow them.
    TextBox box;
    box.show();
    box.setText(QStringLiteral("x"));
    box.setSelStart(1);
    box.setSelText(ucs4(kGrinningFace) + ucs4(kGrinningFace));
    QCOMPARE(box.TextLength(), qint64(3));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.TextLength(), qint64(2));
    QCOMPARE(box.Text(), QStringLiteral("x") + ucs4(kGrinningFace));
    box.undo();
    QCOMPARE(box.TextLength(), qint64(3));
    QCOMPARE(box.CharAt(2), kGrinningFace);
}

void tst_TextBox::replaceCharAtKeepsTheRestOfTheText()
{
    TextBox box;
    const QString text = QStringLiteral("ab\r\n") + ucs4(0x10428) + QStringLiteral("c");
    box.setText(text);
    box.ReplaceCharAt(4, ucs4(kDeseretCapitalLongI));
    box.ReplaceCharAt(0, QStringLiteral("A"));
    box.ReplaceCharAt(2, QStringLiteral("\r")); // a break half replaced by itself
    QCOMPARE(box.Text(), QStringLiteral("Ab\r\n") + ucs4(kDeseretCapitalLongI) + QStringLiteral("c"));
    // The caret cannot stand between CR and LF: it goes after the break.
    QCOMPARE(box.SelStart(), qint64(4));
}

void tst_TextBox::batchIsOneUndoStep()
{
    TextBox box;
    box.setText(QStringLiteral("first"));
    box.setSelStart(5);
    box.setSelText(QStringLiteral(" line"));
    const QString before = box.Text();

    box.beginBatch();
    const QString upper = before.toUpper();
    for (int i = 0; i < upper.size(); ++i)
        box.ReplaceCharAt(i, upper.mid(i, 1));
    box.endBatch();
    QCOMPARE(box.Text(), upper);

    box.undo();
    QCOMPARE(box.Text(), before);
    box.undo();
    QCOMPARE(box.Text(), QStringLiteral("first"));
}

void tst_TextBox::batchShowsChangesBeforeInput()
{
    // A key typed in the middle of a batch acts where the batch's caret is.
    TextBox box;
    box.show();
    box.setKeyPressHook([](char32_t &) {});
    box.setText(QStringLiteral("abcd"));
    QSignalSpy changes(&box, &TextBox::Change);
    box.beginBatch();
    box.ReplaceCharAt(0, QStringLiteral("A"));
    box.ReplaceCharAt(1, QStringLiteral("B"));
    QTest::keyClick(&box, Qt::Key_X);
    QVERIFY(changes.count() >= 2);
    box.ReplaceCharAt(3, QStringLiteral("C"));
    box.endBatch();
    QCOMPARE(box.Text(), QStringLiteral("ABxCd"));
}

void tst_TextBox::readsInsideABatchSeeItsWrites()
{
    // Replacements wait to go in together; reading must not see stale text.
    TextBox box;
    box.setText(QStringLiteral("ab\r\ncd") + ucs4(0x10428) + QStringLiteral("e"));
    box.beginBatch();
    box.ReplaceCharAt(0, QStringLiteral("A"));
    box.ReplaceCharAt(1, QStringLiteral("b"));
    QCOMPARE(box.CharAt(0), char32_t('A'));
    QCOMPARE(box.Text(), QStringLiteral("Ab\r\ncd") + ucs4(0x10428) + QStringLiteral("e"));
    box.ReplaceCharAt(2, QStringLiteral("\r"));
    box.ReplaceCharAt(4, QStringLiteral("C"));
    box.ReplaceCharAt(6, ucs4(kDeseretCapitalLongI)); // a pair among single units
    box.ReplaceCharAt(7, QStringLiteral("E"));
    QCOMPARE(box.CharAt(6), kDeseretCapitalLongI);
    QCOMPARE(box.SelStart(), qint64(8));
    box.endBatch();
    QCOMPARE(box.Text(), QStringLiteral("Ab\r\nCd") + ucs4(kDeseretCapitalLongI) + QStringLiteral("E"));
    QCOMPARE(box.TextLength(), qint64(8));
    box.undo();
    QCOMPARE(box.Text(), QStringLiteral("ab\r\ncd") + ucs4(0x10428) + QStringLiteral("e"));
}

void tst_TextBox::printableKeysGoThroughTheHook_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letter") << QStringLiteral("a");
    QTest::newRow("digit") << QStringLiteral("7");
    QTest::newRow("space") << QStringLiteral(" ");
    QTest::newRow("accented") << QStringLiteral("\u00e9");
    QTest::newRow("non-BMP") << ucs4(kDeseretCapitalLongI);
}

void tst_TextBox::printableKeysGoThroughTheHook()
{
    QFETCH(QString, typed);
    TextBox box;
    box.show();
    QList<char32_t> seen;
    box.setKeyPressHook([&](char32_t &code) {
        seen.append(code);
        code = U'Q';
    });
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
    QApplication::sendEvent(&box, &press);
    QCOMPARE(seen, QList<char32_t>{typed.toUcs4().front()});
    QCOMPARE(box.Text(), QStringLiteral("Q"));
}

void tst_TextBox::editingKeysBypassTheHook()
{
    TextBox box;
    box.show();
    int hooked = 0;
    box.setKeyPressHook([&](char32_t &) { ++hooked; });
    box.setText(QStringLiteral("ab"));
    box.setSelStart(2);
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(hooked, 0);
    QCOMPARE(box.Text(), QString());
}

void tst_TextBox::controlCharactersAreNeverInserted()
{
    TextBox box;
    box.show();
    int hooked = 0;
    box.setKeyPressHook([&](char32_t &) { ++hooked; });
    for (const char16_t control : {u'\x02', u'\x1b', u'\x7f', u'\t', u'\x01'}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(control)));
        QApplication::sendEvent(&box, &press);
    }
    QTest::keyClick(&box, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(hooked, 0);
    QCOMPARE(box.Text(), QString());
}

void tst_TextBox::editingShortcutsKeepTheirAction()
{
    TextBox box;
    box.show();
    box.setKeyPressHook([](char32_t &code) { code = QChar::toUpper(code); });
    box.setText(QStringLiteral("copy me"));
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(box.SelLength(), qint64(7));
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("copy me"));
    QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(box.Text(), QString());
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("copy mecopy me")); // pasted text is not converted
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), QStringLiteral("copy me"));
}

void tst_TextBox::tabMovesTheFocus()
{
    QWidget window;
    auto *box = new TextBox(&window);
    auto *next = new QPushButton(QStringLiteral("next"), &window);
    next->move(0, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Tab);
    QVERIFY(next->hasFocus());
    QCOMPARE(box->Text(), QString());
}

void tst_TextBox::inputMethodCommitsOneCodePointAtATime()
{
    TextBox box;
    box.show();
    QList<char32_t> seen;
    box.setKeyPressHook([&](char32_t &code) { seen.append(code); });
    QInputMethodEvent preedit(QStringLiteral("\u00b4"), {});
    QApplication::sendEvent(&box, &preedit);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u00e9") + ucs4(kGrinningFace));
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(seen, (QList<char32_t>{0xE9, kGrinningFace}));
    QCOMPARE(box.Text(), QStringLiteral("\u00e9") + ucs4(kGrinningFace));
}

namespace {

// The text box as a plain string would be: the characters (a line break is
// CR LF), the selection, and the undo history as whole texts before and
// after each step. What the box must do, said without its caches.
struct PlainModel {
    struct State {
        std::u32string text;
        qint64 caret = 0;
        qint64 anchor = 0;
    };
    struct Step {
        State before;
        State after;
        enum Kind { Other, Backspace, Delete, Pass } kind = Other;
        qint64 joinAt = -1; // where a following Backspace or Delete joins it
    };

    State now;
    std::vector<Step> steps;
    std::size_t done = 0;
    bool passOpen = false; // the pass's edits join its step
    bool joinable = false; // the last step may take the next edit

    qint64 start() const { return std::min(now.caret, now.anchor); }
    qint64 end() const { return std::max(now.caret, now.anchor); }

    // A position where a caret may stand: never between CR and LF.
    qint64 caretAt(qint64 position) const
    {
        position = std::clamp<qint64>(position, 0, qint64(now.text.size()));
        return position > 0 && now.text[std::size_t(position - 1)] == 13 ? position - 1 : position;
    }

    void replace(qint64 from, qint64 to, const std::u32string &text, Step::Kind kind)
    {
        const State before = now;
        now.text.replace(std::size_t(from), std::size_t(to - from), text);
        now.caret = now.anchor = caretAt(from + qint64(text.size()));
        steps.resize(done);
        const bool joins = joinable && !steps.empty() && steps.back().kind == kind
            && ((kind == Step::Backspace && steps.back().joinAt == to)
                || (kind == Step::Delete && steps.back().joinAt == from) || (kind == Step::Pass && passOpen));
        if (!joins)
            steps.push_back(Step{before, now, kind, -1});
        steps.back().after = now;
        steps.back().joinAt = from;
        done = steps.size();
        joinable = kind != Step::Other;
        if (kind != Step::Pass)
            passOpen = false;
    }

    void undo()
    {
        passOpen = false;
        joinable = false;
        if (done == 0)
            return;
        now = steps[--done].before;
    }

    void redo()
    {
        passOpen = false;
        joinable = false;
        if (done == steps.size())
            return;
        now = steps[done++].after;
    }
};

std::u32string ucs4Of(const QString &text)
{
    return platform::TextModel::fromUser(text);
}

QString utf16Of(const std::u32string &text)
{
    return platform::TextModel::toUtf16(text);
}

} // namespace

void tst_TextBox::randomEditsAgreeWithAPlainModel_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("longLine"); // characters of a line to start with
    for (quint32 seed = 1; seed <= 8; ++seed)
        QTest::addRow("seed %u", seed) << seed << 0;
    // Long enough to be laid out in chunks, which edits cut and join.
    for (quint32 seed = 11; seed <= 13; ++seed)
        QTest::addRow("seed %u, a long line", seed) << seed << 5000;
}

void tst_TextBox::randomEditsAgreeWithAPlainModel()
{
    QFETCH(quint32, seed);
    QFETCH(int, longLine);
    QRandomGenerator random(seed);
    QWidget window;
    auto *box = new TextBox(&window);
    box->resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    box->setKeyPressHook([](char32_t &) {});
    PlainModel plain;
    if (longLine > 0) {
        std::u32string start;
        while (qint64(start.size()) < longLine)
            start += U"long \u00e9\U0001F600 line ";
        box->setText(utf16Of(start));
        plain.now.text = start;
    }

    // Letters of the BMP and outside it, a space.
    const std::u32string pool = U"aZ\u00e9\u03a9 x\U0001F600\U00010428q";
    const auto someText = [&](int most) {
        std::u32string text;
        const int length = int(random.bounded(most + 1));
        for (int i = 0; i < length; ++i) {
            const quint32 pick = random.bounded(14);
            if (pick == 0)
                text += U"\r\n";
            else if (pick == 1)
                text += char32_t(0xD800); // a lone surrogate: a character of its own
            else
                text += pool[random.bounded(quint32(pool.size()))];
        }
        return text;
    };
    QStringList log;
    const auto agree = [&](const QString &what) {
        log << what;
        const QString context = QStringLiteral("after: ") + log.mid(std::max<qsizetype>(0, log.size() - 6)).join(" | ");
        if (box->Text() != utf16Of(plain.now.text))
            return context + QStringLiteral("\n text   ") + box->Text() + QStringLiteral("\n wanted ") + utf16Of(plain.now.text);
        if (box->TextLength() != qint64(plain.now.text.size()))
            return context + QStringLiteral(": length");
        if (box->SelStart() != plain.start() || box->SelLength() != plain.end() - plain.start())
            return context + QStringLiteral(": selection %1+%2, wanted %3+%4")
                                 .arg(box->SelStart()).arg(box->SelLength()).arg(plain.start())
                                 .arg(plain.end() - plain.start());
        for (int probe = 0; probe < 4 && !plain.now.text.empty(); ++probe) {
            const qint64 at = random.bounded(quint32(plain.now.text.size()));
            if (box->CharAt(at) != plain.now.text[std::size_t(at)])
                return context + QStringLiteral(": character %1").arg(at);
        }
        if (!box->model().invariantsHold())
            return context + QStringLiteral(": the model's line index");
        box->viewport()->repaint(); // lays out and measures what shows
        if (!box->cachesHold())
            return context + QStringLiteral(": the box's layout caches");
        return QString();
    };
    const auto typeOne = [&] {
        const char32_t code = pool[random.bounded(quint32(pool.size()))];
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(&code, 1));
        QApplication::sendEvent(box, &press);
        plain.replace(plain.start(), plain.end(), std::u32string(1, code), PlainModel::Step::Other);
        return QStringLiteral("type");
    };

    for (int step = 0; step < 300; ++step) {
        QString what;
        switch (random.bounded(11)) {
        case 0:
        case 1:
            what = typeOne();
            break;
        case 2: {
            QTest::keyClick(box, Qt::Key_Return);
            plain.replace(plain.start(), plain.end(), U"\r\n", PlainModel::Step::Other);
            what = QStringLiteral("Enter");
            break;
        }
        case 3: {
            // Pasted line breaks of any kind become CR LF.
            QString text = utf16Of(someText(12));
            if (random.bounded(2))
                text.replace(QStringLiteral("\r\n"), random.bounded(2) ? QStringLiteral("\n") : QStringLiteral("\r"));
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            if (!text.isEmpty())
                plain.replace(plain.start(), plain.end(), ucs4Of(text), PlainModel::Step::Other);
            what = QStringLiteral("paste %1").arg(text.size());
            break;
        }
        case 4: {
            QTest::keyClick(box, Qt::Key_Backspace);
            if (plain.start() != plain.end()) {
                plain.replace(plain.start(), plain.end(), {}, PlainModel::Step::Backspace);
            } else if (plain.now.caret > 0) {
                // One code point; a line break whole.
                qint64 from = plain.now.caret - 1;
                if (plain.now.text[std::size_t(from)] == 10)
                    --from;
                plain.replace(from, plain.now.caret, {}, PlainModel::Step::Backspace);
            }
            what = QStringLiteral("Backspace");
            break;
        }
        case 5: {
            QTest::keyClick(box, Qt::Key_Delete);
            if (plain.start() != plain.end()) {
                plain.replace(plain.start(), plain.end(), {}, PlainModel::Step::Delete);
            } else if (plain.now.caret < qint64(plain.now.text.size())) {
                const qint64 to = plain.now.caret + (plain.now.text[std::size_t(plain.now.caret)] == 13 ? 2 : 1);
                plain.replace(plain.now.caret, to, {}, PlainModel::Step::Delete);
            }
            what = QStringLiteral("Delete");
            break;
        }
        case 6: {
            const qint64 length = qint64(plain.now.text.size());
            const qint64 from = random.bounded(quint32(length + 1));
            const qint64 count = random.bounded(quint32(length - from + 1));
            box->setSelStart(from);
            box->setSelLength(count);
            const qint64 start = plain.caretAt(from);
            qint64 stop = std::min(length, start + count);
            if (stop > 0 && stop < length && plain.now.text[std::size_t(stop - 1)] == 13)
                ++stop;
            plain.now.anchor = start;
            plain.now.caret = stop;
            what = QStringLiteral("select %1+%2").arg(from).arg(count);
            break;
        }
        case 7: {
            const bool right = random.bounded(2);
            QTest::keyClick(box, right ? Qt::Key_Right : Qt::Key_Left);
            if (plain.start() != plain.end()) {
                plain.now.caret = plain.now.anchor = right ? plain.end() : plain.start();
            } else if (right && plain.now.caret < qint64(plain.now.text.size())) {
                plain.now.caret += plain.now.text[std::size_t(plain.now.caret)] == 13 ? 2 : 1;
            } else if (!right && plain.now.caret > 0) {
                plain.now.caret -= plain.now.text[std::size_t(plain.now.caret - 1)] == 10 ? 2 : 1;
            }
            plain.now.anchor = plain.now.caret;
            what = right ? QStringLiteral("Right") : QStringLiteral("Left");
            break;
        }
        case 8:
            QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
            plain.undo();
            what = QStringLiteral("undo");
            break;
        case 9:
            QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            plain.redo();
            what = QStringLiteral("redo");
            break;
        case 10: {
            // A pass: every character in a drawn case, one at a time, with
            // the user typing, undoing or redoing now and then in between.
            box->beginBatch();
            plain.passOpen = false;
            plain.joinable = false;
            for (qint64 i = 0; i < qint64(plain.now.text.size()); ++i) {
                if (random.bounded(40) == 0) {
                    const quint32 input = random.bounded(3);
                    if (input == 0) {
                        typeOne();
                    } else if (input == 1) {
                        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
                        plain.undo();
                    } else {
                        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
                        plain.redo();
                    }
                    if (i >= qint64(plain.now.text.size()))
                        break;
                }
                const char32_t code = plain.now.text[std::size_t(i)];
                const char32_t changed = random.bounded(2) ? QChar::toUpper(code) : QChar::toLower(code);
                box->ReplaceCharAt(i, QString::fromUcs4(&changed, 1));
                const qint64 to = i + (code == 13 ? 2 : 1);
                if (changed != code && code != 10) {
                    plain.replace(i, i + 1, std::u32string(1, changed), PlainModel::Step::Pass);
                    plain.passOpen = true;
                } else {
                    plain.now.caret = plain.now.anchor = plain.caretAt(to);
                }
            }
            box->endBatch();
            plain.passOpen = false;
            plain.joinable = false;
            what = QStringLiteral("pass");
            break;
        }
        }
        const QString problem = agree(what);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

QTEST_MAIN(tst_TextBox)
#include "tst_textbox.moc"
