#pragma once

class QWidget;

namespace platform {

// Places a top-level window so that it stands in the middle of its screen.
void centreOnScreen(QWidget &window);

} // namespace platform
