#include "controls/textbox/TextBox.h"
#include "platform/forms/Units.h"

#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
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

// A key as the box receives it; with a text, sent as that text.
struct Press {
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

} // namespace

Q_DECLARE_METATYPE(QList<Press>)

class tst_TextBox : public QObject {
    Q_OBJECT

private slots:
    void lengthCountsCodePointsAndBreaksAsTwo_data();
    void lengthCountsCodePointsAndBreaksAsTwo();
    void textReadsLineBreaksAsCrLf();
    void selectionUsesModelPositions_data();
    void selectionUsesModelPositions();
    void selStartBeyondTheEndPutsTheCaretAtTheEnd();
    void selTextReplacesTheSelectionAndMovesTheCaret();
    void printableKeysGoThroughTheHook_data();
    void printableKeysGoThroughTheHook();
    void keysThatAreNotTextBypassTheHook_data();
    void keysThatAreNotTextBypassTheHook();
    void editingShortcutsKeepTheirAction();
    void tabMovesTheFocus();
    void inputMethodCommitsOneCodePointAtATime();
    void keysAgreeWithTheStockEditor_data();
    void keysAgreeWithTheStockEditor();
    void clicksAgreeWithTheStockEditor();
    void accessibleTextCountsABreakAsOne();
    void looksLikeTheStockEditor_data();
    void looksLikeTheStockEditor();
    void undoHistoryKeepsTheNewestStepsWithinItsBound_data();
    void undoHistoryKeepsTheNewestStepsWithinItsBound();
    void randomEditsAgreeWithAPlainModel_data();
    void randomEditsAgreeWithAPlainModel();
    void aPassAlongALongLineSettlesWhereItShows();
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
    QStringList changes;
    QStringList typedAfter; // the text as what runs once it is in finds it
    connect(&box, &TextBox::Change, this, [&] { changes << box.Text(); });
    box.setKeyFilter([&](char32_t code) {
        seen.append(code);
        return TextBox::Typing(U'Q', [&] { typedAfter << box.Text() + QString::number(changes.size()); });
    });
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
    QApplication::sendEvent(&box, &press);
    QCOMPARE(seen, QList<char32_t>{typed.toUcs4().front()});
    QCOMPARE(box.Text(), QStringLiteral("Q"));
    // What came with the character runs once, after it is in and told as a change.
    QCOMPARE(changes, QStringList{QStringLiteral("Q")});
    QCOMPARE(typedAfter, QStringList{QStringLiteral("Q1")});
}

void tst_TextBox::keysThatAreNotTextBypassTheHook_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<Press>>("presses");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("editing keys") << QStringLiteral("ab")
                                  << QList<Press>{{Qt::Key_Return, none, {}}, {Qt::Key_Backspace, none, {}},
                                                  {Qt::Key_Backspace, none, {}}, {Qt::Key_Left, none, {}},
                                                  {Qt::Key_Delete, none, {}}};
    QList<Press> controls{{Qt::Key_B, Qt::ControlModifier, {}}, {Qt::Key_A, Qt::AltModifier, {}}};
    for (const char16_t control : {u'\x02', u'\x1b', u'\x7f', u'\t', u'\x01'})
        controls.append({Qt::Key_unknown, none, QString(QChar(control))});
    QTest::newRow("control characters and chords") << QString() << controls;
}

void tst_TextBox::keysThatAreNotTextBypassTheHook()
{
    QFETCH(QString, start);
    QFETCH(QList<Press>, presses);
    TextBox box;
    box.show();
    int hooked = 0;
    box.setKeyFilter([&](char32_t code) {
        ++hooked;
        return code;
    });
    box.setText(start);
    box.setSelStart(start.size());
    for (const Press &press : presses) {
        if (press.text.isEmpty()) {
            QTest::keyClick(&box, Qt::Key(press.key), press.modifiers);
        } else {
            QKeyEvent event(QEvent::KeyPress, press.key, press.modifiers, press.text);
            QApplication::sendEvent(&box, &event);
        }
    }
    QCOMPARE(hooked, 0);
    QCOMPARE(box.Text(), QString());
}

void tst_TextBox::editingShortcutsKeepTheirAction()
{
    TextBox box;
    box.show();
    box.setKeyFilter([](char32_t code) { return QChar::toUpper(code); });
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
    box.setKeyFilter([&](char32_t code) {
        seen.append(code);
        return code;
    });
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
        std::u32string before;
        std::u32string after;
        enum Kind { Other, Backspace, Delete, Pass } kind = Other;
        qint64 joinAt = -1; // where a following Backspace or Delete joins it
        // Undo leaves the caret after the text it put back, redo after the
        // text it put in, as the stock editor does.
        qint64 undoCaret = 0;
        qint64 redoCaret = 0;
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
        const std::u32string before = now.text;
        now.text.replace(std::size_t(from), std::size_t(to - from), text);
        now.caret = now.anchor = caretAt(from + qint64(text.size()));
        steps.resize(done);
        const bool joins = joinable && !steps.empty() && steps.back().kind == kind
            && ((kind == Step::Backspace && steps.back().joinAt == to)
                || (kind == Step::Delete && steps.back().joinAt == from) || (kind == Step::Pass && passOpen));
        if (!joins)
            steps.push_back(Step{before, now.text, kind, -1, to, 0});
        Step &step = steps.back();
        step.after = now.text;
        step.joinAt = from;
        if (joins && kind == Step::Delete)
            step.undoCaret += to - from;
        if (joins && kind == Step::Pass)
            step.undoCaret = to;
        step.redoCaret = from + qint64(text.size());
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
        --done;
        now.text = steps[done].before;
        now.caret = now.anchor = caretAt(steps[done].undoCaret);
    }

    void redo()
    {
        passOpen = false;
        joinable = false;
        if (done == steps.size())
            return;
        now.text = steps[done].after;
        now.caret = now.anchor = caretAt(steps[done].redoCaret);
        ++done;
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
    box->setKeyFilter([](char32_t code) { return code; });
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
        switch (random.bounded(12)) {
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
        case 4:
            for (quint32 times = 1 + random.bounded(3); times > 0; --times) { // held: the presses join
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
            }
            what = QStringLiteral("Backspace");
            break;
        case 5:
            for (quint32 times = 1 + random.bounded(3); times > 0; --times) {
            QTest::keyClick(box, Qt::Key_Delete);
            if (plain.start() != plain.end()) {
                plain.replace(plain.start(), plain.end(), {}, PlainModel::Step::Delete);
            } else if (plain.now.caret < qint64(plain.now.text.size())) {
                const qint64 to = plain.now.caret + (plain.now.text[std::size_t(plain.now.caret)] == 13 ? 2 : 1);
                plain.replace(plain.now.caret, to, {}, PlainModel::Step::Delete);
            }
            }
            what = QStringLiteral("Delete");
            break;
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
                if (random.bounded(2))
                    box->ReplaceCharAt(i, changed);
                else
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
        case 11: {
            // One character replaced outside a pass: a step of its own.
            if (plain.now.text.empty())
                break;
            const qint64 i = random.bounded(quint32(plain.now.text.size()));
            const char32_t code = plain.now.text[std::size_t(i)];
            const bool lineBreak = code == 13 || code == 10;
            const char32_t changed = lineBreak || random.bounded(2) ? U'x' : QChar::toUpper(code);
            box->ReplaceCharAt(i, changed);
            if (lineBreak) {
                const qint64 from = code == 10 ? i - 1 : i;
                plain.replace(from, from + 2, std::u32string(1, changed), PlainModel::Step::Other);
            } else if (changed != code) {
                plain.replace(i, i + 1, std::u32string(1, changed), PlainModel::Step::Other);
            } else {
                plain.now.caret = plain.now.anchor = plain.caretAt(i + 1);
            }
            what = QStringLiteral("replace at %1").arg(i);
            break;
        }
        }
        const QString problem = agree(what);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
}

void tst_TextBox::undoHistoryKeepsTheNewestStepsWithinItsBound_data()
{
    QTest::addColumn<int>("limit");      // bytes
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("undoable");   // passes that undo can take back
    // A pass over 10,000 characters keeps about 40,000 bytes.
    QTest::newRow("room for two passes") << 100000 << 6 << 2;
    QTest::newRow("room for none: the newest stays") << 1000 << 3 << 1;
    QTest::newRow("room for all") << 1000000 << 4 << 4;
}

void tst_TextBox::undoHistoryKeepsTheNewestStepsWithinItsBound()
{
    QFETCH(int, limit);
    QFETCH(int, passes);
    QFETCH(int, undoable);
    TextBox box;
    box.setUndoLimit(std::size_t(limit));
    box.setText(QStringLiteral("abcdefghij").repeated(1000));
    QStringList texts{box.Text()};
    for (int pass = 0; pass < passes; ++pass) {
        // Each pass another case for every letter: a step of its own.
        box.beginBatch();
        for (qint64 i = 0; i < box.TextLength(); ++i) {
            const char32_t code = box.CharAt(i);
            box.ReplaceCharAt(i, (i + pass) % 2 ? QChar::toUpper(code) : QChar::toLower(code));
        }
        box.endBatch();
        texts << box.Text();
        QVERIFY(box.undoBytes() <= std::max<std::size_t>(std::size_t(limit), 60000));
    }
    for (int undo = 1; undo <= passes; ++undo) {
        box.undo();
        const int expected = std::max(passes - undo, passes - undoable);
        QCOMPARE(box.Text(), texts[expected]);
    }
}

void tst_TextBox::looksLikeTheStockEditor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selectFrom"); // in the stock editor's positions (a break is one)
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<int>("topLine");
    QTest::addColumn<int>("left");      // the horizontal scroll bar
    QString lines;
    for (int i = 0; i < 60; ++i)
        lines += QStringLiteral("line %1 with some words in it\n").arg(i);
    const QString wide = QStringLiteral("abcdefghij ").repeated(40) + QStringLiteral("\nshort\n");
    const QString longLine = QStringLiteral("Lorem ipsum dolor sit amet. ").repeated(200);
    QTest::newRow("empty") << QString() << 0 << 0 << 0 << 0;
    QTest::newRow("lines and kerning") << QStringLiteral("first line\nsecond line\n\nAVAWAY To") << 0 << 0 << 0 << 0;
    QTest::newRow("selection over a break") << QStringLiteral("first line\nsecond line\nthird") << 3 << 12 << 0 << 0;
    QTest::newRow("selection to a line's end") << QStringLiteral("first line\nsecond line") << 3 << 8 << 0 << 0;
    QTest::newRow("scrolled down") << lines << 0 << 0 << 20 << 0;
    QTest::newRow("scrolled to the end") << lines << 0 << 0 << 1000 << 0;
    QTest::newRow("scrolled sideways") << wide << 0 << 0 << 0 << 137;
    QTest::newRow("emoji, accents, right to left")
        << QStringLiteral("a \U0001F600 b e\u0301 \u00e9\n\u05e9\u05dc\u05d5\u05dd abc \u0627\u0644\u0639") << 0 << 0 << 0 << 0;
    QTest::newRow("tabs") << QStringLiteral("a\tb\tc") << 0 << 0 << 0 << 0;
    // Long lines are laid out a chunk at a time; they look the same.
    QTest::newRow("long line, its start") << longLine << 0 << 0 << 0 << 0;
    QTest::newRow("long line, a selection in the middle") << longLine << 2803 << 40 << 0 << 16000;
    QTest::newRow("long line, its end") << longLine + QStringLiteral("\nx") << 0 << 0 << 0 << 1000000;
    // Far longer than the box measures at once: it measures the rest while
    // idle, and meanwhile its scroll bar stood at nothing to scroll.
    QTest::newRow("half a megabyte in one line") << longLine.repeated(100) << 0 << 0 << 0 << 2000000;
}

void tst_TextBox::looksLikeTheStockEditor()
{
    QFETCH(QString, text);
    QFETCH(int, selectFrom);
    QFETCH(int, selectLength);
    QFETCH(int, topLine);
    QFETCH(int, left);
    // The toolkit's own plain-text editor, set up as the box was before it
    // drew itself: the same font, no wrapping, both scroll bars.
    QApplication::setCursorFlashTime(0); // the caret shows all the time
    QWidget window;
    window.resize(640, 240);
    const QFont font = platform::pointFont(QStringLiteral("Verdana"), 8.25);
    auto *stock = new QPlainTextEdit(&window);
    stock->setLineWrapMode(QPlainTextEdit::NoWrap);
    stock->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    stock->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    stock->setFont(font);
    stock->setGeometry(0, 0, 313, 225);
    auto *box = new TextBox(&window);
    box->setFont(font);
    box->setGeometry(320, 0, 313, 225);
    auto *elsewhere = new QPushButton(QStringLiteral("elsewhere"), &window); // holds the focus meanwhile
    elsewhere->move(0, 230);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    stock->setPlainText(text);
    box->setText(text);
    if (selectLength > 0) {
        QTextCursor cursor = stock->textCursor();
        cursor.setPosition(selectFrom);
        cursor.setPosition(selectFrom + selectLength, QTextCursor::KeepAnchor);
        stock->setTextCursor(cursor);
        const QString before = text.left(selectFrom);
        const QString selected = text.mid(selectFrom, selectLength);
        box->setSelStart(before.toUcs4().size() + before.count(QLatin1Char('\n')));
        box->setSelLength(selected.toUcs4().size() + selected.count(QLatin1Char('\n')));
    }
    // At once, however little of a long line could be measured yet, the
    // scroll bar reaches about its end; once measured, exactly.
    const int widthShown = stock->horizontalScrollBar()->maximum();
    QVERIFY2(qAbs(box->horizontalScrollBar()->maximum() - widthShown) <= widthShown / 50,
             qPrintable(QString::number(box->horizontalScrollBar()->maximum())));
    QTRY_COMPARE(box->horizontalScrollBar()->maximum(), widthShown);
    for (QAbstractScrollArea *editor : {static_cast<QAbstractScrollArea *>(stock), static_cast<QAbstractScrollArea *>(box)}) {
        editor->verticalScrollBar()->setValue(topLine);
        editor->horizontalScrollBar()->setValue(left);
    }
    QCOMPARE(box->verticalScrollBar()->maximum(), stock->verticalScrollBar()->maximum());
    QCOMPARE(box->verticalScrollBar()->pageStep(), stock->verticalScrollBar()->pageStep());
    QCOMPARE(box->horizontalScrollBar()->maximum(), stock->horizontalScrollBar()->maximum());
    // Without the focus, then with it (the caret drawn).
    for (bool focused : {false, true}) {
        if (focused)
            stock->setFocus();
        else
            elsewhere->setFocus();
        QApplication::processEvents();
        const QImage expected = stock->grab().toImage();
        if (focused)
            box->setFocus();
        QApplication::processEvents();
        const QImage actual = box->grab().toImage();
        QVERIFY2(actual == expected, focused ? "focused" : "not focused");
    }
    QApplication::setCursorFlashTime(1000);
}

namespace {

// The stock editor's position in the box's model: a line break counts two.
qint64 modelPosition(const QString &text, int stockPosition)
{
    const QString before = text.left(stockPosition);
    return before.toUcs4().size() + before.count(QLatin1Char('\n'));
}

struct SideBySide {
    QWidget window;
    QPlainTextEdit *stock = nullptr;
    TextBox *box = nullptr;

    explicit SideBySide(const QString &text)
    {
        window.resize(640, 240);
        const QFont font = platform::pointFont(QStringLiteral("Verdana"), 8.25);
        stock = new QPlainTextEdit(&window);
        stock->setLineWrapMode(QPlainTextEdit::NoWrap);
        stock->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        stock->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        stock->setFont(font);
        stock->setGeometry(0, 0, 313, 120);
        box = new TextBox(&window);
        box->setFont(font);
        box->setGeometry(320, 0, 313, 120);
        box->setKeyFilter([](char32_t code) { return code; });
        window.show();
        stock->setPlainText(text);
        box->setText(text);
    }

    // Empty when both show the same text and selection.
    QString difference() const
    {
        const QString text = stock->toPlainText();
        const QTextCursor cursor = stock->textCursor();
        const qint64 caret = modelPosition(text, cursor.position());
        const qint64 anchor = modelPosition(text, cursor.anchor());
        QString expected = text;
        expected.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        if (box->Text() != expected)
            return QStringLiteral("text \"%1\", the stock editor's \"%2\"").arg(box->Text(), expected);
        if (box->caretPosition() != caret || box->anchorPosition() != anchor)
            return QStringLiteral("caret %1, anchor %2; the stock editor's %3, %4")
                .arg(box->caretPosition()).arg(box->anchorPosition()).arg(caret).arg(anchor);
        return QString();
    }
};

} // namespace

void tst_TextBox::keysAgreeWithTheStockEditor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start"); // the caret, in the stock editor's positions
    QTest::addColumn<QList<QKeyCombination>>("keys");
    using K = QKeyCombination;
    const auto ctrl = [](Qt::Key key) { return K(Qt::ControlModifier, key); };
    const auto shift = [](Qt::Key key) { return K(Qt::ShiftModifier, key); };
    const QString words = QStringLiteral("one, two  three\nfour five\n\nsix-seven eight.\nnine");
    const QString marks = QStringLiteral("e\u0301a\U0001F600b\u00e9\nx\u0308y\U00010428z\nshort\nlonger line here");
    QTest::newRow("characters over marks, pairs and breaks")
        << marks << 0 << QList<K>{K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Right),
                                  K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Right), K(Qt::Key_Left),
                                  K(Qt::Key_Left), K(Qt::Key_Left), K(Qt::Key_Left)};
    QTest::newRow("words forward") << words << 0
                                   << QList<K>{ctrl(Qt::Key_Right), ctrl(Qt::Key_Right), ctrl(Qt::Key_Right),
                                               ctrl(Qt::Key_Right), ctrl(Qt::Key_Right), ctrl(Qt::Key_Right),
                                               ctrl(Qt::Key_Right), ctrl(Qt::Key_Right), ctrl(Qt::Key_Right)};
    QTest::newRow("words back") << words << int(words.size())
                                << QList<K>{ctrl(Qt::Key_Left), ctrl(Qt::Key_Left), ctrl(Qt::Key_Left),
                                            ctrl(Qt::Key_Left), ctrl(Qt::Key_Left), ctrl(Qt::Key_Left),
                                            ctrl(Qt::Key_Left), ctrl(Qt::Key_Left), ctrl(Qt::Key_Left)};
    QTest::newRow("lines up and down keep the column")
        << marks << int(marks.size())
        << QList<K>{K(Qt::Key_Up), K(Qt::Key_Up), K(Qt::Key_Up), K(Qt::Key_Up), K(Qt::Key_Down), K(Qt::Key_Down),
                    K(Qt::Key_Down), K(Qt::Key_Down)};
    QTest::newRow("line and text ends") << words << 12
                                        << QList<K>{K(Qt::Key_End), K(Qt::Key_Home), ctrl(Qt::Key_End),
                                                    ctrl(Qt::Key_Home), K(Qt::Key_Down), K(Qt::Key_End)};
    QTest::newRow("selecting") << words << 5
                               << QList<K>{shift(Qt::Key_Right), shift(Qt::Key_Down), shift(Qt::Key_End),
                                           K(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_Right),
                                           shift(Qt::Key_Left), K(Qt::Key_Right), shift(Qt::Key_Home),
                                           K(Qt::Key_Left)};
    QTest::newRow("deleting") << marks << 9
                              << QList<K>{K(Qt::Key_Backspace), K(Qt::Key_Backspace), K(Qt::Key_Delete),
                                          K(Qt::Key_Delete), K(Qt::Key_Backspace), K(Qt::Key_Backspace)};
    QTest::newRow("deleting words") << words << 20
                                    << QList<K>{ctrl(Qt::Key_Backspace), ctrl(Qt::Key_Backspace),
                                                ctrl(Qt::Key_Delete), ctrl(Qt::Key_Backspace)};
    QTest::newRow("a selection deleted, undone, redone")
        << words << 2
        << QList<K>{shift(Qt::Key_Down), K(Qt::Key_Delete), ctrl(Qt::Key_Z), K(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)};
    QTest::newRow("pages") << QStringLiteral("line\n").repeated(40) << 0
                           << QList<K>{K(Qt::Key_PageDown), K(Qt::Key_PageDown), K(Qt::Key_PageUp),
                                       shift(Qt::Key_PageDown)};
}

void tst_TextBox::keysAgreeWithTheStockEditor()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(QList<QKeyCombination>, keys);
    SideBySide editors(text);
    QTextCursor cursor = editors.stock->textCursor();
    cursor.setPosition(start);
    editors.stock->setTextCursor(cursor);
    editors.box->setSelStart(modelPosition(text, start));
    QString problem = editors.difference();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    for (int i = 0; i < keys.size(); ++i) {
        QTest::keyClick(editors.stock, keys[i].key(), keys[i].keyboardModifiers());
        QTest::keyClick(editors.box, keys[i].key(), keys[i].keyboardModifiers());
        problem = editors.difference();
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("after key %1: %2").arg(i + 1).arg(problem)));
    }
}

void tst_TextBox::clicksAgreeWithTheStockEditor()
{
    QString text;
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("line %1: some words, e\u0301 and \U0001F600 here\n").arg(i);
    SideBySide editors(text);
    const auto click = [&](QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool twice = false) {
        for (QAbstractScrollArea *editor : {static_cast<QAbstractScrollArea *>(editors.stock),
                                            static_cast<QAbstractScrollArea *>(editors.box)}) {
            QTest::mouseClick(editor->viewport(), Qt::LeftButton, modifiers, at);
            if (twice)
                QTest::mouseDClick(editor->viewport(), Qt::LeftButton, modifiers, at);
        }
        return editors.difference();
    };
    const QList<QPoint> points{{3, 3}, {40, 10}, {97, 23}, {150, 40}, {300, 70}, {12, 100}};
    for (const QPoint &point : points) {
        QString problem = click(point);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("click at (%1,%2): %3").arg(point.x()).arg(point.y()).arg(problem)));
        problem = click(point + QPoint(30, 25), Qt::ShiftModifier);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("shift-click: ") + problem));
        problem = click(point, Qt::NoModifier, true);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("double click: ") + problem));
        // Inside the word just selected: a click places the caret, a
        // Shift+click moves the selection's end.
        problem = click(point + QPoint(2, 0), Qt::ShiftModifier);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("shift-click in a selection: ") + problem));
        click(point, Qt::NoModifier, true);
        problem = click(point + QPoint(2, 0));
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("click in a selection: ") + problem));
    }
    // Scrolled down, the first line shown starts at the top edge.
    editors.stock->verticalScrollBar()->setValue(7);
    editors.box->verticalScrollBar()->setValue(7);
    for (const QPoint &point : points) {
        const QString problem = click(point);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("scrolled, click at (%1,%2): %3").arg(point.x()).arg(point.y()).arg(problem)));
    }
    // A new text shows from its top.
    editors.stock->setPlainText(text);
    editors.box->setText(text);
    QCOMPARE(editors.box->verticalScrollBar()->value(), editors.stock->verticalScrollBar()->value());
}

void tst_TextBox::accessibleTextCountsABreakAsOne()
{
    TextBox box;
    box.show();
    box.setText(QStringLiteral("ab\r\n\U0001F600d\r\n\r\nlast"));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&box);
    QVERIFY(accessible);
    QAccessibleTextInterface *text = accessible->textInterface();
    QAccessibleEditableTextInterface *editable = accessible->editableTextInterface();
    QVERIFY(text && editable);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QCOMPARE(text->characterCount(), 11); // a b \n 😀 d \n \n l a s t
    QCOMPARE(text->text(0, 11), QStringLiteral("ab\n\U0001F600d\n\nlast"));
    QCOMPARE(text->text(3, 5), QStringLiteral("\U0001F600d"));
    int start = 0;
    int end = 0;
    QCOMPARE(text->textAtOffset(4, QAccessible::LineBoundary, &start, &end), QStringLiteral("\U0001F600d\n"));
    QCOMPARE(start, 3);
    QCOMPARE(end, 6);
    QCOMPARE(text->textAtOffset(6, QAccessible::LineBoundary, &start, &end), QStringLiteral("\n"));
    QCOMPARE(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), QStringLiteral("last"));
    QCOMPARE(start, 7);
    // No attributes anywhere: one run, so a reader asks once, not per character.
    QCOMPARE(text->attributes(4, &start, &end), QString());
    QCOMPARE(start, 0);
    QCOMPARE(end, 11);
    // Offsets given back go where they stand in the box's model.
    text->setCursorPosition(7);
    QCOMPARE(box.SelStart(), qint64(10));
    editable->insertText(5, QStringLiteral("X\nY"));
    QCOMPARE(box.Text(), QStringLiteral("ab\r\n\U0001F600dX\r\nY\r\n\r\nlast"));
    editable->deleteText(2, 3); // the first line break
    QCOMPARE(box.Text(), QStringLiteral("ab\U0001F600dX\r\nY\r\n\r\nlast"));
    QCOMPARE(text->cursorPosition(), 2);
}

// A pass along one long line: its widths are measured again once it is
// over, while the program is idle, and the caret stays where it shows
// meanwhile, ending where a box that had the new text from the start has it.
void tst_TextBox::aPassAlongALongLineSettlesWhereItShows()
{
    QString text;
    while (text.size() < 1000000)
        text += QStringLiteral("word ");
    const auto showing = [](TextBox *box) {
        box->resize(300, 200);
        box->window()->show();
        return QTest::qWaitForWindowExposed(box->window());
    };
    QWidget window;
    auto *box = new TextBox(&window);
    QVERIFY(showing(box));
    // (Measuring a megabyte while idle takes a while on a busy machine.)
    box->setText(text);
    QTRY_COMPARE_WITH_TIMEOUT(box->unmeasuredLines(), 0, 60000);
    box->setSelStart(box->TextLength());

    box->beginBatch();
    for (qint64 i = 0; i < box->TextLength(); i += 5)
        box->ReplaceCharAt(i, QStringLiteral("W"));
    box->endBatch();
    box->viewport()->repaint();
    const QRect shown = box->caretRect();
    QVERIFY(box->unmeasuredLines() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(box->unmeasuredLines(), 0, 60000);
    QVERIFY(box->cachesHold());
    QVERIFY2(std::abs(box->caretRect().x() - shown.x()) <= 1,
             qPrintable(QStringLiteral("the caret moved from %1 to %2").arg(shown.x()).arg(box->caretRect().x())));

    QWidget fresh;
    auto *same = new TextBox(&fresh);
    QVERIFY(showing(same));
    same->setText(box->Text());
    same->setSelStart(same->TextLength());
    const int end = box->caretRect().x() + box->horizontalScrollBar()->value();
    const int sameEnd = same->caretRect().x() + same->horizontalScrollBar()->value();
    // (Cut into chunks along other edits, a line's width can differ by a
    // few pixels in a million.)
    QVERIFY2(std::abs(end - sameEnd) <= 1 + sameEnd / 10000, qPrintable(QStringLiteral("the end at %1, not %2").arg(end).arg(sameEnd)));
}

QTEST_MAIN(tst_TextBox)
#include "tst_textbox.moc"
