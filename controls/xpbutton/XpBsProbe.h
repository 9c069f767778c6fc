#pragma once

#include "XpBs.h"

// What tests and fuzz targets reach inside a button: its handlers, named
// after what calls them, and the state its painters read. A form has no use
// for any of it.
struct XpBsProbe {
    static void UserControl_Initialize(XpBs &b) { b.UserControl_Initialize(); }
    static void UserControl_Resize(XpBs &b) { b.UserControl_Resize(); }
    static void UserControl_MouseDown(XpBs &b, qint16 Button, qint16 Shift, float X, float Y)
    {
        b.UserControl_MouseDown(Button, Shift, X, Y);
    }
    static void UserControl_MouseMove(XpBs &b, qint16 Button, qint16 Shift, float X, float Y)
    {
        b.UserControl_MouseMove(Button, Shift, X, Y);
    }
    static void UserControl_MouseUp(XpBs &b, qint16 Button, qint16 Shift, float X, float Y)
    {
        b.UserControl_MouseUp(Button, Shift, X, Y);
    }
    static void UserControl_DblClick(XpBs &b) { b.UserControl_DblClick(); }
    static void UserControl_KeyDown(XpBs &b, qint16 KeyCode, qint16 Shift) { b.UserControl_KeyDown(KeyCode, Shift); }
    static void UserControl_KeyPress(XpBs &b, qint16 KeyAscii) { b.UserControl_KeyPress(KeyAscii); }
    static void UserControl_KeyUp(XpBs &b, qint16 KeyCode, qint16 Shift) { b.UserControl_KeyUp(KeyCode, Shift); }
    static void UserControl_EnterFocus(XpBs &b) { b.UserControl_EnterFocus(); }
    static void UserControl_ExitFocus(XpBs &b) { b.UserControl_ExitFocus(); }
    static void UserControl_Terminate(XpBs &b) { b.UserControl_Terminate(); }
    static void OverTimer_Timer(XpBs &b) { b.OverTimer_Timer(); }

    static quint8 hasFocusFlag(const XpBs &b) { return b.HasFocus; }
    static quint8 isDownFlag(const XpBs &b) { return b.IsDown; }
    static quint8 isOverFlag(const XpBs &b) { return b.IsOver; }
    static platform::Timer *overTimer(const XpBs &b) { return b.OverTimer; }
    // The layout of the last repaint.
    static XpBs::RECT innerRect(const XpBs &b) { return b.m_layout.inner; }
    static XpBs::RECT pictureRect(const XpBs &b) { return b.m_layout.picture; }
    static XpBs::RECT captionRect(const XpBs &b) { return b.m_layout.caption; }
    // The window's region, once a style-3 resize has made one.
    static QRegion region(const XpBs &b) { return b.m_regionValid ? b.m_region : QRegion(); }
    // The key the caption's "&" marks, in lower case, or nothing.
    static QString AccessKeys(const XpBs &b) { return b.m_accessKeys; }
    // What the window shows.
    static const QImage &image(const XpBs &b) { return b.m_image; }
    // Repaints since the button was made.
    static quint64 paints(const XpBs &b) { return b.m_paints; }

    static QString accessKeyOf(const QString &caption) { return XpBs::accessKeyOf(caption); }
    static XpBs::COLORREF OffsetColor(XpBs::COLORREF colour, qint32 amount) { return XpBs::OffsetColor(colour, amount); }
    static XpBs::COLORREF AddToChannels(XpBs::COLORREF colour, qint32 amount)
    {
        return XpBs::AddToChannels(colour, amount);
    }
    static bool PlacePair(const XpBs::RECT &inner, int picW, int picH, int capW, int capH, qint32 position,
                          XpBs::RECT &picture, XpBs::RECT &caption)
    {
        return XpBs::PlacePair(inner, picW, picH, capW, capH, position, picture, caption);
    }
};
