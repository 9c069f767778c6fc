#pragma once

#include <QRgb>

namespace platform {

// The fixed colour scheme the program draws with. Indexes are the classic
// system colour numbers; a colour value with the high bit set names one.
enum SystemColorIndex : int {
    COLOR_HIGHLIGHT = 13,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_BTNTEXT = 18,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
};

enum class ColorScheme { XpBlue, Classic };

void setColorScheme(ColorScheme scheme);
ColorScheme colorScheme();

// A colour value 0x00BBGGRR of the scheme's entry (black for unknown indexes).
quint32 GetSysColor(int index);

// Turns a 0x00BBGGRR colour value into a Qt colour and back.
inline QRgb toQRgb(quint32 colorRef)
{
    return qRgb(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}
inline quint32 fromQRgb(QRgb rgb)
{
    return quint32(qRed(rgb)) | (quint32(qGreen(rgb)) << 8) | (quint32(qBlue(rgb)) << 16);
}
constexpr quint32 RGB(int red, int green, int blue)
{
    return quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16);
}

} // namespace platform
