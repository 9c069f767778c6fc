#pragma once

class QWidget;

namespace platform {

// Places a top-level window so that it stands in the middle of its screen.
void centreOnScreen(QWidget &window);

// Gives a shown top-level window the keyboard. Under X11 without a window
// manager the usual request carries the time of the last event the program
// saw, and is refused when the keyboard moved since (a window of the
// program was hidden, say): the window asks for it as of now instead.
void activateWindow(QWidget &window);

} // namespace platform
