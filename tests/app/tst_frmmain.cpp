#include "app/frmmain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/textbox/TextBox.h"
#include "support/Doubles.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {

// A window whose windowing system refuses every move and resize.
class RefusingWindow : public frmmain {
public:
    using frmmain::frmmain;
    int requests = 0;

protected:
    void applyFrame(const FrameTwips &) override { ++requests; }
};

bool requestClose(QWidget &window)
{
    QCloseEvent close;
    QApplication::sendEvent(&window, &close);
    return close.isAccepted();
}

template <typename Window>
int ticksUntilEnd(Window &window, testing::TestHost &doubles)
{
    int ticks = 0;
    while (!doubles.programEnd.hasEnded() && ticks < 1000) {
        window.timer1_Timer();
        ++ticks;
    }
    return ticks;
}

} // namespace

class tst_frmmain : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheLayoutCaptions();
    void titleCountsTheText_data();
    void titleCountsTheText();
    void closeRequestIsRefusedAndStartsTheAnimation();
    void animationEndsAfterTheSameTicksWhateverTheWindowSystem_data();
    void animationEndsAfterTheSameTicksWhateverTheWindowSystem();
    void aWindowNearTheTopEndsSooner();
    void typingStillWorksWhileClosing();
};

void tst_frmmain::opensWithTheLayoutCaptions()
{
    testing::TestHost doubles;
    frmmain window(doubles.host);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Morvane's Tessaly"));
    QCOMPARE(window.Label1->text(), QStringLiteral("  Just type above."));
    QVERIFY(!window.pb->isVisible());
    QVERIFY(!window.timer1->isActive());
    QCOMPARE(window.size(), QSize(314, 245));
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(window.tb->hasFocus());
}

void tst_frmmain::titleCountsTheText_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<int>("count");
    QTest::newRow("one letter, still plural") << QList<int>{Qt::Key_A} << 1;
    QTest::newRow("a b Enter x") << QList<int>{Qt::Key_A, Qt::Key_B, Qt::Key_Return, Qt::Key_X} << 5;
    QTest::newRow("all deleted") << QList<int>{Qt::Key_A, Qt::Key_Backspace} << 0;
}

void tst_frmmain::titleCountsTheText()
{
    QFETCH(QList<int>, keys);
    QFETCH(int, count);
    testing::TestHost doubles;
    frmmain window(doubles.host);
    window.show();
    for (int key : keys)
        QTest::keyClick(window.tb, Qt::Key(key));
    QCOMPARE(window.windowTitle(), QStringLiteral("Morvane's Tessaly: %1 bytes").arg(count));
}

void tst_frmmain::closeRequestIsRefusedAndStartsTheAnimation()
{
    testing::TestHost doubles;
    frmmain window(doubles.host);
    window.show();
    QVERIFY(!requestClose(window));
    QVERIFY(window.isVisible());
    QVERIFY(window.timer1->isActive());
    QCOMPARE(window.timer1->interval(), 80);
    const auto frame = window.animationFrame();
    window.timer1_Timer();
    QVERIFY(!requestClose(window)); // a second request changes nothing
    QCOMPARE(window.animationFrame().top, frame.top - 500);
    QCOMPARE(doubles.programEnd.ends, 0);
}

void tst_frmmain::animationEndsAfterTheSameTicksWhateverTheWindowSystem_data()
{
    QTest::addColumn<bool>("refusing");
    QTest::newRow("freely moving") << false;
    QTest::newRow("refusing") << true;
}

void tst_frmmain::animationEndsAfterTheSameTicksWhateverTheWindowSystem()
{
    QFETCH(bool, refusing);
    testing::TestHost doubles;
    std::unique_ptr<frmmain> window(refusing ? new RefusingWindow(doubles.host) : new frmmain(doubles.host));
    window->move(100, 100);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const int top = window->frameGeometry().top() * 15;
    const int height = window->frameGeometry().height() * 15;
    QVERIFY(!requestClose(*window));

    // Bottom edge = top + height: it rises 1000 twips a tick while the window
    // still shrinks; the tick that takes it above 0 ends the program.
    int expected = 0;
    for (int t = top, h = height; t + h >= 0; t -= 500, h = std::max(h - 500, 27 * 15))
        ++expected;
    QCOMPARE(ticksUntilEnd(*window, doubles), expected);
    QVERIFY(!window->isVisible());
    QCOMPARE(doubles.programEnd.ends, 1);
}

void tst_frmmain::aWindowNearTheTopEndsSooner()
{
    // 245 pixels high at the very top: 3675 twips of bottom edge to lift.
    testing::TestHost doubles;
    RefusingWindow window(doubles.host);
    window.show();
    window.move(0, 0);
    QVERIFY(!requestClose(window));
    QCOMPARE(ticksUntilEnd(window, doubles), 4);

    testing::TestHost lowDoubles;
    RefusingWindow lower(lowDoubles.host);
    lower.show();
    lower.move(0, 100); // 1500 twips lower: two more ticks
    QVERIFY(!requestClose(lower));
    QCOMPARE(ticksUntilEnd(lower, lowDoubles), 6);
}

void tst_frmmain::typingStillWorksWhileClosing()
{
    testing::TestHost doubles;
    doubles.random.values = {0.9f};
    frmmain window(doubles.host);
    window.show();
    QVERIFY(!requestClose(window));
    window.timer1_Timer();
    QTest::keyClick(window.tb, Qt::Key_Q);
    QCOMPARE(window.tb->Text(), QStringLiteral("q"));
}

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
