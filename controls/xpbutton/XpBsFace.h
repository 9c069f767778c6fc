#pragma once

#include "platform/forms/Picture.h"
#include "platform/raster/Raster.h"

#include <QImage>
#include <QPoint>
#include <QString>

class ScaledPictures;

// Everything one repaint of an XpBs reads. The painters draw from it onto
// the surface they are given and read nothing else, so a face can be drawn
// without a button.
struct XpBsFace {
    using COLORREF = platform::COLORREF;
    using RECT = platform::RECT;

    struct Layout {
        RECT inner;
        RECT picture;
        RECT caption;
    };

    // The button's size, and its size at the last resize, which the XP face
    // and the focus rectangle keep: a button sized while hidden repaints
    // before its resize comes.
    int width = 0;
    int height = 0;
    int faceWidth = 0;
    int faceHeight = 0;

    qint32 style = 0;
    bool enabled = true;
    bool userMode = true; // false in the form designer, which shows every style at rest
    bool isDefault = false;
    bool hasFocus = false;
    bool isDown = false;
    bool isOver = false;
    bool showFocusRect = false;
    bool transparentBG = false;
    bool xpDefaultColors = false;
    bool xpShowBorderAlways = false;

    COLORREF backColor = 0;
    COLORREF foreColor = 0;
    COLORREF xpColorPressed = 0;
    COLORREF xpColorHover = 0;
    COLORREF maskColor = 0;
    // The surface's own colours: what it was last cleared to, and its text.
    COLORREF surfaceBackColor = 0;
    COLORREF surfaceForeColor = 0;
    qint16 bevel = 0;
    qint16 bevelDepth = 0;

    platform::Picture picture; // the one showing: the hover picture while hovered
    qint32 pictureWidth = 0;
    qint32 pictureHeight = 0;
    qint32 picturePosition = 0;
    QString caption;

    // The container's picture and where the button stands on it; only a
    // transparent background shows it.
    QImage parentBackground;
    QPoint position;

    // Where the last repaint put things: a layout leaves in place what it
    // does not place.
    Layout layout;
};

namespace xpbs {

using platform::COLORREF;
using platform::RECT;

struct Painted {
    COLORREF cleared; // the colour the surface is left cleared to
    XpBsFace::Layout layout;
};

// Draws the whole face: background, border, picture, focus rectangle and
// caption, the caption in the surface's font. `pictures` keeps the scaled
// pictures from one repaint to the next.
Painted paint(const XpBsFace &face, platform::Surface &surface, ScaledPictures &pictures);

// A system colour (high bit set) as the colour it stands for now.
COLORREF TranslateSysColor(COLORREF colour);
// Lightens (amount > 0) or darkens a colour; blue moves by
// blue x amount / 192, red and green by the amount.
COLORREF OffsetColor(COLORREF colour, qint32 amount);
// Adds the same amount to each part, held to 0..255.
COLORREF AddToChannels(COLORREF colour, qint32 amount);
// Places a picture and a measured caption as a pair in the inner
// rectangle, 4 pixels apart, by PicturePosition (divisions truncate).
// Returns false, leaving both alone, for positions it does not know.
bool PlacePair(const RECT &inner, int picW, int picH, int capW, int capH, qint32 position, RECT &picture,
               RECT &caption);

} // namespace xpbs
