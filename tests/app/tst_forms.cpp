#include "app/frmmain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "platform/forms/StdFont.h"
#include "support/Doubles.h"
#include "support/FormMessages.h"

#include <QtTest>

// What the main window's stored form makes of its controls. (The about
// window's close button is checked in tst_frmabt.)
class tst_Forms : public QObject {
    Q_OBJECT

private slots:
    void mainWindowButtonsComeFromTheForm_data();
    void mainWindowButtonsComeFromTheForm();
    void mainWindowBarKeepsItsDefaults();
};

void tst_Forms::mainWindowButtonsComeFromTheForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");

    QTest::newRow("XpBs1") << "XpBs1" << "&About";
    QTest::newRow("XpBs2") << "XpBs2" << "Randomize Case";
}

void tst_Forms::mainWindowButtonsComeFromTheForm()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    testing::FormMessages messages;
    testing::TestHost doubles;

    frmmain window(doubles.host);
    const XpBs *button = window.findChild<XpBs *>(name);

    // Every stored key was read, and nothing in the data was wrong.
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
    QVERIFY(button);
    QCOMPARE(button->Caption(), caption);
    QCOMPARE(button->Font()->Name(), QStringLiteral("Verdana"));
    QCOMPARE(button->Font()->Size(), 8.25);
    QVERIFY(!button->Font()->Bold());
    QCOMPARE(button->MousePointer(), 99);
    // Not stored, so as a button placed new has them.
    XpBs fresh(doubles.host);
    fresh.UserControl_InitProperties();
    QCOMPARE(button->ButtonStyle(), fresh.ButtonStyle());
    QCOMPARE(button->BackColor(), fresh.BackColor());
}

void tst_Forms::mainWindowBarKeepsItsDefaults()
{
    testing::FormMessages messages;
    testing::TestHost doubles;
    const Xp_ProgressBar fresh(doubles.host);

    frmmain window(doubles.host);

    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
    const Xp_ProgressBar &bar = *window.pb;
    QCOMPARE(bar.Min(), fresh.Min());
    QCOMPARE(bar.Max(), fresh.Max());
    QCOMPARE(bar.Value(), fresh.Value());
    QCOMPARE(bar.Style(), fresh.Style());
    QCOMPARE(bar.ProgressLook(), fresh.ProgressLook());
}

QTEST_MAIN(tst_Forms)
#include "tst_forms.moc"
