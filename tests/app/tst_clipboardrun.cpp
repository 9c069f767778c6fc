#include "app/ClipboardRun.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

// What "tessaly --clipboard" takes from the clipboard and what it leaves,
// on the in-process clipboard of Qt's offscreen platform (the X11 run is
// tests/e2e/run-clipboard.sh).
class tst_ClipboardRun : public QObject {
    Q_OBJECT

private slots:
    void takesTextUpTo64MiBOfUtf8_data();
    void takesTextUpTo64MiBOfUtf8();
    void endsWhenItHasServedItsTime();
};

void tst_ClipboardRun::takesTextUpTo64MiBOfUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<QString>("message");

    const qsizetype most = ClipboardRun::kMostText;
    const QString none = QString();
    const QString noText = QStringLiteral("the clipboard holds no text");
    const QString tooMuch = QStringLiteral("the clipboard holds more than 64 MiB of text");
    QTest::newRow("nothing") << QString() << QByteArray() << noText;
    QTest::newRow("an image alone") << QString() << QByteArray("\x89PNG\r\n\x1a\n") << noText;
    QTest::newRow("a line") << QStringLiteral("Hello, Wörld! кириллица 𐐨𐐩") << QByteArray() << none;
    QTest::newRow("64 MiB") << QString(most, QLatin1Char('a')) << QByteArray() << none;
    QTest::newRow("64 MiB and a byte") << QString(most + 1, QLatin1Char('a')) << QByteArray() << tooMuch;
    // Half as many UTF-16 units as bytes of UTF-8: the bytes count.
    QTest::newRow("64 MiB of two-byte letters") << QString(most / 2, QChar(0xE9)) << QByteArray() << none;
    QTest::newRow("past 64 MiB in two-byte letters")
        << QString(most / 2 + 1, QChar(0xE9)) << QByteArray() << tooMuch;
}

void tst_ClipboardRun::takesTextUpTo64MiBOfUtf8()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, picture);
    QFETCH(QString, message);
    // GIVEN what another program put on the clipboard
    QClipboard *clipboard = QGuiApplication::clipboard();
    auto *given = new QMimeData;
    if (!text.isNull())
        given->setText(text);
    if (!picture.isNull())
        given->setData(QStringLiteral("image/png"), picture);
    clipboard->setMimeData(given);

    // WHEN the run takes it
    ClipboardRun run(42);
    QSignalSpy reported(&run, &ClipboardRun::reported);
    QSignalSpy finished(&run, &ClipboardRun::finished);
    run.start();

    // THEN it is refused with its reason, the clipboard left as it was ...
    QTRY_COMPARE_WITH_TIMEOUT(reported.count(), 1, 30000);
    const bool taken = message.isEmpty();
    QCOMPARE(reported.at(0).at(0).toInt(), taken ? 0 : 1);
    QCOMPARE(reported.at(0).at(1).toString(), message);
    const QMimeData *now = clipboard->mimeData();
    if (!taken) {
        QCOMPARE(now, given);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), 1);
        return;
    }
    // ... or taken: the same letters in drawn cases, served until another
    // program takes the clipboard.
    const QString result = now->text();
    QCOMPARE(result.size(), text.size());
    QCOMPARE(result.toLower(), text.toLower());
    QVERIFY(result != text || text.toUpper() == text);
    QCOMPARE(finished.count(), 0);
    clipboard->setText(QStringLiteral("another program's"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
}

void tst_ClipboardRun::endsWhenItHasServedItsTime()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("Nobody takes this back"));
    ClipboardRun run(42, CaseMode(), 1);
    QSignalSpy finished(&run, &ClipboardRun::finished);
    run.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QVERIFY(QGuiApplication::clipboard()->text() != QStringLiteral("Nobody takes this back"));
}

QTEST_MAIN(tst_ClipboardRun)
#include "tst_clipboardrun.moc"
