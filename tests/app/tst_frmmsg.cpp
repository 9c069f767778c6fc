#include "app/FormLabel.h"
#include "app/Program.h"
#include "app/frmSplash.h"
#include "app/frmmsg.h"
#include "platform/host/Timer.h"
#include "platform/forms/Units.h"
#include "support/Doubles.h"

#include <QScreen>
#include <QCloseEvent>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString kTwoLines = QStringLiteral("first line\r\nsecond line");

// One program with its popup, on a clock of the test's own: the popup's
// timers fire, and its waits go on, only as that clock moves, and a wait
// moves it straight to the next thing due. The splash window that the popup
// reads from is kept from starting the hand-over in the middle of a test.
struct Popup {
    testing::TestHost doubles{testing::Timing::Fake};
    testing::FakeClock &clock = doubles.clock;
    Program program{doubles.host};
    frmmsg &popup = program.popup();

    Popup() { program.splash().delaytimer->stop(); }

    // What the user or another window does, ms from now on the test's clock.
    void after(int ms, std::function<void()> action) { clock.singleShot(ms, nullptr, std::move(action)); }
};

// Ends a wait that the test expected to end by itself, so that a fault
// fails the test instead of hanging it. Once gone, it fires no more.
struct Watchdog {
    explicit Watchdog(Popup &fixture, int ms = 3000)
    {
        fixture.clock.singleShot(ms, &alive, [this, &fixture] {
            fired = true;
            fixture.popup.Label2_Click();
        });
    }
    QObject alive;
    bool fired = false;
};

void clickLink(frmmsg &popup)
{
    QTest::mouseClick(popup.Label2, Qt::LeftButton);
}

enum class Waiting { Next, Close, Time0, TimeNegative };

void runWaiting(frmmsg &popup, Waiting operation, const QString &message)
{
    switch (operation) {
    case Waiting::Next:
        popup.shownext(message);
        break;
    case Waiting::Close:
        popup.showclose(message);
        break;
    case Waiting::Time0:
        popup.showtime(message, 0);
        break;
    case Waiting::TimeNegative:
        popup.showtime(message, -1);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Waiting)

class tst_frmmsg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void messageGoesToTheLabelForItsLineCount_data();
    void messageGoesToTheLabelForItsLineCount();
    void waitingOperationsShowTheirLinkAndReturnOnlyAfterTheClick_data();
    void waitingOperationsShowTheirLinkAndReturnOnlyAfterTheClick();
    void linkTextOutlivesTheWait();
    void showtimeClosesItselfWhenTheTimeRunsOut_data();
    void showtimeClosesItselfWhenTheTimeRunsOut();
    void strayAutoCloseTick_data();
    void strayAutoCloseTick();
    void nestedWaitEndsWithOneClick();
    void programEndReturnsEveryWaitAtOnce();
    void closeRequestEndsTheWait();
    void keysEndTheWaitAsTheLinkDoes_data();
    void keysEndTheWaitAsTheLinkDoes();
    void segmentSweepsBetweenTheEnds();
    void segmentIsDrawnOverTheLine();
    void linkUnderlinesOnHover_data();
    void linkUnderlinesOnHover();
    void everyShowingTakesTheProductNameAndLogo();
    void productNameIsNotCutOff();
    void borderlessTopmostAndCentredOnlyWhenFirstShown();
};

void tst_frmmsg::initTestCase()
{
    platform::installFontSubstitutions();
}

void tst_frmmsg::messageGoesToTheLabelForItsLineCount_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("twoLineLabel");
    QTest::addColumn<QString>("oneLineLabel");
    QTest::newRow("CR LF") << kTwoLines << kTwoLines << QString();
    QTest::newRow("CR LF at the end") << QStringLiteral("only\r\n") << QStringLiteral("only\r\n") << QString();
    QTest::newRow("LF only") << QStringLiteral("a\nb") << QString() << QStringLiteral("a\nb");
    QTest::newRow("CR only") << QStringLiteral("a\rb") << QString() << QStringLiteral("a\rb");
    QTest::newRow("LF CR") << QStringLiteral("a\n\rb") << QString() << QStringLiteral("a\n\rb");
    QTest::newRow("one line") << QStringLiteral("hello") << QString() << QStringLiteral("hello");
    QTest::newRow("empty") << QString() << QString() << QString();
}

void tst_frmmsg::messageGoesToTheLabelForItsLineCount()
{
    QFETCH(QString, message);
    QFETCH(QString, twoLineLabel);
    QFETCH(QString, oneLineLabel);
    Popup fixture;
    frmmsg &popup = fixture.popup;

    // GIVEN both labels have held a message before
    popup.Showstatus(QStringLiteral("left over"));
    popup.Showstatus(QStringLiteral("left\r\nover"));
    // WHEN
    popup.Showstatus(message);
    // THEN the message is in one label, unchanged, and the other is empty
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.Label1->Caption(), twoLineLabel);
    QCOMPARE(popup.Label4->Caption(), oneLineLabel);
}

void tst_frmmsg::waitingOperationsShowTheirLinkAndReturnOnlyAfterTheClick_data()
{
    QTest::addColumn<Waiting>("operation");
    QTest::addColumn<QString>("link");
    QTest::newRow("shownext") << Waiting::Next << QStringLiteral("Next");
    QTest::newRow("showclose") << Waiting::Close << QStringLiteral("Close");
    QTest::newRow("showtime without a time") << Waiting::Time0 << QString();
    QTest::newRow("showtime with a negative time") << Waiting::TimeNegative << QString();
}

void tst_frmmsg::waitingOperationsShowTheirLinkAndReturnOnlyAfterTheClick()
{
    QFETCH(Waiting, operation);
    QFETCH(QString, link);
    Popup fixture;
    frmmsg &popup = fixture.popup;
    popup.Showstatus(QStringLiteral("before")); // the link reads "Close" from the layout

    // Another window's timer goes on ticking while the popup waits.
    int ticks = 0;
    const std::unique_ptr<platform::Timer> other(fixture.clock.newTimer(nullptr));
    connect(other.get(), &platform::Timer::timeout, [&] { ++ticks; });
    other->setInterval(10);
    other->start();

    bool shownWhileWaiting = false;
    QString linkWhileWaiting;
    QString messageWhileWaiting;
    int ticksBeforeClick = -1;
    bool clicked = false;
    fixture.after(0, [&] {
        shownWhileWaiting = popup.isVisible();
        linkWhileWaiting = popup.Label2->Caption();
        messageWhileWaiting = popup.Label1->Caption();
    });
    fixture.after(195, [&] {
        ticksBeforeClick = ticks;
        clicked = true;
        clickLink(popup);
    });
    Watchdog watchdog(fixture);

    runWaiting(popup, operation, kTwoLines);

    QVERIFY(clicked);
    QVERIFY(!watchdog.fired);
    QCOMPARE(fixture.clock.elapsedMs(), 195); // returned on the click
    QVERIFY(shownWhileWaiting);
    QCOMPARE(linkWhileWaiting, link);
    QCOMPARE(messageWhileWaiting, kTwoLines);
    QCOMPARE(ticksBeforeClick, 19); // every one of them, 10 ms apart
    QVERIFY(!popup.isVisible());
    QCOMPARE(popup.Label1->Caption(), QString());
    QCOMPARE(popup.Label4->Caption(), QString());
}

void tst_frmmsg::linkTextOutlivesTheWait()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    fixture.after(0, [&] { clickLink(popup); });
    Watchdog watchdog(fixture);
    popup.shownext(QStringLiteral("one"));
    QCOMPARE(popup.Label2->Caption(), QStringLiteral("Next"));

    // Showstatus leaves the link alone and does not wait.
    popup.Showstatus(QStringLiteral("status"));
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.Label2->Caption(), QStringLiteral("Next"));
    QCOMPARE(popup.Label4->Caption(), QStringLiteral("status"));
    popup.hidemsg();
    QVERIFY(!popup.isVisible());
    QCOMPARE(popup.Label2->Caption(), QStringLiteral("Next"));
    QVERIFY(!watchdog.fired);
}

void tst_frmmsg::showtimeClosesItselfWhenTheTimeRunsOut_data()
{
    QTest::addColumn<int>("time");
    QTest::newRow("1 ms") << 1;
    QTest::newRow("150 ms") << 150;
    QTest::newRow("3 s") << 3000;
}

void tst_frmmsg::showtimeClosesItselfWhenTheTimeRunsOut()
{
    QFETCH(int, time);
    Popup fixture;
    frmmsg &popup = fixture.popup;
    bool upJustBefore = false;
    fixture.after(time - 1, [&] { upJustBefore = popup.isVisible(); });
    Watchdog watchdog(fixture, time + 1000);

    popup.showtime(QStringLiteral("gone soon"), time);

    QVERIFY(!watchdog.fired);
    QVERIFY(upJustBefore);
    QCOMPARE(fixture.clock.elapsedMs(), time);
    QVERIFY(!popup.isVisible());
    QVERIFY(!popup.Timer2->isActive()); // one shot
}

void tst_frmmsg::strayAutoCloseTick_data()
{
    QTest::addColumn<bool>("waitRunningWhenItFires");
    QTest::newRow("ends the wait that runs then") << true;
    QTest::newRow("does nothing when nothing waits") << false;
}

void tst_frmmsg::strayAutoCloseTick()
{
    QFETCH(bool, waitRunningWhenItFires);
    Popup fixture;
    frmmsg &popup = fixture.popup;

    // GIVEN a timed message closed by a click long before its time
    fixture.after(0, [&] { clickLink(popup); });
    popup.showtime(QStringLiteral("timed"), 300);
    QCOMPARE(fixture.clock.elapsedMs(), 0);
    QVERIFY(popup.Timer2->isActive());

    if (waitRunningWhenItFires) {
        // WHEN a message that waits for "Next" is up as the timer fires
        Watchdog watchdog(fixture);
        popup.shownext(QStringLiteral("next"));
        // THEN that wait ends as if the link had been clicked
        QVERIFY(!watchdog.fired);
        QCOMPARE(fixture.clock.elapsedMs(), 300);
        QVERIFY(!popup.isVisible());
        QVERIFY(!popup.Timer2->isActive());
    } else {
        // WHEN the timer fires while nothing waits
        fixture.clock.advance(300);
        QVERIFY(!popup.Timer2->isActive());
        QVERIFY(!popup.isVisible());
        // THEN the next wait still needs its click
        bool stillWaiting = false;
        fixture.after(200, [&] {
            stillWaiting = popup.isVisible();
            clickLink(popup);
        });
        Watchdog watchdog(fixture);
        popup.shownext(QStringLiteral("next"));
        QVERIFY(stillWaiting);
        QVERIFY(!watchdog.fired);
        QCOMPARE(fixture.clock.elapsedMs(), 500);
    }
}

void tst_frmmsg::nestedWaitEndsWithOneClick()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    QStringList log;
    int clicks = 0;
    fixture.after(0, [&] {
        // A handler running inside the first wait starts a second one.
        fixture.after(50, [&] {
            log << QStringLiteral("inner shows ") + popup.Label2->Caption() + QLatin1Char(' ')
                       + popup.Label4->Caption();
            ++clicks;
            clickLink(popup);
        });
        popup.showclose(QStringLiteral("inner"));
        log << QStringLiteral("inner returned, visible %1").arg(popup.isVisible());
    });
    Watchdog watchdog(fixture);
    popup.shownext(QStringLiteral("outer"));
    log << QStringLiteral("outer returned, visible %1").arg(popup.isVisible());

    QVERIFY(!watchdog.fired);
    QCOMPARE(clicks, 1);
    QCOMPARE(log, (QStringList{QStringLiteral("inner shows Close inner"), QStringLiteral("inner returned, visible 0"),
                               QStringLiteral("outer returned, visible 0")}));
    QCOMPARE(popup.Label2->Caption(), QStringLiteral("Close"));
}

void tst_frmmsg::programEndReturnsEveryWaitAtOnce()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    bool innerReturned = false;
    fixture.after(0, [&] {
        fixture.after(50, [&] { fixture.doubles.programEnd.end(); });
        popup.shownext(QStringLiteral("inner"));
        innerReturned = true;
    });
    Watchdog watchdog(fixture);
    popup.showclose(QStringLiteral("outer"));

    QVERIFY(!watchdog.fired);
    QVERIFY(innerReturned);
    QCOMPARE(fixture.clock.elapsedMs(), 50); // neither slept on
    QCOMPARE(fixture.doubles.programEnd.ends, 1);
    // Nothing ran after the waits: the message was not cleared away.
    QCOMPARE(popup.Label4->Caption(), QStringLiteral("inner"));
}

void tst_frmmsg::closeRequestEndsTheWait()
{
    // Alt+F4 or a window manager's close on a waiting popup used to hide it
    // and leave the wait with nothing left to click.
    Popup fixture;
    frmmsg &popup = fixture.popup;
    fixture.after(50, [&] {
        QCloseEvent close;
        QApplication::sendEvent(&popup, &close);
        QVERIFY(!close.isAccepted());
    });
    Watchdog watchdog(fixture);
    popup.shownext(QStringLiteral("close me"));
    QVERIFY(!watchdog.fired);
    QVERIFY(!popup.isVisible());

    // Outside a wait, a close just hides it.
    popup.Showstatus(QStringLiteral("status"));
    QVERIFY(popup.isVisible());
    popup.close();
    QVERIFY(!popup.isVisible());
}

void tst_frmmsg::keysEndTheWaitAsTheLinkDoes_data()
{
    QTest::addColumn<Waiting>("operation");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ends");
    QTest::newRow("Enter on Next") << Waiting::Next << int(Qt::Key_Return) << true;
    QTest::newRow("Space on Next") << Waiting::Next << int(Qt::Key_Space) << true;
    QTest::newRow("Escape on Next") << Waiting::Next << int(Qt::Key_Escape) << true;
    QTest::newRow("Escape on Close") << Waiting::Close << int(Qt::Key_Escape) << true;
    QTest::newRow("a letter on Close") << Waiting::Close << int(Qt::Key_A) << false;
}

void tst_frmmsg::keysEndTheWaitAsTheLinkDoes()
{
    QFETCH(Waiting, operation);
    QFETCH(int, key);
    QFETCH(bool, ends);
    Popup fixture;
    frmmsg &popup = fixture.popup;
    bool focused = false;
    bool underlined = false;
    fixture.after(100, [&] {
        focused = popup.Label2->hasFocus();
        underlined = popup.Label2->font().underline();
        QTest::keyClick(popup.Label2, Qt::Key(key));
    });
    Watchdog watchdog(fixture, 600);
    runWaiting(popup, operation, QStringLiteral("keys"));
    QVERIFY(focused);    // the popup took the keyboard to its link
    QVERIFY(underlined); // which shows it as the pointer would
    QCOMPARE(watchdog.fired, !ends);
    QVERIFY(!popup.isVisible());
}

void tst_frmmsg::segmentSweepsBetweenTheEnds()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    QCOMPARE(popup.picLeft(), 2400);
    QVERIFY(!popup.isVisible()); // it runs whether shown or not

    // One step every 50 ms; the first already meets the right end and
    // turns back.
    QList<int> positions;
    for (int i = 0; i < 1 + 16 + 16 + 16; ++i) {
        const int before = popup.picLeft();
        fixture.clock.advance(49);
        QCOMPARE(popup.picLeft(), before);
        fixture.clock.advance(1);
        positions << popup.picLeft();
        QCOMPARE(popup.pic->x() * 15, popup.picLeft());
        QCOMPARE(popup.animate1->isActive(), !popup.animate2->isActive());
    }
    QList<int> expected{2400};
    for (int left = 2250; left >= 0; left -= 150)
        expected << left;
    for (int left = 150; left <= 2400; left += 150)
        expected << left;
    for (int left = 2250; left >= 0; left -= 150)
        expected << left;
    QCOMPARE(positions, expected);

    for (int i = 0; i < 500; ++i) {
        fixture.clock.advance(50);
        QVERIFY2(popup.picLeft() >= 0 && popup.picLeft() <= 2400, qPrintable(QString::number(popup.picLeft())));
    }
}

void tst_frmmsg::segmentIsDrawnOverTheLine()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    fixture.clock.advance(50 + 6 * 50); // the turn, then six steps left
    QCOMPARE(popup.picLeft(), 1500);    // 100 pixels
    popup.Showstatus(QString());
    const QImage image = popup.grab().toImage();
    const int lineY = 3 + 1080 / 15 + 1; // the frame starts 3 pixels in
    QCOMPARE(QColor(image.pixel(3 + 100, lineY)), QColor(67, 117, 154));
    QCOMPARE(QColor(image.pixel(3 + 100 + 48, lineY)), QColor(67, 117, 154));
    QCOMPARE(QColor(image.pixel(3 + 99, lineY)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(3 + 100 + 49, lineY)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(1, 1)), QColor(Qt::black)); // the window's margin
    QCOMPARE(QColor(image.pixel(5, 100)), QColor(Qt::white));
}

void tst_frmmsg::linkUnderlinesOnHover_data()
{
    QTest::addColumn<QList<QPoint>>("path"); // points in the frame
    QTest::addColumn<bool>("underlined");
    const QPoint link(180, 64);
    const QPoint bareFrame(10, 40);
    const QPoint messageLabel(100, 86);
    const QPoint logo(100, 45);
    QTest::newRow("never over the link") << QList<QPoint>{bareFrame} << false;
    QTest::newRow("over the link") << QList<QPoint>{bareFrame, link} << true;
    QTest::newRow("link, then bare frame") << QList<QPoint>{link, bareFrame} << false;
    QTest::newRow("link, then straight onto a label") << QList<QPoint>{link, messageLabel} << true;
    QTest::newRow("link, then the logo") << QList<QPoint>{link, logo} << true;
    QTest::newRow("link, label, bare frame") << QList<QPoint>{link, messageLabel, bareFrame} << false;
}

void tst_frmmsg::linkUnderlinesOnHover()
{
    QFETCH(QList<QPoint>, path);
    QFETCH(bool, underlined);
    Popup fixture;
    frmmsg &popup = fixture.popup;
    popup.Showstatus(QStringLiteral("hover"));
    QVERIFY(QTest::qWaitForWindowExposed(&popup));
    popup.Label2->clearFocus(); // the pointer alone
    QVERIFY(!popup.Label2->font().underline());
    for (const QPoint &point : path)
        QTest::mouseMove(&popup, popup.Frame1->mapTo(&popup, point));
    QCOMPARE(popup.Label2->font().underline(), underlined);
}

void tst_frmmsg::everyShowingTakesTheProductNameAndLogo()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    frmSplash &splash = fixture.program.splash();
    QCOMPARE(popup.lblProductName->Caption(), QStringLiteral("Morvane APP"));

    popup.Showstatus(QStringLiteral("first"));
    QCOMPARE(popup.lblProductName->Caption(), QStringLiteral("Morvane's Tessaly"));
    QVERIFY(!popup.imgLogo->pixmap().isNull());
    QCOMPARE(popup.imgLogo->pixmap().cacheKey(), splash.imgLogo->pixmap().cacheKey());

    // Every showing takes them again.
    popup.hidemsg();
    popup.lblProductName->setCaption(QStringLiteral("Renamed"));
    popup.imgLogo->setPixmap(QPixmap());
    popup.Showstatus(QStringLiteral("second"));
    QCOMPARE(popup.lblProductName->Caption(), QStringLiteral("Morvane's Tessaly"));
    QCOMPARE(popup.imgLogo->pixmap().cacheKey(), splash.imgLogo->pixmap().cacheKey());
}

void tst_frmmsg::productNameIsNotCutOff()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    popup.Showstatus(QString());
    const FormLabel &name = *popup.lblProductName;
    // Wider than the 149-pixel box it was laid out for ...
    QVERIFY(name.fontMetrics().horizontalAdvance(name.text()) > 2235 / 15);
    // ... it is shown whole, about the box's centre, inside the frame.
    QVERIFY(name.fontMetrics().horizontalAdvance(name.text()) <= name.width());
    QVERIFY(qAbs(name.geometry().center().x() - (375 + 2235 / 2) / 15) <= 1);
    QVERIFY(popup.Frame1->rect().contains(name.geometry()));
}

void tst_frmmsg::borderlessTopmostAndCentredOnlyWhenFirstShown()
{
    Popup fixture;
    frmmsg &popup = fixture.popup;
    QVERIFY(popup.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(popup.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(popup.windowType(), Qt::Tool);
    QCOMPARE(popup.size(), QSize(216, 111));

    popup.Showstatus(QStringLiteral("centred"));
    const QRect screen = popup.screen()->availableGeometry();
    QVERIFY(qAbs(popup.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(popup.frameGeometry().center().y() - screen.center().y()) <= 1);

    popup.move(20, 30);
    popup.hidemsg();
    popup.Showstatus(QStringLiteral("where it was"));
    QCOMPARE(popup.pos(), QPoint(20, 30));
}

QTEST_MAIN(tst_frmmsg)
#include "tst_frmmsg.moc"
