#include "SystemColors.h"

namespace platform {

namespace {

ColorScheme g_scheme = ColorScheme::XpBlue;

} // namespace

void setColorScheme(ColorScheme scheme)
{
    g_scheme = scheme;
}

ColorScheme colorScheme()
{
    return g_scheme;
}

quint32 GetSysColor(int index)
{
    const bool xp = g_scheme == ColorScheme::XpBlue;
    switch (index) {
    case COLOR_HIGHLIGHT: return xp ? RGB(49, 106, 197) : RGB(10, 36, 106);
    case COLOR_BTNFACE: return xp ? RGB(236, 233, 216) : RGB(212, 208, 200);
    case COLOR_BTNSHADOW: return xp ? RGB(172, 168, 153) : RGB(128, 128, 128);
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return xp ? RGB(113, 111, 100) : RGB(64, 64, 64);
    case COLOR_3DLIGHT: return xp ? RGB(241, 239, 226) : RGB(212, 208, 200);
    default: return RGB(0, 0, 0);
    }
}

} // namespace platform
