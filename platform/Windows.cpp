#include "Windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

void centreOnScreen(QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(available.center() - QPoint(size.width() / 2, size.height() / 2) + QPoint(1, 1));
}

} // namespace platform
