#include "app/Program.h"
#include "app/frmSplash.h"
#include "app/frmabt.h"
#include "app/frmmsg.h"
#include "app/frmmain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/textbox/TextBox.h"
#include "controls/xpbutton/XpBs.h"
#include "support/Doubles.h"

#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QtTest>

// Four screens side by side, at ratios 1, 2, 1.5 and 3: a window moved from
// one to another must look exactly as one opened there. The controls keep
// their faces as images and the windows their logo as a picture, each made
// for one ratio; whatever is still at the old ratio after the move shows.

namespace {

QScreen *screenNamed(const QString &name)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

QWidget &windowOf(Program &program, const QString &kind)
{
    if (kind == QLatin1String("main")) {
        frmmain &window = program.mainWindow();
        window.pb->setVisible(true);
        window.pb->setValue(37);
        return window;
    }
    if (kind == QLatin1String("about"))
        return program.about();
    if (kind == QLatin1String("popup"))
        return program.popup();
    return program.splash();
}

// The window shown on a screen (windows centre themselves on theirs when
// first shown), or moved there.
void showOn(QWidget &window, QScreen *screen)
{
    const bool moving = window.isVisible();
    const QSize size = window.size();
    if (!moving)
        window.setScreen(screen);
    window.move(screen->geometry().topLeft() + QPoint(40, 40));
    if (moving) {
        // Qt 6.8's offscreen windows keep their device size across screens
        // of another scale; a desktop keeps the window's own.
        QTRY_COMPARE(window.screen(), screen);
        window.resize(size);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.screen(), screen);
    QTRY_COMPARE(window.devicePixelRatioF(), screen->devicePixelRatio());
}

// Where the window shows text or a picture, in its own pixels: the glyphs
// and the art are drawn for the device, not blown up. The buttons' faces
// are the controls' own oracle's.
QRegion textAndPictures(const QWidget &window)
{
    QRegion region;
    for (const QWidget *child : window.findChildren<QWidget *>()) {
        const auto *label = qobject_cast<const QLabel *>(child);
        const auto *list = qobject_cast<const QListWidget *>(child->parentWidget());
        const bool shows = (label && (!label->text().isEmpty() || !label->pixmap().isNull()))
            || qobject_cast<const XpBs *>(child) || qobject_cast<const platform::TextBox *>(child)
            || (list && child == list->viewport()); // the list's items; its frame is the window's
        if (shows && child->isVisible())
            region += QRect(child->mapTo(&window, QPoint(0, 0)), child->size());
    }
    return region;
}

QImage grabOn(const QString &kind, QScreen *screen, QRegion *textAndPicturesOut = nullptr)
{
    testing::TestHost doubles{testing::Timing::Fake};
    Program program{doubles.host};
    QWidget &window = windowOf(program, kind);
    showOn(window, screen);
    if (textAndPicturesOut)
        *textAndPicturesOut = textAndPictures(window);
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class tst_Screens : public QObject {
    Q_OBJECT

private slots:
    void movedWindowLooksAsIfOpenedThere_data();
    void movedWindowLooksAsIfOpenedThere();
    void ownDrawingIsTheDesignBlownUp_data();
    void ownDrawingIsTheDesignBlownUp();
};

void tst_Screens::movedWindowLooksAsIfOpenedThere_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    for (const char *kind : {"main", "about", "splash", "popup"}) {
        QTest::addRow("%s, 1 to 2", kind) << kind << "One" << "Two";
        QTest::addRow("%s, 2 to 1", kind) << kind << "Two" << "One";
        QTest::addRow("%s, 2 to 1.5", kind) << kind << "Two" << "OneAndAHalf";
    }
}

void tst_Screens::movedWindowLooksAsIfOpenedThere()
{
    QFETCH(QString, kind);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QScreen *const source = screenNamed(from);
    QScreen *const target = screenNamed(to);
    QVERIFY2(source && target, "the screens of tests/app/data/screens.json are missing");

    QImage moved;
    {
        testing::TestHost doubles{testing::Timing::Fake};
        Program program{doubles.host};
        QWidget &window = windowOf(program, kind);
        showOn(window, source);
        if (QTest::currentTestFailed())
            return;
        showOn(window, target);
        if (QTest::currentTestFailed())
            return;
        moved = window.grab().toImage();
    }
    testing::TestHost doubles{testing::Timing::Fake};
    Program program{doubles.host};
    QWidget &window = windowOf(program, kind);
    showOn(window, target);
    if (QTest::currentTestFailed())
        return;
    const QImage opened = window.grab().toImage();

    QCOMPARE(moved.devicePixelRatio(), target->devicePixelRatio());
    QCOMPARE(moved.size(), opened.size());
    if (moved != opened) {
        int differing = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < moved.height(); ++y) {
            for (int x = 0; x < moved.width(); ++x) {
                if (moved.pixel(x, y) != opened.pixel(x, y)) {
                    if (!differing++)
                        first = QPoint(x, y);
                }
            }
        }
        QFAIL(qPrintable(QStringLiteral("%1 device pixels differ, the first at (%2, %3)")
                             .arg(differing)
                             .arg(first.x())
                             .arg(first.y())));
    }
}

void tst_Screens::ownDrawingIsTheDesignBlownUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("screen");
    for (const char *kind : {"main", "about", "splash", "popup"}) {
        QTest::addRow("%s at 2", kind) << kind << "Two";
        QTest::addRow("%s at 3", kind) << kind << "Three";
    }
}

// At a whole ratio s, every device pixel of the window's own drawing (the
// panels, frames, rules and the bar) is the pixel at (x / s, y / s) of the
// window at ratio 1.
void tst_Screens::ownDrawingIsTheDesignBlownUp()
{
    QFETCH(QString, kind);
    QFETCH(QString, screen);
    QRegion skipped;
    const QImage design = grabOn(kind, screenNamed(QStringLiteral("One")), &skipped);
    QScreen *const target = screenNamed(screen);
    const QImage fine = grabOn(kind, target);
    const int s = int(target->devicePixelRatio());
    QCOMPARE(fine.size(), design.size() * s);
    int differing = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < fine.height(); ++y) {
        for (int x = 0; x < fine.width(); ++x) {
            const QPoint at(x / s, y / s);
            if (skipped.contains(at) || fine.pixel(x, y) == design.pixel(at))
                continue;
            if (!differing++)
                first = QPoint(x, y);
        }
    }
    QVERIFY2(!differing, qPrintable(QStringLiteral("%1 device pixels differ, the first at (%2, %3)")
                                        .arg(differing)
                                        .arg(first.x())
                                        .arg(first.y())));
}

int main(int argc, char *argv[])
{
    // The offscreen platform with the screens of the data file, each at its
    // own scale (as a desktop sets them; Qt 6.8's offscreen windows keep
    // ratio 1 whatever ratio its screens are given).
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TESSALY_SCREENS_FILE);
    qputenv("QT_SCREEN_SCALE_FACTORS", "One=1;Two=2;OneAndAHalf=1.5;Three=3");
    QApplication application(argc, argv);
    tst_Screens test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screens.moc"
