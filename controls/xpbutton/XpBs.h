#pragma once

#include "platform/host/Host.h"
#include "platform/host/Timer.h"
#include "platform/forms/PropertyBag.h"
#include "platform/raster/Raster.h"

#include "ScaledPictures.h"
#include "XpBsFace.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <vector>

class QShortcut;
namespace platform { class StdFont; }

// The program's own push button: five face styles, hover tracking with a
// 10 ms timer, pictures, a click sound and a URL opened after each click.
// It draws every pixel of itself into a persistent image that every paint
// shows.
class XpBs : public QWidget {
    Q_OBJECT

public:
    static constexpr const char *kClassId = "vorlenta.XpBs";

    explicit XpBs(platform::Host &host, QWidget *parent = nullptr);
    ~XpBs() override;

    // Life cycle, called by the window that holds the button.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(platform::PropertyBag &bag);
    void UserControl_WriteProperties(platform::PropertyBag &bag) const;
    void UserControl_AmbientChanged(const QString &name);

    // The public interface, in its declared order.
    void Refresh();
    // Its access key pressed; a screen reader's press action too.
    void UserControl_AccessKeyPress(qint16 KeyAscii);
    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled);
    platform::StdFont *Font() const { return g_Font; }
    void setFont(const platform::StdFont &font);
    qint32 hwnd() const;
    qint32 MousePointer() const { return m_mousePointer; }
    void setMousePointer(qint32 pointer); // throws std::overflow_error outside 16 bits
    platform::Picture MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const platform::Picture &icon);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);
    void GoToURL();
    QString URL() const { return m_url; }
    void setURL(const QString &url);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    qint32 ButtonStyle() const { return m_buttonStyle; }
    void setButtonStyle(qint32 style);
    qint32 PicturePosition() const { return m_picturePosition; }
    void setPicturePosition(qint32 position);
    platform::Picture Picture() const { return m_picture; }
    void setPicture(const platform::Picture &picture);
    qint32 PictureWidth() const { return m_pictureWidth; }
    void setPictureWidth(qint32 width);
    qint32 PictureHeight() const { return m_pictureHeight; }
    void setPictureHeight(qint32 height);
    qint32 PictureSize() const { return m_pictureSize; }
    void setPictureSize(qint32 size);
    platform::Picture PictureHover() const { return m_pictureHover; }
    void setPictureHover(const platform::Picture &picture);
    platform::COLORREF XPColor_Pressed() const { return m_xpColorPressed; }
    void setXPColor_Pressed(platform::COLORREF colour);
    platform::COLORREF XPColor_Hover() const { return m_xpColorHover; }
    void setXPColor_Hover(platform::COLORREF colour);
    bool XPDefaultColors() const { return m_xpDefaultColors; }
    void setXPDefaultColors(bool useDefaults);
    platform::COLORREF BackColor() const { return m_backColor; }
    void setBackColor(platform::COLORREF colour);
    platform::COLORREF ForeColor() const { return m_foreColor; }
    void setForeColor(platform::COLORREF colour);
    QVariant SoundOver() const { return m_soundOver; }
    void setSoundOver(const QVariant &path);
    QString SoundClick() const { return m_soundClick; }
    void setSoundClick(const QString &path);
    QString version() const;
    void setVersion(const QString &ignored);
    bool DefCurHand() const { return m_defCurHand; }
    void setDefCurHand(bool hand);
    bool XPShowBorderAlways() const { return m_xpShowBorderAlways; }
    void setXPShowBorderAlways(bool always);
    platform::COLORREF MaskColor() const { return m_maskColor; }
    void setMaskColor(platform::COLORREF colour);
    bool TransparentBG() const { return m_transparentBG; }
    void setTransparentBG(bool transparent);
    qint16 BEVEL() const { return m_bevel; }
    void setBEVEL(qint16 bevel);
    qint16 BEVELDEPTH() const { return m_bevelDepth; }
    void setBEVELDEPTH(qint16 depth);

    // The container's side: its default-button mark and its design or run
    // mode.
    void setDefault(bool isDefault);
    void setUserMode(bool runMode);

    // What a repaint draws now: the state its painters read.
    XpBsFace face() const;

signals:
    void Click();
    void KeyDown(qint16 &KeyCode, qint16 &Shift);
    void KeyPress(qint16 &KeyAscii);
    void KeyUp(qint16 &KeyCode, qint16 &Shift);
    void MouseDown(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void MouseMove(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void MouseUp(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void MouseIn(qint16 &Shift);
    void MouseOut(qint16 &Shift);
    // The container's property-changed notification.
    void PropertyChanged(const QString &name);

protected:
    // The window under the pointer, for the hover test.
    virtual QWidget *windowUnderPointer() const;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Handlers, named after what calls them; tests and fuzz targets reach
    // them, and the state below, through XpBsProbe.
    friend struct XpBsProbe;
    using COLORREF = platform::COLORREF;
    using RECT = platform::RECT;
    void UserControl_Initialize();
    void UserControl_Resize();
    void UserControl_MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_MouseUp(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_DblClick();
    void UserControl_KeyDown(qint16 KeyCode, qint16 Shift);
    void UserControl_KeyPress(qint16 KeyAscii);
    void UserControl_KeyUp(qint16 KeyCode, qint16 Shift);
    void UserControl_EnterFocus();
    void UserControl_ExitFocus();
    void UserControl_Terminate();

    void OverTimer_Timer();

    static constexpr COLORREF kSysButtonText = 0x80000012;
    static constexpr COLORREF kSysButtonFace = 0x8000000F;
    static constexpr COLORREF kSysButtonHighlight = 0x80000014;
    static constexpr COLORREF kSysLight = 0x80000016;

    // The key the caption's "&" marks, in lower case, or nothing.
    static QString accessKeyOf(const QString &caption);

private:
    bool inside(float x, float y) const;
    void notify(const char *name);
    // One row for each stored property: its key, how its value is read into
    // the control and written from it, its defaults, and what setting it
    // does (XpBs.cpp). Reading, writing, creating and the setters all go
    // through it.
    struct Property;
    static const std::vector<Property> &properties();
    static const Property &propertyRow(const char *key);
    // Stores a new value through its row, says so (PropertyChanged) and,
    // for the properties the face shows, draws the face again.
    template <typename T>
    void set(const char *key, const T &value);
    void g_Font_FontChanged(const QString &propertyName);
    void applyCursor();
    void PlaySoundFile(const QString &path);
    void ShellOpenURL(QWidget *form, const QString &target);
    void SetAccessKey();

    // Draws a face (XpBsFace.h) on the button's image and keeps what the
    // repaint changes: the colour it cleared to, the layout.
    void paintFace(const XpBsFace &face);
    void MakeRegion();

    platform::Host &m_host;
    platform::Surface m_surface;
    QImage m_image;
    platform::Timer *OverTimer = nullptr;
    QShortcut *m_accessKey = nullptr;
    QString m_accessKeys;

    // Properties.
    QString m_caption;
    qint32 m_picturePosition = 0;
    qint32 m_buttonStyle = 0;
    platform::Picture m_picture;
    platform::Picture m_normalPicture;
    platform::Picture m_pictureHover;
    qint32 m_pictureWidth = 0;
    qint32 m_pictureHeight = 0;
    qint32 m_pictureSize = 0;
    qint32 OriginalPicSizeW = 0;
    qint32 OriginalPicSizeH = 0;
    QString m_url;
    bool m_showFocusRect = false;
    qint16 m_bevel = 0;
    qint16 m_bevelDepth = 0;
    bool m_transparentBG = false;
    COLORREF m_maskColor = 0;
    bool m_xpShowBorderAlways = false;
    bool m_defCurHand = false;
    QVariant m_soundOver;
    QString m_soundClick;
    COLORREF m_foreColor = 0;
    COLORREF m_backColor = 0;
    bool m_xpDefaultColors = false;
    COLORREF m_xpColorPressed = 0;
    COLORREF m_xpColorHover = 0;
    platform::StdFont *g_Font = nullptr;
    qint16 m_mousePointer = 0; // the surface's cursor shape is 16-bit
    platform::Picture m_mouseIcon;
    // Stored values that did not read, written back as they were.
    platform::KeptValues m_kept;
    // The pictures as last drawn, scaled: a cache the painters fill.
    ScaledPictures m_scaledPictures;

    // The surface's own colours (what Cls clears to).
    COLORREF m_surfaceBackColor = kSysButtonFace;
    COLORREF m_surfaceForeColor = kSysButtonText;

    // Interaction state.
    quint8 HasFocus = 0;
    quint8 IsDown = 0;
    quint8 IsOver = 0;
    quint8 KeyHeld = 0;
    bool m_spacePressSeen = false; // a space release clicks only after its press came here
    bool m_settingEnabled = false;  // Enabled repaints after its notification, not on Qt's change
    qint16 LastButton = 0;
    qint16 LastShift = 0;
    float LastX = 0;
    float LastY = 0;

    // Geometry and layout.
    qint32 FaceWidth = 0;
    qint32 FaceHeight = 0;
    XpBsFace::Layout m_layout; // of the last repaint
    QRegion m_region;
    bool m_regionValid = false;
    quint64 m_paints = 0;

    bool m_default = false;
    bool m_userMode = true;
};
