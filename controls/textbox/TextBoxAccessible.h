#pragma once

namespace platform {

// Lets assistive technology read and edit a TextBox (once, however often
// it is asked).
void installTextBoxAccessibility();

} // namespace platform
