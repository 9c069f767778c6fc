// Opens the main window (the bar showing blocks) and the about window on
// whatever platform Qt is given, and writes what each draws at the screen's
// pixel ratio to FOLDER/main.png and FOLDER/about.png; run-platforms.sh
// compares the pictures of two platforms.
//
//   window_shot FOLDER
#include "app/Program.h"
#include "app/frmabt.h"
#include "app/frmmain.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "support/Doubles.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>

namespace {

bool shoot(QWidget &window, const QString &file)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    // The window's first frame, with what the platform sends on showing
    // (the screen's scale under Wayland) taken in.
    QTest::qWait(200);
    return window.grab().toImage().save(file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: window_shot FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    testing::TestHost doubles{testing::Timing::Fake};
    Program program{doubles.host};
    frmmain &main = program.mainWindow();
    main.pb->setVisible(true);
    main.pb->setValue(37);
    if (!shoot(main, folder + QStringLiteral("/main.png")) || !shoot(program.about(), folder + QStringLiteral("/about.png"))) {
        std::fputs("window_shot: a window was not shown or its picture not written\n", stderr);
        return 1;
    }
    std::printf("ratio %g\n", main.devicePixelRatioF());
    return 0;
}
