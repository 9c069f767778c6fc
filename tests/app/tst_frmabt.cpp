#include "app/FormLabel.h"
#include "app/Program.h"
#include "app/frmSplash.h"
#include "app/frmabt.h"
#include "app/frmmain.h"
#include "app/frmmsg.h"
#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/forms/StdFont.h"
#include "controls/textbox/TextBox.h"
#include "platform/host/Timer.h"
#include "platform/forms/Units.h"
#include "support/DevicePixels.h"
#include "support/Doubles.h"
#include "support/FormLayout.h"
#include "support/FormMessages.h"

#include <QApplication>
#include <QFontInfo>
#include <QListWidget>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <vector>

namespace {

// The program with its main window up, as after the introduction; the
// splash window is loaded and hidden and never starts the hand-over.
struct Running {
    testing::TestHost doubles;
    Program program{doubles.host};
    frmmain &main = program.mainWindow();

    Running()
    {
        program.splash().delaytimer->stop();
        main.show();
    }
};

void clickAbout(frmmain &main)
{
    QTest::mouseClick(main.XpBs1, Qt::LeftButton);
}

void clickClose(frmabt &about)
{
    QTest::mouseClick(about.XpBs2, Qt::LeftButton);
}

// The about window opened, then the user back in the main window, which
// comes in front and leaves the about window open behind it. False when
// the window system does not follow.
bool aboutOpenBehindTheMainWindow(Running &fixture)
{
    clickAbout(fixture.main);
    if (!QTest::qWaitForWindowActive(&fixture.program.about()))
        return false;
    fixture.main.activateWindow();
    fixture.main.raise();
    return QTest::qWaitForWindowActive(&fixture.main);
}

int aboutWindowsOnScreen()
{
    int count = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        count += qobject_cast<frmabt *>(window) && window->isVisible() ? 1 : 0;
    return count;
}

QColor pixelAt(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

// The window as drawn on a screen of `ratio` device pixels to a design pixel.
QImage rendered(QWidget &window, qreal ratio)
{
    QImage image(int(testing::owners(window.width(), ratio).size()), int(testing::owners(window.height(), ratio).size()),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    window.render(&image);
    return image;
}

// Where, in the design pixels from one outside `box` to two inside it,
// `fine` is not `one` blown up to `ratio`; nothing when it is.
QString ringDifference(const QImage &one, const QImage &fine, qreal ratio, const QRect &box)
{
    const std::vector<int> columns = testing::owners(one.width(), ratio);
    const std::vector<int> rows = testing::owners(one.height(), ratio);
    const QRect outer = box.adjusted(-1, -1, 1, 1);
    const QRect inner = box.adjusted(2, 2, -2, -2);
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            const QPoint design(columns[size_t(x)], rows[size_t(y)]);
            if (!outer.contains(design) || inner.contains(design))
                continue;
            if (fine.pixel(x, y) != one.pixel(design))
                return QStringLiteral("device (%1, %2) is %3, design (%4, %5) is %6")
                    .arg(x).arg(y).arg(fine.pixel(x, y), 8, 16).arg(design.x()).arg(design.y())
                    .arg(one.pixel(design), 8, 16);
        }
    }
    return QString();
}

} // namespace

class tst_frmabt : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void linesComeFromTheSplashNeverFromTheLayout_data();
    void linesComeFromTheSplashNeverFromTheLayout();
    void everyShowingTakesTheProductLinesAgain();
    void returningFocusTakesTheLinesAgain();
    void logoIsTheSplashLogoStretchedToItsBox();
    void linesAreDrawnWholeInsideThePanel_data();
    void linesAreDrawnWholeInsideThePanel();
    void fixedLinesAndFonts_data();
    void fixedLinesAndFonts();
    void legalNoticeWrapsClearOfTheCloseButton();
    void listKeepsOneEmptyEntry_data();
    void listKeepsOneEmptyEntry();
    void aboutTwiceShowsOneWindow();
    void aboutBringsTheWindowInFrontOfTheMainWindow();
    void closeButtonHidesAndKeepsTheWindowLoaded();
    void keyboardOpensAndClosesIt();
    void closeButtonComesFromTheStoredFormData();
    void closeButtonDrawsItsFaceOnWhite();
    void borderlessBlackRimAndCentredOnlyWhenFirstShown();
    void rulesAreBlackLinesAcrossThePanel_data();
    void rulesAreBlackLinesAcrossThePanel();
    void framesKeepEverySideAtFinerRatios_data();
    void framesKeepEverySideAtFinerRatios();
    void aboutDuringABatchPassLeavesThePassRunning();
    // Last: a real program end leaves every later event loop at once.
    void closingTheMainWindowEndsAboutAndPopupWithIt();
};

void tst_frmabt::initTestCase()
{
    platform::installFontSubstitutions();
}

void tst_frmabt::linesComeFromTheSplashNeverFromTheLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("laidOutAs");
    QTest::addColumn<QString>("shown");
    QTest::newRow("product") << "lblProductName" << "Morvane APP" << "Morvane's Tessaly";
    QTest::newRow("version") << "lblVersion" << "Version 0.1 (Beta)" << "Version 1.0";
    QTest::newRow("platform") << "lblPlatform" << "Platform: ME/XP" << "Platform: ME/XP";
    QTest::newRow("first build") << "Label5" << "First Build: 10/10/03" << "First Build: 20/12/03";
}

void tst_frmabt::linesComeFromTheSplashNeverFromTheLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, laidOutAs);
    QFETCH(QString, shown);
    Running fixture;
    // GIVEN the window loaded but never shown: its layout captions
    FormLabel *line = testing::panelLabel(fixture.program.about(), name);
    QVERIFY(line);
    QCOMPARE(line->Caption(), laidOutAs);
    // WHEN the user opens it for the first time
    clickAbout(fixture.main);
    // THEN it shows the splash window's line
    QVERIFY(fixture.program.about().isVisible());
    QCOMPARE(line->Caption(), shown);
}

void tst_frmabt::everyShowingTakesTheProductLinesAgain()
{
    Running fixture;
    const frmSplash &splash = fixture.program.splash();
    clickAbout(fixture.main);
    frmabt &about = fixture.program.about();
    clickClose(about);

    about.lblProductName->setCaption(QStringLiteral("Renamed"));
    about.lblVersion->setCaption(QStringLiteral("Version 2.0"));
    about.lblPlatform->setCaption(QStringLiteral("Platform: any"));
    about.Label5->setCaption(QStringLiteral("First Build: 01/01/04"));
    about.imgLogo->setPixmap(QPixmap());
    clickAbout(fixture.main);

    // The splash's own lines, as it shows them.
    QCOMPARE(about.lblProductName->Caption(), splash.lblProductName->Caption());
    QCOMPARE(about.lblVersion->Caption(), splash.lblVersion->Caption());
    QCOMPARE(about.lblPlatform->Caption(), splash.lblPlatform->Caption());
    QCOMPARE(about.Label5->Caption(), splash.Label5->Caption());
    QCOMPARE(about.imgLogo->pixmap().cacheKey(), splash.imgLogo->pixmap().cacheKey());
}

void tst_frmabt::returningFocusTakesTheLinesAgain()
{
    Running fixture;
    // GIVEN the user has gone back to the main window, the about window open behind it
    QVERIFY(aboutOpenBehindTheMainWindow(fixture));
    frmabt &about = fixture.program.about();
    about.lblVersion->setCaption(QStringLiteral("Version 3.0"));
    // WHEN the focus returns to the about window
    about.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    // THEN it takes the lines again
    QCOMPARE(about.lblVersion->Caption(), QStringLiteral("Version 1.0"));
}

void tst_frmabt::logoIsTheSplashLogoStretchedToItsBox()
{
    Running fixture;
    clickAbout(fixture.main);
    const frmabt &about = fixture.program.about();
    QCOMPARE(about.imgLogo->pixmap().cacheKey(), fixture.program.splash().imgLogo->pixmap().cacheKey());
    QCOMPARE(about.imgLogo->pixmap().size(), QSize(48, 48));
    QVERIFY(about.imgLogo->hasScaledContents());
    QCOMPARE(about.imgLogo->geometry(), platform::twipsRect(120, 120, 495, 465));
}

void tst_frmabt::linesAreDrawnWholeInsideThePanel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::Alignment>("anchor");
    QTest::addColumn<int>("anchorTwips"); // left edge, centre or right edge, in the panel
    QTest::newRow("product, centred") << "lblProductName" << Qt::Alignment(Qt::AlignHCenter) << 720 + 3105 / 2;
    QTest::newRow("version, left") << "lblVersion" << Qt::Alignment(Qt::AlignLeft) << 720;
    QTest::newRow("platform, right") << "lblPlatform" << Qt::Alignment(Qt::AlignRight) << 720 + 1545;
    QTest::newRow("first build, left") << "Label5" << Qt::Alignment(Qt::AlignLeft) << 720;
    QTest::newRow("credit, left") << "Label2" << Qt::Alignment(Qt::AlignLeft) << 120;
    QTest::newRow("thanks, left") << "Label3" << Qt::Alignment(Qt::AlignLeft) << 120;
}

void tst_frmabt::linesAreDrawnWholeInsideThePanel()
{
    QFETCH(QString, name);
    QFETCH(Qt::Alignment, anchor);
    QFETCH(int, anchorTwips);
    Running fixture;
    clickAbout(fixture.main);
    frmabt &about = fixture.program.about();
    const FormLabel *line = testing::panelLabel(about, name);
    QVERIFY(line);

    // The line's whole text fits its box, and the box lies inside the panel.
    const QFontMetrics metrics = line->fontMetrics();
    QVERIFY2(metrics.horizontalAdvance(line->text()) <= line->width(),
             qPrintable(QStringLiteral("%1 of %2 pixels").arg(metrics.horizontalAdvance(line->text())).arg(line->width())));
    QVERIFY(metrics.height() <= line->height());
    QVERIFY(about.Frame1->rect().contains(line->geometry()));
    const QString misplaced = testing::anchorMismatch(line->geometry(), anchor, anchorTwips);
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced));
}

void tst_frmabt::fixedLinesAndFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("captionStart");
    QTest::addColumn<QString>("captionEnd");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("product") << "lblProductName" << "Morvane's Tessaly" << "" << true << 21;
    QTest::newRow("version") << "lblVersion" << "Version 1.0" << "" << true << 13;
    QTest::newRow("credit") << "Label2" << "Designed by " << " of Morvane" << true << 13;
    QTest::newRow("thanks") << "Label3" << "Special Thanks To:" << "" << true << 13;
    QTest::newRow("legal notice") << "lblLegalNotice" << "" << "." << false << 12;
}

void tst_frmabt::fixedLinesAndFonts()
{
    QFETCH(QString, name);
    QFETCH(QString, captionStart);
    QFETCH(QString, captionEnd);
    QFETCH(bool, bold);
    QFETCH(int, pixelSize);
    Running fixture;
    clickAbout(fixture.main);
    const FormLabel *line = testing::panelLabel(fixture.program.about(), name);
    QVERIFY(line);
    QVERIFY(line->Caption().startsWith(captionStart));
    QVERIFY(line->Caption().endsWith(captionEnd));
    QVERIFY(line->Caption().size() > captionStart.size() + captionEnd.size() || captionEnd.isEmpty());
    QCOMPARE(line->font().family(), QStringLiteral("Arial"));
    QCOMPARE(line->font().bold(), bold);
    QCOMPARE(line->font().pixelSize(), pixelSize);
    QVERIFY(QFontInfo(line->font()).family().compare(QFont::substitute(QStringLiteral("Arial")), Qt::CaseInsensitive)
            == 0);
}

void tst_frmabt::legalNoticeWrapsClearOfTheCloseButton()
{
    Running fixture;
    clickAbout(fixture.main);
    const frmabt &about = fixture.program.about();
    const FormLabel &notice = *about.lblLegalNotice;
    QVERIFY(notice.wordWrap());

    // The button lies over the notice's box; no line of the sentence may
    // run under it.
    QTextLayout layout(notice.text(), notice.font());
    layout.beginLayout();
    QList<QRectF> lines;
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(notice.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
        lines << line.naturalTextRect().translated(notice.pos());
    }
    layout.endLayout();
    QVERIFY(lines.size() >= 2);
    for (const QRectF &line : lines)
        QVERIFY(!line.intersects(QRectF(about.XpBs2->geometry())));
    QVERIFY(lines.last().bottom() <= about.Frame1->height());
}

void tst_frmabt::listKeepsOneEmptyEntry_data()
{
    QTest::addColumn<int>("cycles");
    QTest::newRow("first showing") << 0;
    QTest::newRow("closed and reopened once") << 1;
    QTest::newRow("closed and reopened five times") << 5;
}

void tst_frmabt::listKeepsOneEmptyEntry()
{
    QFETCH(int, cycles);
    Running fixture;
    clickAbout(fixture.main);
    frmabt &about = fixture.program.about();
    for (int i = 0; i < cycles; ++i) {
        clickClose(about);
        QVERIFY(!about.isVisible());
        clickAbout(fixture.main);
        QVERIFY(about.isVisible());
    }
    QCOMPARE(about.List1->count(), 1);
    QCOMPARE(about.List1->item(0)->text(), QString());
    QCOMPARE(about.List1->font().family(), QStringLiteral("Arial"));
    QVERIFY(about.List1->font().italic());
}

void tst_frmabt::aboutTwiceShowsOneWindow()
{
    Running fixture;
    QVERIFY(!fixture.program.hasAbout());
    clickAbout(fixture.main);
    QVERIFY(fixture.program.hasAbout());
    frmabt *first = &fixture.program.about();
    clickAbout(fixture.main);
    QCOMPARE(&fixture.program.about(), first);
    QCOMPARE(aboutWindowsOnScreen(), 1);
    QCOMPARE(first->List1->count(), 1);
}

void tst_frmabt::aboutBringsTheWindowInFrontOfTheMainWindow()
{
    Running fixture;
    // GIVEN the about window lies behind the main window
    QVERIFY(aboutOpenBehindTheMainWindow(fixture));
    frmabt &about = fixture.program.about();
    // WHEN "&About" is clicked again
    clickAbout(fixture.main);
    // THEN the same window comes forward, and the main window stays open
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QCOMPARE(QApplication::activeWindow(), &about);
    QVERIFY(fixture.main.isVisible());
    QCOMPARE(aboutWindowsOnScreen(), 1);
}

void tst_frmabt::closeButtonHidesAndKeepsTheWindowLoaded()
{
    Running fixture;
    clickAbout(fixture.main);
    QPointer<frmabt> about = &fixture.program.about();
    clickClose(*about);
    QVERIFY(!about->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!about.isNull());
    QVERIFY(fixture.program.hasAbout());
    QVERIFY(fixture.main.isVisible());
    QCOMPARE(fixture.doubles.programEnd.ends, 0);
    // The button played its click sound, as every button does.
    QCOMPARE(fixture.doubles.sound.played.size(), 2);
}

void tst_frmabt::keyboardOpensAndClosesIt()
{
    // GIVEN the main window, active
    Running fixture;
    QVERIFY(QTest::qWaitForWindowActive(&fixture.main));

    // WHEN Alt+A is pressed, THEN the about window comes with the keyboard
    QTest::keyClick(fixture.main.tb, Qt::Key_A, Qt::AltModifier);
    frmabt &about = fixture.program.about();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QVERIFY(about.XpBs2->hasFocus());

    // WHEN Escape is pressed, THEN it hides and the keyboard goes back
    QTest::keyClick(about.XpBs2, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&fixture.main));
    QCOMPARE(fixture.main.tb->Text(), QString()); // Alt+A typed nothing
}

void tst_frmabt::closeButtonComesFromTheStoredFormData()
{
    testing::FormMessages messages;
    Running fixture;
    const XpBs &button = *fixture.program.about().XpBs2;
    // Every stored key was read, and nothing was wrong with the data.
    QVERIFY2(messages.lines.isEmpty(), qPrintable(messages.lines.join(QLatin1Char('\n'))));
    QCOMPARE(button.Caption(), QStringLiteral("&Close"));
    QCOMPARE(button.ButtonStyle(), 3);
    QCOMPARE(button.BackColor(), platform::COLORREF(0xFFFFFF));
    QCOMPARE(button.MousePointer(), 99);
    QCOMPARE(button.Font()->Name(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(button.Font()->Size(), 8.25);
    QVERIFY(!button.Font()->Bold());
    QCOMPARE(button.geometry(), platform::twipsRect(2520, 3720, 1095, 255));
    // The classic face is missing here; a free face of close metrics draws it.
    const QFont drawn = button.Font()->toQFont();
    QCOMPARE(QFontInfo(drawn).family(), QStringLiteral("Liberation Sans"));
}

void tst_frmabt::closeButtonDrawsItsFaceOnWhite()
{
    Running fixture;
    clickAbout(fixture.main);
    frmabt &about = fixture.program.about();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const XpBs &button = *about.XpBs2;
    const QImage image = about.grab().toImage();
    const QRect box = button.geometry().translated(about.Frame1->pos());
    // The style-3 face has rounded corners: the white panel shows at the
    // corner pixel, the face and its dark border elsewhere.
    QCOMPARE(pixelAt(image, box.left(), box.top()), QColor(Qt::white));
    QVERIFY(pixelAt(image, box.left() + box.width() / 2, box.top()) != QColor(Qt::white));
    // The caption is drawn somewhere across the middle of the face.
    bool dark = false;
    for (int x = box.left() + 4; x < box.right() - 4; ++x)
        dark = dark || pixelAt(image, x, box.center().y()).lightness() < 80;
    QVERIFY(dark);
}

void tst_frmabt::borderlessBlackRimAndCentredOnlyWhenFirstShown()
{
    Running fixture;
    frmabt &about = fixture.program.about();
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    // A plain window that the main window can cover, typed as a utility
    // window so that it stays off the task bar.
    QCOMPARE(about.windowType(), Qt::Window);
    QVERIFY(about.testAttribute(Qt::WA_X11NetWmWindowTypeUtility));
    QCOMPARE(about.size(), QSize(264, 280));

    clickAbout(fixture.main);
    const QRect screen = about.screen()->availableGeometry();
    QVERIFY(qAbs(about.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(about.frameGeometry().center().y() - screen.center().y()) <= 1);

    // Black around the white panel: 50 twips left and top, 55 right and bottom.
    const QImage image = about.grab().toImage();
    QCOMPARE(pixelAt(image, 2, 60), QColor(Qt::black));
    QCOMPARE(pixelAt(image, 3, 60), QColor(Qt::white));
    QCOMPARE(pixelAt(image, 60, 2), QColor(Qt::black));
    QCOMPARE(pixelAt(image, 60, 3), QColor(Qt::white));
    QCOMPARE(pixelAt(image, 259, 60), QColor(Qt::white));
    QCOMPARE(pixelAt(image, 260, 60), QColor(Qt::black));
    QCOMPARE(pixelAt(image, 60, 275), QColor(Qt::white));
    QCOMPARE(pixelAt(image, 60, 276), QColor(Qt::black));

    about.move(20, 30);
    clickClose(about);
    clickAbout(fixture.main);
    QCOMPARE(about.pos(), QPoint(20, 30));
}

void tst_frmabt::rulesAreBlackLinesAcrossThePanel_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("topTwips");
    QTest::newRow("under the product lines") << "Label1" << 1440;
    QTest::newRow("above the legal notice") << "Label4" << 3240;
}

void tst_frmabt::rulesAreBlackLinesAcrossThePanel()
{
    QFETCH(QString, name);
    QFETCH(int, topTwips);
    Running fixture;
    clickAbout(fixture.main);
    frmabt &about = fixture.program.about();
    const QImage image = about.Frame1->grab().toImage();
    const int top = platform::twipsToPixels(topTwips);
    for (int x : {0, 128, image.width() - 1}) {
        QCOMPARE(pixelAt(image, x, top - 1), QColor(Qt::white));
        QCOMPARE(pixelAt(image, x, top), QColor(Qt::black));
        QCOMPARE(pixelAt(image, x, top + 2), QColor(Qt::black));
        QCOMPARE(pixelAt(image, x, top + 3), QColor(Qt::white));
    }
    QVERIFY(testing::panelLabel(about, name)->Caption().isEmpty());
}

void tst_frmabt::framesKeepEverySideAtFinerRatios_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("part"); // the child whose edges are drawn
    QTest::addColumn<qreal>("ratio");
    for (const qreal ratio : {1.25, 1.5, 1.75}) {
        for (const char *part : {"Frame1", "Label1", "Label4", "List1"})
            QTest::addRow("about %s x%g", part, ratio) << "about" << QString::fromLatin1(part) << ratio;
        for (const char *part : {"Frame1", "Picture1"})
            QTest::addRow("popup %s x%g", part, ratio) << "popup" << QString::fromLatin1(part) << ratio;
        QTest::addRow("splash Frame1 x%g", ratio) << "splash" << QStringLiteral("Frame1") << ratio;
    }
}

void tst_frmabt::framesKeepEverySideAtFinerRatios()
{
    QFETCH(QString, window);
    QFETCH(QString, part);
    QFETCH(qreal, ratio);
    Running fixture;
    QWidget *shown = nullptr;
    if (window == QLatin1String("about")) {
        clickAbout(fixture.main);
        shown = &fixture.program.about();
    } else if (window == QLatin1String("popup")) {
        fixture.program.popup().Showstatus(QString());
        shown = &fixture.program.popup();
    } else {
        fixture.program.splash().show();
        shown = &fixture.program.splash();
    }
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QWidget *edged = part == QLatin1String("Frame1") ? shown->findChild<QWidget *>(part)
                                                          : shown->findChild<QWidget *>(QStringLiteral("Frame1"))
                                                                ->findChild<QWidget *>(part);
    QVERIFY(edged);
    // The popup's line runs past its panel, which cuts it off.
    QRect box(edged->mapTo(shown, QPoint()), edged->size());
    box &= QRect(edged->parentWidget()->mapTo(shown, QPoint()), edged->parentWidget()->size());
    const QImage one = rendered(*shown, 1);
    // At ratio 1 the top and bottom edges stand out from what lies beyond.
    QVERIFY(one.pixel(box.center().x(), box.top()) != one.pixel(box.center().x(), box.top() - 1));
    QVERIFY(one.pixel(box.center().x(), box.bottom()) != one.pixel(box.center().x(), box.bottom() + 1));
    // Each side covers every device pixel of its design pixel, and the
    // pixels beside it stay as they are at ratio 1.
    QCOMPARE(ringDifference(one, rendered(*shown, ratio), ratio, box), QString());
}

void tst_frmabt::aboutDuringABatchPassLeavesThePassRunning()
{
    Running fixture;
    fixture.main.tb->setText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    fixture.doubles.random.values = {0.9f, 0.1f, 0.9f}; // only the first letter drawn upper
    bool aboutShownDuringPass = false;
    fixture.doubles.eventLoop.onYield = [&](int yieldNumber) {
        if (yieldNumber == 5) {
            clickAbout(fixture.main);
            aboutShownDuringPass = fixture.program.about().isVisible();
        }
    };

    QTest::mouseClick(fixture.main.XpBs2, Qt::LeftButton);

    QVERIFY(aboutShownDuringPass);
    QVERIFY(fixture.program.about().isVisible());
    QCOMPARE(fixture.main.tb->Text(), QStringLiteral("Abcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(fixture.main.Label1->text(), QStringLiteral("Ready"));
    QVERIFY(fixture.main.XpBs2->Enabled());
    QCOMPARE(fixture.doubles.eventLoop.yields, 27);
}

void tst_frmabt::closingTheMainWindowEndsAboutAndPopupWithIt()
{
    testing::RealEndHost doubles(testing::Timing::Fake);
    Program program(doubles.host);
    program.splash().delaytimer->stop();
    frmmain &main = program.mainWindow();
    main.show();
    clickAbout(main);
    frmabt &about = program.about();
    program.popup().Showstatus(QStringLiteral("still up"));
    QVERIFY(about.isVisible());

    // A close request leaves everything up while the main window flies away.
    main.close();
    QVERIFY(main.isVisible());
    QVERIFY(about.isVisible());
    QVERIFY(main.timer1->isActive());

    while (!doubles.programEnd.hasEnded() && doubles.doubles.clock.advanceToNext()) {
    }
    QVERIFY(doubles.programEnd.hasEnded());
    QVERIFY(!main.isVisible());
    QVERIFY(!about.isVisible());
    QVERIFY(!program.popup().isVisible());
    QVERIFY(!program.popup().animate1->isActive() && !program.popup().animate2->isActive());
    QVERIFY(!XpBsProbe::overTimer(*about.XpBs2)->isActive());
}

QTEST_MAIN(tst_frmabt)
#include "tst_frmabt.moc"
