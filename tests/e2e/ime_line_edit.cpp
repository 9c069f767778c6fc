// A Qt line edit for the input method's end-to-end test: its text is
// written to FILE on every change (whole, through a rename, so that a
// reader never sees half of it), and its window's X11 id printed once it
// shows. With --times, also a line on standard output for every change:
// the time (CLOCK_MONOTONIC, in nanoseconds) and the text's length, for
// scripts/ibus-speed.py.
//
//   ime_line_edit FILE [--times]
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>

#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--times") != 0)) {
        std::fputs("usage: ime_line_edit FILE [--times]\n", stderr);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const bool times = argc == 3;
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("tessaly-ibus-qt"));
    QObject::connect(&edit, &QLineEdit::textChanged, [&file, times](const QString &text) {
        if (times) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("%lld %lld\n", static_cast<long long>(now.tv_sec) * 1000000000 + now.tv_nsec,
                        static_cast<long long>(text.size()));
            std::fflush(stdout);
        }
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(text.toUtf8());
            out.commit();
        }
    });
    edit.resize(300, 40);
    edit.show();
    std::printf("%llu\n", static_cast<unsigned long long>(edit.winId()));
    std::fflush(stdout);
    return application.exec();
}
