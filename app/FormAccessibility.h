#pragma once

class QWidget;

// What assistive technology (a screen reader such as Orca, through AT-SPI)
// sees of the program's windows: each window with its role and name, the
// labels as text, links and images, the status line, and no decoration.
void installFormAccessibility();

// Marks a plain label as the window's status line.
void markAsStatusLine(QWidget &label);
