#include "platform/TextBox.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QSignalSpy>
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

QTEST_MAIN(tst_TextBox)
#include "tst_textbox.moc"
