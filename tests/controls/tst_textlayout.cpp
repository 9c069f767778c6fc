#include "controls/textbox/TextLayout.h"

#include <QTextLayout>
#include <QtTest>

#include <set>

using platform::TextLayout;
using platform::TextModel;

namespace {

// Replaces [from, to) of the text with text given as the user gives it.
struct Edit {
    qint64 from;
    qint64 to;
    QString text;
};

QString repeated(const QString &piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// A line's width as one layout of the whole line draws it.
qreal wholeWidth(const TextModel &model, qint64 line, const QFont &font)
{
    QTextLayout layout(TextModel::toUtf16(model.view(model.lineStart(line), model.lineEnd(line))), font);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    textLine.setLineWidth(1e9);
    layout.endLayout();
    return textLine.naturalTextWidth();
}

void measureAll(TextLayout &layout)
{
    for (int round = 0; round < 10000 && !(layout.measureSome(1000) && layout.unmeasured() == 0); ++round) {
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Edit>)

// The text box's layout of its lines, followed through edits. (What it
// draws is compared with the stock editor's pixels in tst_textbox.)
class tst_TextLayout : public QObject {
    Q_OBJECT

private slots:
    void widthsFollowEdits_data();
    void widthsFollowEdits();
};

void tst_TextLayout::widthsFollowEdits_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<Edit>>("edits");
    QTest::addColumn<bool>("batch"); // the edits in one batch, as a pass makes them

    const QString words = repeated(QStringLiteral("word "), 1000); // 5,000 characters: laid out in chunks
    QTest::newRow("typing along a long line")
        << words << QList<Edit>{{2500, 2500, "X"}, {2501, 2501, "Y"}, {2502, 2502, "Z"}} << false;
    QTest::newRow("a deletion across chunks") << words << QList<Edit>{{600, 2200, {}}} << false;
    QTest::newRow("a long line cut short") << words << QList<Edit>{{0, 4200, {}}} << false;
    QTest::newRow("a short line grown long") << QStringLiteral("abc") << QList<Edit>{{1, 1, words}} << false;
    QTest::newRow("a paste longer than a chunk can be")
        << words << QList<Edit>{{1000, 1000, repeated(QStringLiteral("WIDE "), 900)}} << false;
    QTest::newRow("the widest line removed")
        << (QStringLiteral("short\r\n") + words + QStringLiteral("\r\nmiddle line"))
        << QList<Edit>{{7, 7 + 5002, {}}} << false;
    QTest::newRow("lines inserted above a long one")
        << (QStringLiteral("a\r\n") + words) << QList<Edit>{{0, 0, QStringLiteral("x\r\ny\r\n")}, {10, 12, "M"}} << false;
    QTest::newRow("marks where chunks would be cut")
        << repeated(QStringLiteral("e\u0301\u0302"), 2000) << QList<Edit>{{512, 512, QStringLiteral("\u0301")}} << false;
    // The first letters of words made upper case, one by one across most of
    // the chunks: the widths they had stand in while the batch goes on, and
    // give way to the new ones all at once after it.
    // (Long enough to be measured again over several slices.)
    QList<Edit> pass;
    for (int i = 0; i < 4000; ++i)
        pass.push_back({i * 20, i * 20 + 1, QStringLiteral("W")});
    QTest::newRow("a pass along a long line") << repeated(QStringLiteral("word "), 20000) << pass << true;
}

void tst_TextLayout::widthsFollowEdits()
{
    QFETCH(QString, start);
    QFETCH(QList<Edit>, edits);
    QFETCH(bool, batch);
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    TextModel model;
    TextLayout layout(model);
    layout.setFont(font);
    layout.linesChanged(model.replace(0, 0, TextModel::fromUser(start)));
    measureAll(layout);

    layout.setDeferred(batch);
    for (const Edit &edit : edits) {
        // Laid out where the edit goes, as a screen showing it would be.
        const qint64 line = model.lineOf(edit.from);
        layout.piece(line, layout.xOf(line, edit.from) - 200, layout.xOf(line, edit.from) + 200);
        layout.linesChanged(model.replace(edit.from, edit.to, TextModel::fromUser(edit.text)));
        QVERIFY(layout.cachesHold());
        if (!batch)
            layout.measureEdited(0);
        QVERIFY(layout.cachesHold());
    }
    if (batch) {
        // Measured a little at a time, the line's width changes once.
        layout.setDeferred(false);
        std::set<qreal> shown{layout.contentWidth()};
        for (int round = 0; round < 100000 && layout.unmeasured() > 0; ++round) {
            layout.measureSome(1);
            QVERIFY(layout.cachesHold());
            shown.insert(layout.contentWidth());
        }
        QVERIFY2(shown.size() <= 2, qPrintable(QStringLiteral("%1 widths shown").arg(shown.size())));
    }
    measureAll(layout);

    QVERIFY(layout.cachesHold());
    QCOMPARE(layout.unmeasured(), 0);
    qreal widest = 0;
    for (qint64 line = 0; line < model.lineCount(); ++line) {
        const qreal whole = wholeWidth(model, line, font);
        widest = std::max(widest, whole);
        const qreal end = layout.xOf(line, model.lineEnd(line)) - TextLayout::kMargin;
        QVERIFY2(std::abs(end - whole) <= 1 + whole / 200,
                 qPrintable(QStringLiteral("line %1 ends at %2, whole %3").arg(line).arg(end).arg(whole)));
    }
    const qreal content = layout.contentWidth() - 2 * TextLayout::kMargin;
    QVERIFY2(std::abs(content - widest) <= 1 + widest / 200,
             qPrintable(QStringLiteral("content %1, widest line %2").arg(content).arg(widest)));
}

QTEST_MAIN(tst_TextLayout)
#include "tst_textlayout.moc"
