#pragma once

#include <QFont>
#include <QRect>
#include <QString>

namespace platform {

// Window layouts are given in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// A font given in points at 96 dpi, sized in pixels so that the layout does
// not depend on the screen's reported resolution.
QFont pointFont(const QString &family, double points, bool bold = false, bool italic = false);

// Maps the classic face names to metric-compatible free fonts.
void installFontSubstitutions();

} // namespace platform
