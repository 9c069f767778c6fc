#include "Windows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

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

void activateWindow(QWidget &window)
{
    window.activateWindow();
#if QT_CONFIG(xcb)
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !window.isVisible() || !window.windowHandle())
        return;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, xcb_window_t(window.winId()), XCB_CURRENT_TIME);
    xcb_flush(connection);
    // The keyboard is there now, whether or not the window system tells
    // the program so again (it does not when it thinks nothing changed).
    // Qt 6.8 deprecates this in favour of activateWindow(), which only asks
    // the window system and so waits for that word; nothing else sets it.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(&window);
    QT_WARNING_POP
#endif
}

} // namespace platform
