#pragma once

#include <QString>

class QWidget;

// A window that tells a screen reader its own name (and what it says at
// once, as its description); the others are named by their title.
class SpokenWindow {
public:
    virtual ~SpokenWindow() = default;
    virtual QString spokenName() const = 0;
    virtual QString spokenDescription() const { return QString(); }
};

// A caption as a screen reader reads it: a line break is a line break.
QString spokenText(const QString &caption);

// What assistive technology (a screen reader such as Orca, through AT-SPI)
// sees of the program's windows: each window with its role and name, the
// labels as text, links and images, the status line, and no decoration.
void installFormAccessibility();

// Marks a plain label as the window's status line.
void markAsStatusLine(QWidget &label);
