#include "app/FormLabel.h"
#include "app/Program.h"
#include "app/frmSplash.h"
#include "platform/forms/Units.h"
#include "support/Doubles.h"
#include "support/FormLayout.h"

#include <QFontInfo>
#include <QScreen>
#include <QTimer>
#include <QtTest>

namespace {

// On the fake clock: the splash's timers move only as a test moves them.
struct Splash {
    testing::TestHost doubles{testing::Timing::Fake};
    Program program{doubles.host};
    frmSplash &splash = program.splash();
};

} // namespace

class tst_frmSplash : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void labelsShowTheirLines_data();
    void labelsShowTheirLines();
    void labelsThatSizeToTheirTextKeepTheirAnchor_data();
    void labelsThatSizeToTheirTextKeepTheirAnchor();
    void loadingTextSteps_data();
    void loadingTextSteps();
    void loadingTextCyclesOnItsTimer();
    void timersRunFromCreation();
    void loadingTextRestsWhileHidden();
    void borderlessCentredAndOffTheTaskBar();
    void logoIsTheProgramArt();
};

void tst_frmSplash::initTestCase()
{
    platform::installFontSubstitutions();
}

void tst_frmSplash::labelsShowTheirLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("bold");
    QTest::newRow("maker") << "lblCompanyProduct" << "Morvane" << "Arial" << true;
    QTest::newRow("maker's mark") << "Label2" << "\u00A9" << "Arial Black" << false;
    QTest::newRow("presents") << "Label1" << "Presents" << "Arial" << true;
    QTest::newRow("product") << "lblProductName" << "Morvane's Tessaly" << "Arial" << true;
    QTest::newRow("product's mark") << "Label3" << "\u00A9" << "Arial Black" << false;
    QTest::newRow("loading") << "Label4" << "Loading..." << "Arial" << true;
    QTest::newRow("platform") << "lblPlatform" << "Platform: ME/XP" << "Arial" << true;
    QTest::newRow("version") << "lblVersion" << "Version 1.0" << "Arial" << true;
    QTest::newRow("first build") << "Label5" << "First Build: 20/12/03" << "Arial" << false;
}

void tst_frmSplash::labelsShowTheirLines()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, family);
    QFETCH(bool, bold);
    Splash fixture;
    const FormLabel *found = testing::panelLabel(fixture.splash, name);
    QVERIFY(found);
    QCOMPARE(found->Caption(), caption);
    QCOMPARE(found->font().family(), family);
    QCOMPARE(found->font().bold(), bold);
    // Drawn with the named face, or with its free stand-in where it is missing.
    const QString drawnWith = QFontInfo(found->font()).family();
    QVERIFY2(drawnWith == family || drawnWith.compare(QFont::substitute(family), Qt::CaseInsensitive) == 0,
             qPrintable(drawnWith));
}

void tst_frmSplash::labelsThatSizeToTheirTextKeepTheirAnchor_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<Qt::Alignment>("anchor");
    QTest::addColumn<int>("anchorTwips"); // left edge, centre or right edge
    QTest::newRow("maker, centred") << "lblCompanyProduct" << "Morvane" << Qt::Alignment(Qt::AlignHCenter)
                                    << 120 + 4635 / 2;
    QTest::newRow("product, centred, longer") << "lblProductName" << "A much longer product name"
                                              << Qt::Alignment(Qt::AlignHCenter) << 360 + 4095 / 2;
    QTest::newRow("platform, right") << "lblPlatform" << "Platform: ME/XP" << Qt::Alignment(Qt::AlignRight)
                                     << 3000 + 1545;
    QTest::newRow("version, right, shorter") << "lblVersion" << "V2" << Qt::Alignment(Qt::AlignRight)
                                             << 3615 + 1050;
    QTest::newRow("loading, left") << "Label4" << "Loading....." << Qt::Alignment(Qt::AlignLeft) << 120;
}

void tst_frmSplash::labelsThatSizeToTheirTextKeepTheirAnchor()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(Qt::Alignment, anchor);
    QFETCH(int, anchorTwips);
    Splash fixture;
    FormLabel *sized = testing::panelLabel(fixture.splash, name);
    QVERIFY(sized);
    sized->setCaption(caption);

    // Just large enough for the caption.
    const QFontMetrics metrics = sized->fontMetrics();
    QVERIFY(sized->width() >= metrics.horizontalAdvance(caption));
    QVERIFY(sized->width() <= metrics.horizontalAdvance(caption) + 2);
    QVERIFY(sized->height() >= metrics.height());
    QVERIFY(sized->height() <= metrics.height() + 2);
    const QString misplaced = testing::anchorMismatch(sized->geometry(), anchor, anchorTwips);
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced));
}

void tst_frmSplash::loadingTextSteps_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::newRow("five dots wrap round") << "Loading....." << "Loading";
    QTest::newRow("no dots") << "Loading" << "Loading.";
    QTest::newRow("one dot") << "Loading." << "Loading..";
    QTest::newRow("two dots") << "Loading.." << "Loading...";
    QTest::newRow("three dots, the first text") << "Loading..." << "Loading....";
    QTest::newRow("four dots") << "Loading...." << "Loading.....";
    QTest::newRow("six dots stay") << "Loading......" << "Loading......";
    QTest::newRow("other case stays") << "loading..." << "loading...";
    QTest::newRow("trailing space stays") << "Loading. " << "Loading. ";
    QTest::newRow("empty stays") << "" << "";
    QTest::newRow("anything else stays") << "Ready" << "Ready";
}

void tst_frmSplash::loadingTextSteps()
{
    QFETCH(QString, current);
    QFETCH(QString, next);
    Splash fixture;
    fixture.splash.Label4->setCaption(current);
    fixture.splash.Timer2_Timer();
    QCOMPARE(fixture.splash.Label4->Caption(), next);
}

void tst_frmSplash::loadingTextCyclesOnItsTimer()
{
    Splash fixture;
    fixture.splash.delaytimer->stop();
    QStringList seen;
    connect(fixture.splash.Timer2, &platform::Timer::timeout, this,
            [&] { seen << fixture.splash.Label4->Caption(); });
    fixture.doubles.clock.advance(7 * 75);
    QCOMPARE(seen, (QStringList{"Loading....", "Loading.....", "Loading", "Loading.", "Loading..",
                                          "Loading...", "Loading...."}));
}

void tst_frmSplash::timersRunFromCreation()
{
    Splash fixture;
    QVERIFY(fixture.splash.delaytimer->isActive());
    QCOMPARE(fixture.splash.delaytimer->interval(), 3000);
    QVERIFY(fixture.splash.Timer2->isActive());
    QCOMPARE(fixture.splash.Timer2->interval(), 75);
    fixture.splash.delaytimer->stop();
}

void tst_frmSplash::loadingTextRestsWhileHidden()
{
    Splash fixture;
    frmSplash &splash = fixture.splash;
    splash.delaytimer->stop();
    splash.show();
    splash.hide();
    QVERIFY(!splash.Timer2->isActive());
    const QString resting = splash.Label4->Caption();
    fixture.doubles.clock.advance(10 * 75);
    QCOMPARE(splash.Label4->Caption(), resting);
    splash.show();
    QVERIFY(splash.Timer2->isActive());
}

void tst_frmSplash::borderlessCentredAndOffTheTaskBar()
{
    Splash fixture;
    fixture.splash.delaytimer->stop();
    frmSplash &splash = fixture.splash;
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.windowType(), Qt::SplashScreen);
    QCOMPARE(splash.windowTitle(), QString());
    QCOMPARE(splash.size(), QSize(342, 234));

    splash.show();
    const QRect screen = splash.screen()->availableGeometry();
    QVERIFY(qAbs(splash.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(splash.frameGeometry().center().y() - screen.center().y()) <= 1);

    // A black rim round the white panel: 50 twips left and top, 40 right and bottom.
    const QImage image = splash.grab().toImage();
    QCOMPARE(QColor(image.pixel(2, 100)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(3, 100)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(338, 100)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(339, 100)), QColor(Qt::black));
    QCOMPARE(QColor(image.pixel(100, 231)), QColor(Qt::black));
}

void tst_frmSplash::logoIsTheProgramArt()
{
    Splash fixture;
    fixture.splash.delaytimer->stop();
    const QPixmap logo = fixture.splash.imgLogo->pixmap();
    QCOMPARE(logo.size(), QSize(48, 48));
    QVERIFY(fixture.splash.imgLogo->hasScaledContents());
    QCOMPARE(fixture.splash.imgLogo->geometry(), platform::twipsRect(2040, 1560, 855, 825));
    QVERIFY(!Program::icon().isNull());
}

QTEST_MAIN(tst_frmSplash)
#include "tst_frmsplash.moc"
