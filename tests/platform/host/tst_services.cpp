#include "platform/host/Services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_Services : public QObject {
    Q_OBJECT

private slots:
    void soundPathsResolve_data();
    void soundPathsResolve();
    void missingSoundPlaysNothing();
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

QTEST_MAIN(tst_Services)
#include "tst_services.moc"
