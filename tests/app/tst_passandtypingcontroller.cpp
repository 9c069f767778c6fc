#include "app/PassAndTypingController.h"
#include "app/frmmain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "controls/textbox/TextBox.h"
#include "support/Doubles.h"

#include <QLabel>
#include <QtTest>

namespace {

constexpr float kUpper = 0.2f; // draws below one half give upper case
constexpr float kLower = 0.7f;

QString ucs4(char32_t code)
{
    return QString::fromUcs4(&code, 1);
}

// The code points of a text, a lone surrogate counted as itself (toUcs4()
// would make every one of them U+FFFD and hide a changed half).
QList<char32_t> codePoints(const QString &text)
{
    QList<char32_t> codes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text.at(i);
        if (unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            codes << QChar::surrogateToUcs4(unit, text.at(i + 1));
            ++i;
        } else {
            codes << unit.unicode();
        }
    }
    return codes;
}

// The main window on a host of doubles, shown so that focus and keys work.
struct Fixture {
    testing::TestHost doubles;
    frmmain window{doubles.host};

    Fixture()
    {
        window.show();
        doubles.eventLoop.processRealEvents = true;
    }
    QString status() const { return window.Label1->text(); }
};

} // namespace

class tst_PassAndTypingController : public QObject {
    Q_OBJECT

private slots:
    void drawCaseMapsHalvesToCases_data();
    void drawCaseMapsHalvesToCases();
    void drawCaseReseedsFromTheClockAfterDrawing();
    void firstDrawIsTheSameAtEveryStart();
    void conversionKeepsOneCodePoint_data();
    void conversionKeepsOneCodePoint();
    void percentagesRoundHalfToEven_data();
    void percentagesRoundHalfToEven();
    void liveModeInsertsTheDrawnCaseAndSaysWhich_data();
    void liveModeInsertsTheDrawnCaseAndSaysWhich();
    void typedKeyReplacesTheSelection();
    void passShowsEveryPercentageThenReady();
    void passOnEmptyTextChangesNothing();
    void passKeepsEveryCharacterApartFromCase_data();
    void passKeepsEveryCharacterApartFromCase();
    void passLeavesTheCaretAtTheEnd();
    void typingDuringAPassLosesNothing();
    void secondClickDuringAPassIsImpossible();
    void shortenedTextStillCountsToHundred();
    void programEndAbandonsThePass();
    void undoTakesTheWholePassBack();
    void undoDuringAPassNeverReachesEarlierText_data();
    void undoDuringAPassNeverReachesEarlierText();
};

void tst_PassAndTypingController::drawCaseMapsHalvesToCases_data()
{
    QTest::addColumn<float>("draw");
    QTest::addColumn<int>("drawnCase");
    QTest::newRow("zero") << 0.0f << 1;
    QTest::newRow("just below half") << std::nextafter(0.5f, 0.0f) << 1;
    QTest::newRow("half") << 0.5f << 2;
    QTest::newRow("just below one") << std::nextafter(1.0f, 0.0f) << 2;
}

void tst_PassAndTypingController::drawCaseMapsHalvesToCases()
{
    QFETCH(float, draw);
    QFETCH(int, drawnCase);
    testing::TestHost doubles;
    doubles.random.values = {draw};
    QCOMPARE(PassAndTypingController::DrawCase(doubles.host), drawnCase);
}

void tst_PassAndTypingController::drawCaseReseedsFromTheClockAfterDrawing()
{
    testing::TestHost doubles;
    doubles.clock.seconds = 45296.25f;
    doubles.random.values = {kUpper, kLower};
    PassAndTypingController::DrawCase(doubles.host);
    QCOMPARE(doubles.random.nextIndex, std::size_t(1));
    QCOMPARE(doubles.random.seeds, std::vector<float>{45296.25f});
}

void tst_PassAndTypingController::firstDrawIsTheSameAtEveryStart()
{
    // Two starts of the program at different times of day: a fresh process
    // generator each, the clock only read after the draw.
    QList<int> firstCases;
    for (float startTime : {100.0f, 70000.5f}) {
        platform::Pcg32Random generator;
        testing::FakeClock clock;
        clock.seconds = startTime;
        testing::TestHost doubles;
        platform::Host host{doubles.eventLoop, clock, generator, doubles.programEnd,
                            doubles.sound, doubles.shell, doubles.messageBoxes};
        firstCases.append(PassAndTypingController::DrawCase(host));
    }
    QCOMPARE(firstCases.at(0), firstCases.at(1));
}

void tst_PassAndTypingController::conversionKeepsOneCodePoint_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<uint>("code");
    QTest::addColumn<uint>("upper");
    QTest::addColumn<uint>("lower");
    const QLocale english(QLocale::English);
    const QLocale turkish(QLocale::Turkish);
    QTest::newRow("a") << english << uint('a') << uint('A') << uint('a');
    QTest::newRow("digit") << english << uint('7') << uint('7') << uint('7');
    QTest::newRow("sharp s stays one letter") << english << 0xDFu << 0xDFu << 0xDFu;
    QTest::newRow("e acute") << english << 0xC9u << 0xC9u << 0xE9u;
    QTest::newRow("greek sigma") << english << 0x3C3u << 0x3A3u << 0x3C3u;
    QTest::newRow("deseret, outside the BMP") << english << 0x10428u << 0x10400u << 0x10428u;
    QTest::newRow("emoji") << english << 0x1F600u << 0x1F600u << 0x1F600u;
    QTest::newRow("ligature ff stays one") << english << 0xFB00u << 0xFB00u << 0xFB00u;
    QTest::newRow("alpha with ypogegrammeni, whose full mapping is two letters") << english << 0x1FB3u << 0x1FBCu
                                                                                 << 0x1FB3u;
    QTest::newRow("capital I with a dot, elsewhere") << english << 0x130u << 0x130u << uint('i');
    QTest::newRow("dotted i elsewhere") << english << uint('i') << uint('I') << uint('i');
    QTest::newRow("turkish dotted i") << turkish << uint('i') << 0x130u << uint('i');
    QTest::newRow("turkish dotless I") << turkish << uint('I') << uint('I') << 0x131u;
}

void tst_PassAndTypingController::conversionKeepsOneCodePoint()
{
    QFETCH(QLocale, locale);
    QFETCH(uint, code);
    QFETCH(uint, upper);
    QFETCH(uint, lower);
    QCOMPARE(uint(PassAndTypingController::ConvertCase(code, PassAndTypingController::Upper, locale)), upper);
    QCOMPARE(uint(PassAndTypingController::ConvertCase(code, PassAndTypingController::Lower, locale)), lower);
}

void tst_PassAndTypingController::percentagesRoundHalfToEven_data()
{
    QTest::addColumn<qint64>("i");
    QTest::addColumn<qint64>("n");
    QTest::addColumn<int>("percent");
    QTest::newRow("1 of 8") << qint64(1) << qint64(8) << 12;
    QTest::newRow("3 of 8") << qint64(3) << qint64(8) << 38;
    QTest::newRow("5 of 8") << qint64(5) << qint64(8) << 62;
    QTest::newRow("7 of 8") << qint64(7) << qint64(8) << 88;
    QTest::newRow("1 of 200") << qint64(1) << qint64(200) << 0;
    QTest::newRow("3 of 200") << qint64(3) << qint64(200) << 2;
    QTest::newRow("all") << qint64(200) << qint64(200) << 100;
    QTest::newRow("none") << qint64(0) << qint64(5) << 0;
}

void tst_PassAndTypingController::percentagesRoundHalfToEven()
{
    QFETCH(qint64, i);
    QFETCH(qint64, n);
    QFETCH(int, percent);
    QCOMPARE(int(PassAndTypingController::PercentDone(i, n)), percent);
}

void tst_PassAndTypingController::liveModeInsertsTheDrawnCaseAndSaysWhich_data()
{
    QTest::addColumn<float>("draw");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    QTest::newRow("a upper") << kUpper << Qt::Key_A << QStringLiteral("A") << QStringLiteral("To uppercase.");
    QTest::newRow("a lower") << kLower << Qt::Key_A << QStringLiteral("a") << QStringLiteral("To lowercase.");
    QTest::newRow("digit upper") << kUpper << Qt::Key_7 << QStringLiteral("7") << QStringLiteral("To uppercase.");
    QTest::newRow("digit lower") << kLower << Qt::Key_7 << QStringLiteral("7") << QStringLiteral("To lowercase.");
}

void tst_PassAndTypingController::liveModeInsertsTheDrawnCaseAndSaysWhich()
{
    QFETCH(float, draw);
    QFETCH(Qt::Key, key);
    QFETCH(QString, text);
    QFETCH(QString, status);
    Fixture fixture;
    fixture.doubles.random.values = {draw};
    QStringList statusAtChange;
    connect(fixture.window.tb, &platform::TextBox::Change, this, [&] { statusAtChange << fixture.status(); });
    QTest::keyClick(fixture.window.tb, key);
    QCOMPARE(fixture.window.tb->Text(), text);
    QCOMPARE(fixture.status(), status);
    // Said once the character is in: the change still finds the old line.
    QCOMPARE(statusAtChange, QStringList{QStringLiteral("  Just type above.")});

    // Backspace and Enter are the box's own: no draw, no new status.
    fixture.window.Label1->setText(QStringLiteral("unchanged"));
    QTest::keyClick(fixture.window.tb, Qt::Key_Return);
    QTest::keyClick(fixture.window.tb, Qt::Key_Backspace);
    QCOMPARE(fixture.status(), QStringLiteral("unchanged"));
    QCOMPARE(fixture.doubles.random.nextIndex, std::size_t(1));
}

void tst_PassAndTypingController::typedKeyReplacesTheSelection()
{
    Fixture fixture;
    fixture.doubles.random.values = {kUpper};
    fixture.window.tb->setText(QStringLiteral("hello world"));
    fixture.window.tb->setSelStart(0);
    fixture.window.tb->setSelLength(5);
    QTest::keyClick(fixture.window.tb, Qt::Key_Q);
    QCOMPARE(fixture.window.tb->Text(), QStringLiteral("Q world"));
    QCOMPARE(fixture.window.tb->SelStart(), qint64(1));
}

void tst_PassAndTypingController::passShowsEveryPercentageThenReady()
{
    Fixture fixture;
    fixture.window.tb->setText(QStringLiteral("abcdefgh"));
    QStringList seen;
    QList<bool> barVisible;
    fixture.doubles.eventLoop.onYield = [&](int) {
        seen.append(fixture.status());
        barVisible.append(fixture.window.pb->isVisible());
        QVERIFY(!fixture.window.XpBs2->Enabled());
    };
    fixture.window.XpBs2_Click();
    seen.append(fixture.status());
    seen.removeFirst(); // the status before the first iteration
    // "100%" is written by the last iteration and replaced by "Ready" before
    // the next yield.
    QCOMPARE(seen, (QStringList{"0%", "12%", "25%", "38%", "50%", "62%", "75%", "88%", "Ready"}));
    QVERIFY(!barVisible.contains(false));
    QVERIFY(!fixture.window.pb->isVisible());
    QVERIFY(fixture.window.XpBs2->Enabled());
    QCOMPARE(fixture.window.pb->Value(), 100);
}

void tst_PassAndTypingController::passOnEmptyTextChangesNothing()
{
    Fixture fixture;
    fixture.window.XpBs2_Click();
    QCOMPARE(fixture.status(), QStringLiteral("  Just type above."));
    QVERIFY(!fixture.window.pb->isVisible());
    QVERIFY(fixture.window.XpBs2->Enabled());
    QCOMPARE(fixture.doubles.eventLoop.yields, 0);
}

void tst_PassAndTypingController::passKeepsEveryCharacterApartFromCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one letter") << QStringLiteral("x");
    QTest::newRow("lines, digits, punctuation")
        << QStringLiteral("How are you?\r\n1234 -- ok!\r\n\r\nLast line.");
    QTest::newRow("emoji and non-BMP letters")
        << (QStringLiteral("a") + ucs4(0x1F600) + ucs4(0x10428) + QStringLiteral("\r\n") + ucs4(0x10400) + QStringLiteral("z"));
    QTest::newRow("sharp s and combining marks") << QStringLiteral("Stra\u00dfe e\u0301\u00c9");
    QTest::newRow("ends with a break") << QStringLiteral("ab\r\n");
    QTest::newRow("NUL inside") << QString::fromUtf16(u"a\0b\0\0C", 6);
    QTest::newRow("lone surrogates") << QString::fromUtf16(u"x\xD800y\xDC00z\xD83D", 6);
    QTest::newRow("right to left") << QStringLiteral("\u05e9\u05dc\u05d5\u05dd abc \u0645\u0631\u062d\u0628\u0627");
    QTest::newRow("stacked combining marks") << QStringLiteral("a\u0301\u0302\u0303B\u20dd");
}

void tst_PassAndTypingController::passKeepsEveryCharacterApartFromCase()
{
    QFETCH(QString, text);
    Fixture fixture;
    fixture.doubles.random.values.clear();
    for (int i = 0; i < 64; ++i)
        fixture.doubles.random.values.push_back(i % 3 == 0 ? kLower : kUpper);
    fixture.window.tb->setText(text);
    fixture.window.XpBs2_Click();
    const QString result = fixture.window.tb->Text();
    const auto before = codePoints(text);
    const auto after = codePoints(result);
    QCOMPARE(after.size(), before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        QVERIFY2(QChar::toLower(after[i]) == QChar::toLower(before[i]), qPrintable(QString::number(i)));
    }
    QCOMPARE(fixture.window.windowTitle(),
             QStringLiteral("Morvane's Tessaly: %1 bytes").arg(before.size()));
}

void tst_PassAndTypingController::passLeavesTheCaretAtTheEnd()
{
    Fixture fixture;
    fixture.doubles.random.values = {kUpper};
    fixture.window.tb->setText(QStringLiteral("ab\r\n9"));
    fixture.window.tb->setSelStart(1);
    QVERIFY(QTest::qWaitForWindowActive(&fixture.window));
    fixture.window.XpBs1->setFocus();
    QVERIFY(!fixture.window.tb->hasFocus());
    fixture.window.XpBs2_Click();
    QCOMPARE(fixture.window.tb->Text(), QStringLiteral("AB\r\n9"));
    QCOMPARE(fixture.window.tb->SelStart(), qint64(5));
    QVERIFY(fixture.window.tb->hasFocus());
}

void tst_PassAndTypingController::typingDuringAPassLosesNothing()
{
    Fixture fixture;
    fixture.doubles.random.values = {kLower};
    const QString original = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    fixture.window.tb->setText(original);
    fixture.doubles.eventLoop.onYield = [&](int yield) {
        if (yield == 5 || yield == 6 || yield == 20)
            QTest::keyClick(fixture.window.tb, Qt::Key_1);
    };
    fixture.window.XpBs2_Click();
    QString result = fixture.window.tb->Text();
    QCOMPARE(result.count(QLatin1Char('1')), 3);
    result.remove(QLatin1Char('1'));
    QCOMPARE(result, original);
    QCOMPARE(fixture.status(), QStringLiteral("Ready"));
}

void tst_PassAndTypingController::secondClickDuringAPassIsImpossible()
{
    Fixture fixture;
    fixture.window.tb->setText(QStringLiteral("some text"));
    int passesStarted = 0;
    QObject::connect(fixture.window.XpBs2, &XpBs::Click, [&] { ++passesStarted; });
    fixture.doubles.eventLoop.onYield = [&](int yield) {
        if (yield == 3) {
            QTest::mouseClick(fixture.window.XpBs2, Qt::LeftButton);
            QTest::keyClick(fixture.window.XpBs2, Qt::Key_Space);
        }
    };
    fixture.window.XpBs2_Click();
    QCOMPARE(passesStarted, 0);
    QCOMPARE(fixture.doubles.eventLoop.yields, 10);
}

void tst_PassAndTypingController::shortenedTextStillCountsToHundred()
{
    Fixture fixture;
    fixture.window.tb->setText(QStringLiteral("abcd"));
    fixture.doubles.eventLoop.onYield = [&](int yield) {
        if (yield == 2)
            fixture.window.tb->setText(QStringLiteral("x"));
    };
    fixture.window.XpBs2_Click();
    QCOMPARE(fixture.window.tb->TextLength(), qint64(1));
    QCOMPARE(fixture.window.pb->Value(), 100);
    QCOMPARE(fixture.status(), QStringLiteral("Ready"));
}

void tst_PassAndTypingController::programEndAbandonsThePass()
{
    Fixture fixture;
    fixture.doubles.random.values = {kUpper};
    fixture.window.tb->setText(QStringLiteral("abcdefgh"));
    fixture.doubles.eventLoop.onYield = [&](int yield) {
        if (yield == 4)
            fixture.doubles.programEnd.end();
    };
    fixture.window.XpBs2_Click();
    // Yields 2 and 3 rewrote the first two letters; nothing ran after the end.
    QCOMPARE(fixture.doubles.eventLoop.yields, 4);
    QCOMPARE(fixture.window.tb->Text(), QStringLiteral("ABcdefgh"));
    QVERIFY(fixture.status() != QStringLiteral("Ready"));
}

void tst_PassAndTypingController::undoTakesTheWholePassBack()
{
    Fixture fixture;
    fixture.doubles.random.values = {kUpper};
    // (A long run without case between letters: the undo record goes on
    // past it.)
    const QString original = QStringLiteral("one line\r\n") + QString(100, QLatin1Char('-')) + QStringLiteral("another line");
    fixture.window.tb->setText(original);
    fixture.window.XpBs2_Click();
    QCOMPARE(fixture.window.tb->Text(), original.toUpper());
    QTest::keyClick(fixture.window.tb, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fixture.window.tb->Text(), original);
}

void tst_PassAndTypingController::undoDuringAPassNeverReachesEarlierText_data()
{
    QTest::addColumn<QList<QKeyCombination>>("atFourthYield");
    QTest::addColumn<QStringList>("afterEachUndo");
    const QKeyCombination undo(Qt::ControlModifier, Qt::Key_Z);
    const QKeyCombination redo(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    // The pass has rewritten "he" when the fourth yield comes.
    QTest::newRow("undo: the first part of the pass goes")
        << QList<QKeyCombination>{undo} << QStringList{"hello worldx", "hello world", "hello world"};
    QTest::newRow("undo and redo")
        << QList<QKeyCombination>{undo, redo}
        << QStringList{"HEllo worldx", "hello worldx", "hello world", "hello world"};
    // A key that edits nothing only lets the screen catch up: the pass
    // stays one step.
    QTest::newRow("a key that edits nothing")
        << QList<QKeyCombination>{QKeyCombination(Qt::Key_Shift)} << QStringList{"hello worldx", "hello world"};
    QTest::newRow("typing") << QList<QKeyCombination>{QKeyCombination(Qt::Key_1)}
                            << QStringList{"HE1llo worldx", "HEllo worldx", "hello worldx", "hello world"};
}

void tst_PassAndTypingController::undoDuringAPassNeverReachesEarlierText()
{
    // Undo at a yield used to leave the pass joining its edits to the step
    // before it, so that one Ctrl+Z after the pass took the typed x too.
    QFETCH(QList<QKeyCombination>, atFourthYield);
    QFETCH(QStringList, afterEachUndo);
    Fixture fixture;
    platform::TextBox &tb = *fixture.window.tb;
    fixture.doubles.random.values = {kLower, kUpper};
    tb.setText(QStringLiteral("hello world"));
    tb.setSelStart(11);
    QTest::keyClick(&tb, Qt::Key_X);
    fixture.doubles.eventLoop.onYield = [&](int yield) {
        if (yield == 4) {
            for (QKeyCombination key : atFourthYield)
                QTest::keyClick(&tb, key.key(), key.keyboardModifiers());
        }
    };
    fixture.window.XpBs2_Click();
    QVERIFY(tb.Text() != QStringLiteral("hello worldx"));

    QStringList seen;
    for (qsizetype i = 0; i < afterEachUndo.size(); ++i) {
        QTest::keyClick(&tb, Qt::Key_Z, Qt::ControlModifier);
        seen << tb.Text();
    }
    QCOMPARE(seen, afterEachUndo);
}

QTEST_MAIN(tst_PassAndTypingController)
#include "tst_passandtypingcontroller.moc"
