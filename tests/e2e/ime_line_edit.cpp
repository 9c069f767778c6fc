// A Qt line edit for the input method's end-to-end test: its text is
// written to FILE on every change (whole, through a rename, so that a
// reader never sees half of it), and its window's X11 id printed once it
// shows.
//
//   ime_line_edit FILE
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: ime_line_edit FILE\n", stderr);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("tessaly-ibus-qt"));
    QObject::connect(&edit, &QLineEdit::textChanged, [&file](const QString &text) {
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
