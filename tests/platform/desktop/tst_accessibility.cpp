#include "platform/desktop/Accessibility.h"

#include <QAccessible>
#include <QTimer>
#include <QWidget>
#include <QtTest>

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void everyMessageIsAnObjectOfItsOwn();
};

void tst_Accessibility::everyMessageIsAnObjectOfItsOwn()
{
    // GIVEN a status line with a child object of another kind (a timer)
    QWidget status;
    QTimer timer(&status);

    // WHEN two messages are announced before a screen reader reads the first
    platform::Announcer &announcer = platform::Announcer::of(status);
    QObject *first = announcer.announce(QStringLiteral("To uppercase."));
    QObject *second = platform::Announcer::of(status).announce(QStringLiteral("To lowercase."));

    // THEN each is a notification of its own that still says its message,
    // told by the one announcer of the status line, not by the timer
    QCOMPARE(&platform::Announcer::of(status), &announcer);
    QVERIFY(&announcer != static_cast<QObject *>(&timer));
    QVERIFY(first != second);
    const std::pair<QObject *, const char *> messages[] = {{first, "To uppercase."}, {second, "To lowercase."}};
    for (const auto &[object, message] : messages) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(object);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Notification);
        QCOMPARE(accessible->text(QAccessible::Name), QString::fromLatin1(message));
    }
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
