#pragma once

namespace platform {

// Whether something on the display takes the clipboard over from a program
// that ends: under X11, an owner of the CLIPBOARD_MANAGER selection, which
// Qt hands the clipboard to when the application object goes. Elsewhere
// false: the clipboard's text goes with the program that holds it.
bool clipboardManagerRunning();

} // namespace platform
