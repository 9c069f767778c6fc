#include "platform/host/Clock.h"
#include "platform/host/Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <ctime>

class tst_Services : public QObject {
    Q_OBJECT

private slots:
    void soundPathsResolve_data();
    void soundPathsResolve();
    void missingSoundPlaysNothing();
    void clockFollowsTheTimeOfDay();
};

void tst_Services::soundPathsResolve_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("localCopy");
    QTest::addColumn<QString>("expected"); // "local", "resources" or "" for none
    QTest::newRow("backslashes, from the resource folder") << ".\\resources\\click.wav" << false << "resources";
    QTest::newRow("slashes, from the resource folder") << "./resources/over.wav" << false << "resources";
    QTest::newRow("bare name, from the resource folder") << "click.wav" << false << "resources";
    QTest::newRow("the current directory comes first") << ".\\resources\\click.wav" << true << "local";
    QTest::newRow("missing") << ".\\resources\\nothing-here.wav" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void tst_Services::soundPathsResolve()
{
    QFETCH(QString, path);
    QFETCH(bool, localCopy);
    QFETCH(QString, expected);
    QTemporaryDir work;
    QVERIFY(work.isValid());
    if (localCopy) {
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("resources")));
        QFile local(work.path() + QStringLiteral("/resources/click.wav"));
        QVERIFY(local.open(QIODevice::WriteOnly));
    }
    const QString before = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QString resolved = platform::QtSoundPlayer::resolve(path);
    QDir::setCurrent(before);

    if (expected.isEmpty()) {
        QVERIFY2(resolved.isEmpty(), qPrintable(resolved));
    } else if (expected == QLatin1String("local")) {
        QCOMPARE(QFileInfo(resolved).canonicalFilePath(),
                 QFileInfo(work.path() + QStringLiteral("/resources/click.wav")).canonicalFilePath());
    } else {
        QVERIFY2(resolved.startsWith(platform::resourceFolder()), qPrintable(resolved));
        QVERIFY(QFileInfo::exists(resolved));
    }
}

void tst_Services::missingSoundPlaysNothing()
{
    platform::QtSoundPlayer player;
    QVERIFY(!player.PlaySoundFile(QStringLiteral("no/such/file.wav")));
    QVERIFY(!player.PlaySoundFile(QString()));
}

void tst_Services::clockFollowsTheTimeOfDay()
{
    // The reseed's time of day: local seconds since midnight, moving on from
    // one tick of the coarse clock to the next (read again and again, as a
    // pass does, within a tick and across ticks).
    // Half an hour off a whole hour, no daylight saving: an offset that
    // shows, with or without a time-zone database.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "IST-5:30");
    tzset();
    const auto restore = qScopeGuard([&zone] {
        qputenv("TZ", zone);
        tzset();
    });
    platform::SystemClock clock;
    const auto local = [] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; };
    for (int round = 0; round < 3; ++round) {
        for (int read = 0; read < 1000; ++read) {
            const double before = local();
            const double seconds = clock.secondsSinceMidnight();
            const double after = local();
            // The coarse clock may lag a tick; midnight may fall between.
            const double lag = std::fmod(before - seconds + 86400.0 + 43200.0, 86400.0) - 43200.0;
            const double lead = std::fmod(seconds - after + 86400.0 + 43200.0, 86400.0) - 43200.0;
            QVERIFY2(seconds >= 0 && seconds < 86400 && lag < 0.02 && lead < 0.02,
                     qPrintable(QStringLiteral("%1 read between %2 and %3").arg(seconds).arg(before).arg(after)));
        }
        QThread::msleep(30);
    }
}

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
