#include "platform/host/ProgramEnd.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QtTest>

class tst_ProgramEnd : public QObject {
    Q_OBJECT

private slots:
    void endHidesWindowsStopsTimersAndLeavesNestedLoops();
};

void tst_ProgramEnd::endHidesWindowsStopsTimersAndLeavesNestedLoops()
{
    QWidget first;
    QWidget second;
    auto *ticking = new QTimer(&second);
    ticking->start(10);
    first.show();
    second.show();

    platform::QtProgramEnd programEnd;
    // End from inside two nested loops, the way the closing animation can
    // finish while a popup waits inside a pass.
    bool innerReturned = false;
    bool outerReturned = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] { programEnd.end(); });
        QEventLoop inner;
        inner.exec();
        innerReturned = true;
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QEventLoop outer;
    connect(&watchdog, &QTimer::timeout, &outer, [&] { outer.exit(1); });
    watchdog.start(5000);
    const int result = outer.exec();
    outerReturned = true;

    QCOMPARE(result, 0); // left by the end, not by the watchdog
    QVERIFY(innerReturned);
    QVERIFY(outerReturned);
    QVERIFY(programEnd.hasEnded());
    QVERIFY(!first.isVisible());
    QVERIFY(!second.isVisible());
    QVERIFY(!ticking->isActive());
}

QTEST_MAIN(tst_ProgramEnd)
#include "tst_programend.moc"
