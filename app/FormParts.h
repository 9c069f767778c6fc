#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;

class FormLabel;
class QFrame;
class QWidget;

// Small pieces every window of the program is laid out with.

// A label placed at a box of its panel, top-aligned.
FormLabel *newLabel(QWidget *parent, const char *name, const QRect &box, const QFont &font, Qt::Alignment alignment,
                    const QString &caption = QString(), bool autoSize = false);

// Paints a widget's background in a solid colour (and its text in another,
// when one is given).
void fillWith(QWidget &widget, const QColor &background, const QColor &text = QColor());

// Draws a frame's sides (a list's border, drawn by the style with a line one
// device pixel wide) design pixel by design pixel on screens with more device
// pixels than design pixels, where the thin line would fall between them or
// under the frame's contents. At ratio 1 the style draws it as ever.
void keepFrameOnDesignPixels(QFrame &frame);

// Shows the product's logo in a label, drawn for the pixel ratio it is
// painted at: a window moved to a screen of another scale shows the logo
// drawn for that scale, not the old one blown up or shrunk.
void showLogo(QLabel &label);

// Centres a window on the screen the first time it shows, never again (a
// window the user has moved stays where it was put). True the first time.
bool centreOnFirstShow(QWidget &window);

QFont arial(double points, bool bold, bool italic = false);
QFont arialBlack(double points);
