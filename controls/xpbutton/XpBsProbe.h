#pragma once

#include "XpBs.h"

// What tests and fuzz targets reach inside a button: its handlers, named
// after what calls them, and what it keeps between repaints. A form has no
// use for any of it. What a repaint draws from is the button's face().
struct XpBsProbe {
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
    static void OverTimer_Timer(XpBs &b) { b.OverTimer_Timer(); }

    static platform::Timer *overTimer(const XpBs &b) { return b.OverTimer; }
    // The window's region, once a style-3 resize has made one.
    static QRegion region(const XpBs &b) { return b.m_regionValid ? b.m_region : QRegion(); }
    // The key the caption's "&" marks, in lower case, or nothing.
    static QString AccessKeys(const XpBs &b) { return b.m_accessKeys; }
    // What the window shows.
    static const QImage &image(const XpBs &b) { return b.m_image; }
    // Repaints since the button was made.
    static quint64 paints(const XpBs &b) { return b.m_paints; }

    static QString accessKeyOf(const QString &caption) { return XpBs::accessKeyOf(caption); }
};
