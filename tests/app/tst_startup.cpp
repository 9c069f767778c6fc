#include "app/FormLabel.h"
#include "app/Program.h"
#include "app/frmSplash.h"
#include "app/frmmain.h"
#include "app/frmmsg.h"
#include "platform/forms/Units.h"
#include "support/Doubles.h"

#include <QCloseEvent>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// What the user sees of one introductory message, taken while it is up and
// again just before its link is clicked.
struct Step {
    QString message;
    QString link;
    QString productName;
    bool splashVisible = true;
    bool mainWindowLoadedWhenShown = true;
    bool mainWindowLoadedBeforeClick = true;
};

// Plays the user during the introduction: each time the popup comes up with
// a message, it notes what is shown and, a little later, clicks the link.
class User : public QObject {
public:
    // Looks and clicks on the program's own clock: on a fake one, the
    // introduction runs through with no real waiting.
    User(Program &program, int clickAfterMs)
        : m_program(program)
        , m_clickAfterMs(clickAfterMs)
        , m_poll(program.host().clock.newTimer(this))
    {
        connect(m_poll, &platform::Timer::timeout, this, &User::look);
        m_poll->setInterval(5);
        m_poll->start();
    }

    QList<Step> steps;
    // Run instead of the click at the given step (1-based), if set; or
    // before it, going on with the introduction, when clickAfterInterrupt.
    int interruptAtStep = 0;
    std::function<void()> interrupt;
    bool clickAfterInterrupt = false;

private:
    void look()
    {
        if (m_clickPending || !m_program.hasPopup())
            return;
        frmmsg &popup = m_program.popup();
        if (!popup.isVisible())
            return;
        Step step;
        step.message = popup.Label1->Caption();
        step.link = popup.Label2->Caption();
        // A look in the same pass as the click can still find the message
        // just clicked away; each message of the introduction is a new one.
        if (!steps.isEmpty() && steps.last().message == step.message && steps.last().link == step.link)
            return;
        step.productName = popup.lblProductName->Caption();
        step.splashVisible = m_program.splash().isVisible();
        step.mainWindowLoadedWhenShown = m_program.hasMainWindow();
        steps << step;
        m_clickPending = true;
        m_program.host().clock.singleShot(m_clickAfterMs, this, [this, &popup] {
            m_clickPending = false;
            steps.last().mainWindowLoadedBeforeClick = m_program.hasMainWindow();
            if (steps.size() == interruptAtStep && interrupt) {
                if (!clickAfterInterrupt)
                    m_poll->stop();
                interrupt();
                if (!clickAfterInterrupt)
                    return;
            }
            QTest::mouseClick(popup.Label2, Qt::LeftButton);
        });
    }

    Program &m_program;
    int m_clickAfterMs;
    bool m_clickPending = false;
    platform::Timer *m_poll;
};

const QString kMessage1 = QStringLiteral("This is the final freeware by \r\n Morvane for the year 2003.");
const QString kMessage2 = QStringLiteral("This randomly changes what\r\nyou typed into upper or lower cases,");
const QString kMessage3 = QStringLiteral("Achieving this kind of effect:\r\nhOw ARe YoU?");

} // namespace

class tst_startup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void startShowsOnlyTheSplash();
    void introductionComesInOrderAndTheMainWindowLast();
    void timersDriveTheWholeStartUp();
    void programEndDuringTheIntroductionStopsTheHandOver_data();
    void programEndDuringTheIntroductionStopsTheHandOver();
    void logoClickEndsTheProgramBeforeTheHandOver_data();
    void logoClickEndsTheProgramBeforeTheHandOver();
    void logoClickWithAnotherWindowLoadedOnlyUnloadsTheSplash();
    void closeRequestOnceTheHandOverHasBegunIsIgnored_data();
    void closeRequestOnceTheHandOverHasBegunIsIgnored();
    // Last: a real program end leaves every later event loop at once.
    void logoClickWithTheRealEndHidesEverythingAndStopsTheTimers();
};

void tst_startup::initTestCase()
{
    platform::installFontSubstitutions();
}

void tst_startup::startShowsOnlyTheSplash()
{
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    QVERIFY(program.hasSplash());
    QVERIFY(program.splash().isVisible());
    QVERIFY(!program.hasPopup());
    QVERIFY(!program.hasMainWindow());
    program.splash().delaytimer->stop();
}

void tst_startup::introductionComesInOrderAndTheMainWindowLast()
{
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    User user(program, 100);

    // The hand-over, as its timer would run it; the introduction comes once
    // the handler has returned, and the clock returns after "Close".
    program.splash().delaytimer_Timer();
    QVERIFY(!program.hasPopup());
    doubles.clock.advance(0);

    QCOMPARE(user.steps.size(), 3);
    const QStringList messages{kMessage1, kMessage2, kMessage3};
    const QStringList links{QStringLiteral("Next"), QStringLiteral("Next"), QStringLiteral("Close")};
    for (int i = 0; i < 3; ++i) {
        const Step &step = user.steps[i];
        QCOMPARE(step.message, messages[i]);
        QCOMPARE(step.link, links[i]);
        QCOMPARE(step.productName, QStringLiteral("Morvane's Tessaly"));
        QVERIFY(!step.splashVisible);
        QVERIFY(!step.mainWindowLoadedWhenShown);
        QVERIFY(!step.mainWindowLoadedBeforeClick);
    }
    QVERIFY(program.hasMainWindow());
    QVERIFY(program.mainWindow().isVisible());
    QVERIFY(!program.mainWindow().windowIcon().isNull());
    QVERIFY(!program.popup().isVisible());
    // The splash window stays loaded, hidden, and runs the hand-over once.
    QVERIFY(program.hasSplash());
    QVERIFY(!program.splash().isVisible());
    QVERIFY(!program.splash().delaytimer->isActive());
    QCOMPARE(doubles.programEnd.ends, 0);
}

void tst_startup::timersDriveTheWholeStartUp()
{
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    User user(program, 10);
    doubles.clock.advance(2999);
    QVERIFY(!program.hasPopup());
    // Three seconds in, the introduction runs, the user clicking through it.
    doubles.clock.advance(1);
    QVERIFY(program.hasMainWindow() && program.mainWindow().isVisible());
    QCOMPARE(user.steps.size(), 3);
    QCOMPARE(user.steps.last().link, QStringLiteral("Close"));
    QVERIFY(!program.splash().isVisible());
}

void tst_startup::programEndDuringTheIntroductionStopsTheHandOver_data()
{
    QTest::addColumn<bool>("beforeTheFirstMessage");
    QTest::newRow("while message 1 is up") << false;
    // Between the splash's time running out and the introduction coming.
    QTest::newRow("as the time runs out") << true;
}

void tst_startup::programEndDuringTheIntroductionStopsTheHandOver()
{
    QFETCH(bool, beforeTheFirstMessage);
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    User user(program, 20);
    user.interruptAtStep = 1;
    user.interrupt = [&] { doubles.programEnd.end(); };

    program.splash().delaytimer_Timer();
    if (beforeTheFirstMessage)
        doubles.programEnd.end();
    doubles.clock.advance(0);

    QCOMPARE(doubles.programEnd.ends, 1);
    QVERIFY(!program.hasMainWindow());
    if (beforeTheFirstMessage) {
        QVERIFY(!program.hasPopup());
        QVERIFY(user.steps.isEmpty());
        return;
    }
    QCOMPARE(user.steps.size(), 1);
    QCOMPARE(program.popup().Label1->Caption(), kMessage1);
}

void tst_startup::logoClickEndsTheProgramBeforeTheHandOver_data()
{
    QTest::addColumn<bool>("closeRequest");
    QTest::newRow("logo click") << false;
    // The window manager's close (Alt+F4) used to hide the splash and let
    // the introduction come 3 s later all the same.
    QTest::newRow("close request") << true;
}

void tst_startup::logoClickEndsTheProgramBeforeTheHandOver()
{
    QFETCH(bool, closeRequest);
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    QVERIFY(QTest::qWaitForWindowExposed(&program.splash()));
    if (closeRequest)
        program.splash().close();
    else
        QTest::mouseClick(program.splash().imgLogo, Qt::LeftButton);
    QCOMPARE(doubles.programEnd.ends, 1);
    QVERIFY(!program.hasPopup());
    QVERIFY(!program.hasMainWindow());
    program.splash().delaytimer->stop();
}

void tst_startup::logoClickWithAnotherWindowLoadedOnlyUnloadsTheSplash()
{
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    program.popup();
    QPointer<frmSplash> first = &program.splash();
    first->lblProductName->setCaption(QStringLiteral("changed while loaded"));

    first->imgLogo_Click();
    QCOMPARE(doubles.programEnd.ends, 0);
    QVERIFY(!program.hasSplash());
    // Gone from the screen at once, and its hand-over never comes.
    QVERIFY(!first->isVisible());
    QVERIFY(!first->delaytimer->isActive());
    // A close request on its way to the window let go changes nothing more.
    first->close();
    QCOMPARE(doubles.programEnd.ends, 0);
    QVERIFY(!program.hasSplash());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());

    // The next reader loads a fresh splash window with its layout captions.
    QCOMPARE(program.splash().lblProductName->Caption(), QStringLiteral("Morvane's Tessaly"));
    program.splash().delaytimer->stop();
}

void tst_startup::closeRequestOnceTheHandOverHasBegunIsIgnored_data()
{
    QTest::addColumn<bool>("whileMessageOneIsUp");
    // Sent while the splash was still up, delivered once the hand-over ran.
    QTest::newRow("queued as the hand-over starts") << false;
    QTest::newRow("while message 1 is up") << true;
}

void tst_startup::closeRequestOnceTheHandOverHasBegunIsIgnored()
{
    QFETCH(bool, whileMessageOneIsUp);
    testing::TestHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    QPointer<frmSplash> splash = &program.splash();
    User user(program, 20);
    if (whileMessageOneIsUp) {
        user.interruptAtStep = 1;
        user.interrupt = [&] { splash->close(); };
        user.clickAfterInterrupt = true;
    } else {
        QCoreApplication::postEvent(splash, new QCloseEvent);
    }

    // A close request during the hand-over must leave the window loaded
    // (it used to be deleted under the hand-over).
    splash->delaytimer_Timer();
    doubles.clock.advance(0);

    QCOMPARE(doubles.programEnd.ends, 0);
    QVERIFY(!splash.isNull());
    QVERIFY(program.hasSplash());
    QCOMPARE(&program.splash(), splash.data());
    QVERIFY(!splash->isVisible());
    QVERIFY(program.hasMainWindow() && program.mainWindow().isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!splash.isNull());
}

void tst_startup::logoClickWithTheRealEndHidesEverythingAndStopsTheTimers()
{
    testing::RealEndHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.start();
    frmSplash &splash = program.splash();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(splash.imgLogo, Qt::LeftButton);

    QVERIFY(doubles.programEnd.hasEnded());
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.delaytimer->isActive());
    QVERIFY(!splash.Timer2->isActive());
    doubles.doubles.clock.advance(10000);
    QVERIFY(!program.hasPopup());
    QVERIFY(!program.hasMainWindow());
}

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
