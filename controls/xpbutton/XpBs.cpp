#include "XpBs.h"

#include "XpBsAccessible.h"
#include "platform/forms/StdFont.h"
#include "platform/raster/SystemColors.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QShortcut>

#include <cmath>
#include <limits>
#include <stdexcept>

using platform::COLORREF;
using platform::FontSpec;
using platform::PropertyBag;
using platform::RECT;

namespace {

const QString kVersion = QStringLiteral("030102-15");
const QString kDefaultSoundOver = QStringLiteral(".\\resources\\over.wav");
const QString kDefaultSoundClick = QStringLiteral(".\\resources\\click.wav");
constexpr int kHoverPollMs = 10;
constexpr int kCustomPointer = 99;

// The button code of left, right and middle; 0 for the extra buttons
// (back, forward, ...), which the button does not react to.
qint16 mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

qint16 shiftState(Qt::KeyboardModifiers modifiers)
{
    return qint16(((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0)
                  | ((modifiers & Qt::AltModifier) ? 4 : 0));
}

// Qt keys as the classic virtual-key codes the key events carry.
qint16 keyCode(int key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Space)
        return qint16(key);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default:
        if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
            return qint16(112 + (key - Qt::Key_F1));
        return 0;
    }
}

FontSpec fontSpecOf(const QFont &font)
{
    FontSpec fontValue;
    fontValue.name = font.family();
    fontValue.size = font.pixelSize() > 0 ? font.pixelSize() * 72.0 / 96.0 : font.pointSizeF();
    fontValue.bold = font.bold();
    fontValue.italic = font.italic();
    fontValue.underline = font.underline();
    fontValue.strikethrough = font.strikeOut();
    return fontValue;
}

FontSpec fontSpecOf(const platform::StdFont &font)
{
    FontSpec fontValue;
    fontValue.name = font.Name();
    fontValue.size = font.Size();
    fontValue.bold = font.Bold();
    fontValue.italic = font.Italic();
    fontValue.underline = font.Underline();
    fontValue.strikethrough = font.Strikethrough();
    return fontValue;
}

void assignSilently(platform::StdFont &target, const FontSpec &fontValue)
{
    const QSignalBlocker quiet(&target);
    target.setName(fontValue.name);
    target.setSize(fontValue.size);
    target.setBold(fontValue.bold);
    target.setItalic(fontValue.italic);
    target.setUnderline(fontValue.underline);
    target.setStrikethrough(fontValue.strikethrough);
}

} // namespace

XpBs::XpBs(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
    , OverTimer(host.clock.newTimer(this))
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    OverTimer->setObjectName(QStringLiteral("OverTimer"));
    OverTimer->setInterval(kHoverPollMs);
    connect(OverTimer, &platform::Timer::timeout, this, &XpBs::OverTimer_Timer);
    installXpBsAccessibility();
    UserControl_Initialize();
}

XpBs::~XpBs()
{
    UserControl_Terminate();
}

// ---------------------------------------------------------------- life cycle

void XpBs::UserControl_Initialize()
{
    g_Font = new platform::StdFont(this);
    connect(g_Font, &platform::StdFont::FontChanged, this, &XpBs::g_Font_FontChanged);
}

void XpBs::UserControl_Terminate()
{
    OverTimer->stop();
    g_Font = nullptr; // owned by the widget, released with it
}

namespace {

QString ambientDisplayName(const QWidget &control)
{
    return control.objectName();
}

FontSpec ambientFont(const QWidget &control)
{
    return fontSpecOf(control.parentWidget() ? control.parentWidget()->font() : QApplication::font());
}

} // namespace

// ---------------------------------------------------------------- stored properties

namespace {

// What setting a property does after storing it and saying so.
enum class OnSet {
    Store,   // nothing more
    Repaint, // the face is drawn again
    Own,     // its setter does more (see the setter)
};

template <auto Field>
QVariant fieldValue(const XpBs &button)
{
    return QVariant::fromValue(button.*Field);
}

template <auto Field>
void takeField(XpBs &button, const QVariant &value)
{
    button.*Field = value.value<std::decay_t<decltype(button.*Field)>>();
}

QVariant ambientCaption(const XpBs &button)
{
    return ambientDisplayName(button);
}

QVariant ambientFontValue(const XpBs &button)
{
    return QVariant::fromValue(ambientFont(button));
}

} // namespace

struct XpBs::Property {
    const char *key;
    QVariant (*value)(const XpBs &);           // what is written
    void (*take)(XpBs &, const QVariant &);    // where a read or set value goes
    QVariant readDefault;                      // given to ReadProperty
    QVariant storedDefault;                    // given to WriteProperty, at the width the stored form knows
    OnSet onSet;
    bool created;                              // given its default when a new instance is placed
    QVariant (*ambient)(const XpBs &) = nullptr; // both defaults come from the container
};

const std::vector<XpBs::Property> &XpBs::properties()
{
    using platform::booleanValue;
    using platform::colourValue;
    using platform::int16Value;
    using platform::int32Value;
    const QVariant none = QVariant::fromValue(platform::Picture());
    const QVariant noText = QString();
    // In the order the stored form is written. Integers the form stores in
    // 16 bits are compared with a 16-bit default, whatever their field's
    // width; Booleans with 1 or 0.
    static const std::vector<Property> table = {
        {"Caption", fieldValue<&XpBs::m_caption>, takeField<&XpBs::m_caption>, {}, {}, OnSet::Own, true,
         ambientCaption},
        {"PicturePosition", fieldValue<&XpBs::m_picturePosition>, takeField<&XpBs::m_picturePosition>,
         int32Value(1), int16Value(1), OnSet::Repaint, true},
        {"ButtonStyle", fieldValue<&XpBs::m_buttonStyle>, takeField<&XpBs::m_buttonStyle>, int32Value(2),
         int16Value(2), OnSet::Own, true},
        {"Picture", fieldValue<&XpBs::m_picture>,
         [](XpBs &b, const QVariant &v) { b.m_picture = b.m_normalPicture = v.value<platform::Picture>(); }, none,
         none, OnSet::Own, false},
        {"PictureWidth", fieldValue<&XpBs::m_pictureWidth>, takeField<&XpBs::m_pictureWidth>, int32Value(32),
         int16Value(32), OnSet::Repaint, true},
        {"PictureHeight", fieldValue<&XpBs::m_pictureHeight>, takeField<&XpBs::m_pictureHeight>, int32Value(32),
         int16Value(32), OnSet::Repaint, true},
        {"PictureSize", fieldValue<&XpBs::m_pictureSize>, takeField<&XpBs::m_pictureSize>, int32Value(1),
         int16Value(1), OnSet::Own, true},
        {"OriginalPicSizeW", fieldValue<&XpBs::OriginalPicSizeW>, takeField<&XpBs::OriginalPicSizeW>,
         int32Value(32), int16Value(32), OnSet::Own, false},
        {"OriginalPicSizeH", fieldValue<&XpBs::OriginalPicSizeH>, takeField<&XpBs::OriginalPicSizeH>,
         int32Value(32), int16Value(32), OnSet::Own, false},
        {"PictureHover", fieldValue<&XpBs::m_pictureHover>, takeField<&XpBs::m_pictureHover>, none, none,
         OnSet::Own, false},
        {"Enabled", [](const XpBs &b) { return QVariant(b.isEnabled()); },
         [](XpBs &b, const QVariant &v) { b.QWidget::setEnabled(v.toBool()); }, booleanValue(true), true,
         OnSet::Repaint, false},
        {"Font", [](const XpBs &b) { return QVariant::fromValue(fontSpecOf(*b.g_Font)); },
         [](XpBs &b, const QVariant &v) {
             const FontSpec font = v.value<FontSpec>();
             b.m_surface.setFont(font.toQFont());
             assignSilently(*b.g_Font, font);
         },
         {}, {}, OnSet::Own, true, ambientFontValue},
        // Read through its setter, which says so.
        {"MouseIcon", fieldValue<&XpBs::m_mouseIcon>,
         [](XpBs &b, const QVariant &v) { b.setMouseIcon(v.value<platform::Picture>()); }, none, none, OnSet::Own,
         false},
        {"MousePointer", fieldValue<&XpBs::m_mousePointer>,
         [](XpBs &b, const QVariant &v) {
             b.m_mousePointer = v.value<short>();
             b.applyCursor();
         },
         int16Value(0), int16Value(0), OnSet::Store, false},
        {"ShowFocusRect", fieldValue<&XpBs::m_showFocusRect>, takeField<&XpBs::m_showFocusRect>,
         booleanValue(true), int16Value(1), OnSet::Repaint, true},
        {"URL", fieldValue<&XpBs::m_url>, takeField<&XpBs::m_url>, noText, noText, OnSet::Store, true},
        {"XPColor_Pressed", fieldValue<&XpBs::m_xpColorPressed>, takeField<&XpBs::m_xpColorPressed>,
         colourValue(kSysButtonHighlight), colourValue(kSysButtonHighlight), OnSet::Store, true},
        {"XPColor_Hover", fieldValue<&XpBs::m_xpColorHover>, takeField<&XpBs::m_xpColorHover>,
         colourValue(kSysLight), colourValue(kSysLight), OnSet::Store, true},
        {"XPDefaultColors", fieldValue<&XpBs::m_xpDefaultColors>, takeField<&XpBs::m_xpDefaultColors>,
         booleanValue(true), int16Value(1), OnSet::Store, true},
        {"BackColor", fieldValue<&XpBs::m_backColor>, takeField<&XpBs::m_backColor>, colourValue(kSysButtonFace),
         colourValue(kSysButtonFace), OnSet::Own, true},
        {"ForeColor", fieldValue<&XpBs::m_foreColor>, takeField<&XpBs::m_foreColor>, colourValue(kSysButtonText),
         colourValue(kSysButtonText), OnSet::Own, true},
        {"SoundOver", fieldValue<&XpBs::m_soundOver>, takeField<&XpBs::m_soundOver>, kDefaultSoundOver,
         kDefaultSoundOver, OnSet::Store, true},
        {"SoundClick", fieldValue<&XpBs::m_soundClick>, takeField<&XpBs::m_soundClick>, kDefaultSoundClick,
         kDefaultSoundClick, OnSet::Store, true},
        {"DefCurHand", fieldValue<&XpBs::m_defCurHand>, takeField<&XpBs::m_defCurHand>, booleanValue(false),
         int16Value(0), OnSet::Store, true},
        {"XPShowBorderAlways", fieldValue<&XpBs::m_xpShowBorderAlways>, takeField<&XpBs::m_xpShowBorderAlways>,
         booleanValue(false), int16Value(0), OnSet::Store, true},
        {"MaskColor", fieldValue<&XpBs::m_maskColor>, takeField<&XpBs::m_maskColor>, colourValue(0), int16Value(0),
         OnSet::Repaint, true},
        {"TransparentBG", fieldValue<&XpBs::m_transparentBG>, takeField<&XpBs::m_transparentBG>,
         booleanValue(false), int16Value(0), OnSet::Repaint, true},
        {"BEVEL", fieldValue<&XpBs::m_bevel>, takeField<&XpBs::m_bevel>, int16Value(1), int16Value(1),
         OnSet::Repaint, true},
        {"BEVELDEPTH", fieldValue<&XpBs::m_bevelDepth>, takeField<&XpBs::m_bevelDepth>, int16Value(8),
         int16Value(8), OnSet::Repaint, true},
    };
    return table;
}

const XpBs::Property &XpBs::propertyRow(const char *key)
{
    for (const Property &row : properties()) {
        if (qstrcmp(row.key, key) == 0)
            return row;
    }
    Q_UNREACHABLE();
}

template <typename T>
void XpBs::set(const char *key, const T &value)
{
    const Property &row = propertyRow(key);
    row.take(*this, QVariant::fromValue(value));
    notify(key);
    if (row.onSet == OnSet::Repaint)
        Refresh();
}

void XpBs::UserControl_InitProperties()
{
    for (const Property &row : properties()) {
        if (row.created)
            row.take(*this, row.ambient ? row.ambient(*this) : row.readDefault);
    }
    m_normalPicture = platform::EmptyPicture();
    m_pictureHover = platform::EmptyPicture();
}

void XpBs::UserControl_ReadProperties(PropertyBag &bag)
{
    // The order of reading, which is also the order of the messages about
    // values that do not read.
    static const char *const order[] = {
        "BackColor", "ForeColor", "ShowFocusRect", "Caption", "PicturePosition", "ButtonStyle", "Picture",
        "PictureWidth", "PictureHeight", "PictureSize", "OriginalPicSizeW", "OriginalPicSizeH", "Font",
        "PictureHover", "MouseIcon", "Enabled", "MousePointer", "URL", "XPColor_Pressed", "XPColor_Hover",
        "XPDefaultColors", "SoundOver", "SoundClick", "DefCurHand", "XPShowBorderAlways", "MaskColor",
        "TransparentBG", "BEVEL", "BEVELDEPTH",
    };
    static_assert(std::size(order) == 29, "every stored key is read once");
    for (const char *key : order) {
        const Property &row = propertyRow(key);
        row.take(*this, bag.ReadProperty(QString::fromLatin1(key), row.ambient ? row.ambient(*this) : row.readDefault));
    }
    // A loaded button's surface takes its colours; a new one's keeps its own.
    m_surfaceBackColor = m_backColor;
    m_surfaceForeColor = m_foreColor;
    m_kept.keep(bag);
    m_scaledPictures.keepOnly({&m_picture, &m_normalPicture, &m_pictureHover});

    SetAccessKey();
    UserControl_Resize();
}

void XpBs::UserControl_WriteProperties(PropertyBag &bag) const
{
    for (const Property &row : properties()) {
        const QVariant defaultValue = row.ambient ? row.ambient(*this) : row.storedDefault;
        m_kept.WriteProperty(bag, QString::fromLatin1(row.key), row.value(*this), defaultValue);
    }
}

void XpBs::notify(const char *name)
{
    const QString key = QString::fromLatin1(name);
    m_kept.forget(key);
    emit PropertyChanged(key);
}

void XpBs::UserControl_AmbientChanged(const QString &)
{
    Refresh();
}

// ---------------------------------------------------------------- properties

void XpBs::setEnabled(bool enabled)
{
    // Stored, told, then repainted, whatever the value was: the repaint of
    // Qt's enabled change would come before the notification.
    const QScopedValueRollback<bool> setting(m_settingEnabled, true);
    set("Enabled", enabled);
}

void XpBs::setFont(const platform::StdFont &font)
{
    // The font object keeps its identity: only its attributes change.
    g_Font->setName(font.Name());
    g_Font->setSize(font.Size());
    g_Font->setBold(font.Bold());
    g_Font->setItalic(font.Italic());
    g_Font->setUnderline(font.Underline());
    g_Font->setStrikethrough(font.Strikethrough());
    notify("Font");
}

void XpBs::g_Font_FontChanged(const QString &)
{
    // Changed through the font object itself: no longer the stored font.
    m_kept.forget(QStringLiteral("Font"));
    m_surface.setFont(g_Font->toQFont());
    Refresh();
}

qint32 XpBs::hwnd() const
{
    // Asking for the button's own native window would turn it into one and
    // change how it is drawn; the window system handle it paints through is
    // its window's.
    return qint32(effectiveWinId());
}

void XpBs::setMousePointer(qint32 pointer)
{
    if (pointer < std::numeric_limits<qint16>::min() || pointer > std::numeric_limits<qint16>::max())
        throw std::overflow_error("Overflow");
    set("MousePointer", qint16(pointer)); // checked above
}

void XpBs::setMouseIcon(const platform::Picture &icon)
{
    m_mouseIcon = icon;
    applyCursor();
    notify("MouseIcon");
}

void XpBs::applyCursor()
{
    if (m_mousePointer == kCustomPointer) {
        if (m_mouseIcon && !m_mouseIcon->image.isNull())
            setCursor(QCursor(QPixmap::fromImage(m_mouseIcon->image)));
        else
            setCursor(Qt::PointingHandCursor); // a custom pointer without a picture
        return;
    }
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor, Qt::ArrowCursor, Qt::CrossCursor, Qt::IBeamCursor, Qt::ArrowCursor,
        Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeHorCursor,
        Qt::UpArrowCursor, Qt::WaitCursor, Qt::ForbiddenCursor, Qt::BusyCursor, Qt::WhatsThisCursor,
        Qt::SizeAllCursor,
    };
    const bool known = m_mousePointer >= 0 && m_mousePointer < int(std::size(shapes));
    setCursor(known ? shapes[m_mousePointer] : Qt::ArrowCursor);
}

void XpBs::setShowFocusRect(bool show)
{
    set("ShowFocusRect", show);
}

void XpBs::setURL(const QString &url)
{
    set("URL", url);
}

void XpBs::setCaption(const QString &caption)
{
    set("Caption", caption);
    SetAccessKey();
    Refresh();
}

void XpBs::setButtonStyle(qint32 style)
{
    set("ButtonStyle", style);
    if (style == 3)
        setTransparentBG(false);
    UserControl_Resize();
}

void XpBs::setPicturePosition(qint32 position)
{
    set("PicturePosition", position);
}

void XpBs::setPicture(const platform::Picture &picture)
{
    m_picture = picture;
    m_normalPicture = picture;
    m_scaledPictures.keepOnly({&m_picture, &m_pictureHover});
    if (!picture) {
        OriginalPicSizeW = 32;
        OriginalPicSizeH = 32;
    } else {
        // HIMETRIC (0.01 mm) to pixels at 96 dpi.
        OriginalPicSizeW = qint32(std::nearbyint(picture->widthHimetric * 96.0 / 2540.0));
        OriginalPicSizeH = qint32(std::nearbyint(picture->heightHimetric * 96.0 / 2540.0));
    }
    notify("Picture");
    // Set along with the picture: what is saved for them is theirs now.
    m_kept.forget(QStringLiteral("OriginalPicSizeW"));
    m_kept.forget(QStringLiteral("OriginalPicSizeH"));
    if (m_pictureSize == 2) {
        m_pictureWidth = OriginalPicSizeW;
        m_pictureHeight = OriginalPicSizeH;
        m_kept.forget(QStringLiteral("PictureWidth"));
        m_kept.forget(QStringLiteral("PictureHeight"));
    }
    Refresh();
}

void XpBs::setPictureWidth(qint32 width)
{
    set("PictureWidth", width);
}

void XpBs::setPictureHeight(qint32 height)
{
    set("PictureHeight", height);
}

void XpBs::setPictureSize(qint32 size)
{
    set("PictureSize", size);
    if (size >= 0 && size <= 2) {
        m_kept.forget(QStringLiteral("PictureWidth"));
        m_kept.forget(QStringLiteral("PictureHeight"));
    }
    switch (size) {
    case 0:
        m_pictureWidth = m_pictureHeight = 16;
        break;
    case 1:
        m_pictureWidth = m_pictureHeight = 32;
        break;
    case 2:
        m_pictureWidth = m_picture ? OriginalPicSizeW : 32;
        m_pictureHeight = m_picture ? OriginalPicSizeH : 32;
        break;
    default:
        break;
    }
    Refresh();
}

void XpBs::setPictureHover(const platform::Picture &picture)
{
    set("PictureHover", picture);
    m_scaledPictures.keepOnly({&m_picture, &m_normalPicture, &m_pictureHover});
}

void XpBs::setXPColor_Pressed(COLORREF colour)
{
    set("XPColor_Pressed", colour);
}

void XpBs::setXPColor_Hover(COLORREF colour)
{
    set("XPColor_Hover", colour);
}

void XpBs::setXPDefaultColors(bool useDefaults)
{
    set("XPDefaultColors", useDefaults);
}

void XpBs::setBackColor(COLORREF colour)
{
    set("BackColor", colour);
    m_surfaceBackColor = colour;
    Refresh();
}

void XpBs::setForeColor(COLORREF colour)
{
    set("ForeColor", colour);
    m_surfaceForeColor = colour;
    Refresh();
}

void XpBs::setSoundOver(const QVariant &path)
{
    set("SoundOver", path.toString());
}

void XpBs::setSoundClick(const QString &path)
{
    set("SoundClick", path);
}

QString XpBs::version() const
{
    return kVersion;
}

void XpBs::setVersion(const QString &)
{
    // Read-only in effect: the text stays the one stored with the control.
}

void XpBs::setDefCurHand(bool hand)
{
    set("DefCurHand", hand);
}

void XpBs::setXPShowBorderAlways(bool always)
{
    set("XPShowBorderAlways", always);
}

void XpBs::setMaskColor(COLORREF colour)
{
    set("MaskColor", colour);
}

void XpBs::setTransparentBG(bool transparent)
{
    set("TransparentBG", transparent);
}

void XpBs::setBEVEL(qint16 bevel)
{
    set("BEVEL", bevel);
}

void XpBs::setBEVELDEPTH(qint16 depth)
{
    set("BEVELDEPTH", depth);
}

void XpBs::setDefault(bool isDefault)
{
    m_default = isDefault;
}

void XpBs::setUserMode(bool runMode)
{
    m_userMode = runMode;
    UserControl_AmbientChanged(QStringLiteral("UserMode"));
}

// ---------------------------------------------------------------- interaction

bool XpBs::inside(float x, float y) const
{
    return x >= 0.0f && x < float(width()) && y >= 0.0f && y < float(height());
}

void XpBs::UserControl_MouseDown(qint16 Button, qint16 Shift, float X, float Y)
{
    LastButton = Button;
    LastShift = Shift;
    LastX = X;
    LastY = Y;
    if (Button != 2) {
        IsDown = 1;
        Refresh();
    }
    emit MouseDown(Button, Shift, X, Y);
}

void XpBs::UserControl_MouseMove(qint16 Button, qint16 Shift, float X, float Y)
{
    if (inside(X, Y) && IsOver == 0) {
        OverTimer->start();
        IsOver = 1;
        // An empty hover picture would make the picture vanish while the
        // pointer is over the button: only a hover picture with an image
        // takes the picture's place.
        if (m_pictureHover && m_pictureHover->type != platform::PictureData::Empty)
            m_picture = m_pictureHover;
        emit MouseIn(Shift);
        Refresh();
        m_host.eventLoop.yield(); // shows the hover face at once
    }
    emit MouseMove(Button, Shift, X, Y);
}

QWidget *XpBs::windowUnderPointer() const
{
    return QApplication::widgetAt(QCursor::pos());
}

void XpBs::OverTimer_Timer()
{
    if (windowUnderPointer() == this)
        return;
    OverTimer->stop();
    IsOver = 0;
    m_picture = m_normalPicture;
    qint16 shift = LastShift;
    emit MouseOut(shift);
    Refresh();
    if (IsDown == 1) {
        // Away from the button a held press looks released, but stays armed
        // for the pointer's return.
        XpBsFace released = face();
        released.isDown = false;
        paintFace(released);
    }
}

void XpBs::UserControl_MouseUp(qint16 Button, qint16 Shift, float X, float Y)
{
    IsDown = 0;
    if (Button != 2) {
        Refresh();
        if (inside(X, Y)) {
            PlaySoundFile(m_soundClick);
            emit Click();
            GoToURL();
        }
    }
    emit MouseUp(Button, Shift, X, Y);
}

void XpBs::UserControl_DblClick()
{
    // The second press of a double click is a press of its own.
    UserControl_MouseDown(LastButton, LastShift, LastX, LastY);
}

void XpBs::UserControl_KeyDown(qint16 KeyCode, qint16 Shift)
{
    if (KeyHeld == 0) {
        if (KeyCode == 32) {
            IsDown = 1;
            IsOver = 1;
            Refresh();
        }
        KeyHeld = 1;
    }
    emit KeyDown(KeyCode, Shift);
}

void XpBs::UserControl_KeyPress(qint16 KeyAscii)
{
    emit KeyPress(KeyAscii);
}

void XpBs::UserControl_KeyUp(qint16 KeyCode, qint16 Shift)
{
    if (KeyCode == 32) {
        IsDown = 0;
        IsOver = 0;
        Refresh();
        UserControl_MouseUp(1, Shift, 0.0f, 0.0f);
    }
    KeyHeld = 0;
    emit KeyUp(KeyCode, Shift);
}

void XpBs::UserControl_AccessKeyPress(qint16)
{
    if (!isEnabled())
        return;
    emit Click();
    GoToURL();
}

void XpBs::UserControl_EnterFocus()
{
    HasFocus = 1;
    Refresh();
}

void XpBs::UserControl_ExitFocus()
{
    HasFocus = 0;
    IsDown = 0;
    Refresh();
}

void XpBs::GoToURL()
{
    if (m_url.left(7) == QLatin1String("mailto:"))
        ShellOpenURL(window(), m_url);
    else if (!m_url.isEmpty())
        m_host.shell.Navigate(m_url);
}

void XpBs::PlaySoundFile(const QString &path)
{
    m_host.sound.PlaySoundFile(path);
}

void XpBs::ShellOpenURL(QWidget *form, const QString &target)
{
    m_host.shell.ShellOpen(form, target);
}

QString XpBs::accessKeyOf(const QString &caption)
{
    // The letter the caption underlines: "&&" draws one "&" and marks
    // nothing, a lone trailing "&" marks nothing either.
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) != QLatin1Char('&'))
            return caption.mid(i + 1, 1).toLower();
        ++i;
    }
    return QString();
}

void XpBs::SetAccessKey()
{
    const QString key = accessKeyOf(m_caption);
    if (key == m_accessKeys)
        return;
    m_accessKeys = key;
    delete m_accessKey;
    m_accessKey = nullptr;
    if (key.isEmpty())
        return;
    m_accessKey = new QShortcut(QKeySequence(QStringLiteral("Alt+") + key.toUpper()), this);
    m_accessKey->setContext(Qt::WindowShortcut);
    connect(m_accessKey, &QShortcut::activated, this,
            [this] { UserControl_AccessKeyPress(qint16(m_accessKeys.at(0).unicode())); });
}

// ---------------------------------------------------------------- Qt events

void XpBs::mousePressEvent(QMouseEvent *event)
{
    const qint16 button = mouseButton(event->button());
    if (button == 0)
        return;
    const QPointF at = event->position();
    UserControl_MouseDown(button, shiftState(event->modifiers()), float(at.x()), float(at.y()));
}

void XpBs::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (mouseButton(event->button()) == 0)
        return;
    UserControl_DblClick();
}

void XpBs::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    qint16 button = 0;
    if (event->buttons() & Qt::LeftButton)
        button |= 1;
    if (event->buttons() & Qt::RightButton)
        button |= 2;
    if (event->buttons() & Qt::MiddleButton)
        button |= 4;
    UserControl_MouseMove(button, shiftState(event->modifiers()), float(at.x()), float(at.y()));
}

void XpBs::mouseReleaseEvent(QMouseEvent *event)
{
    const qint16 button = mouseButton(event->button());
    if (button == 0)
        return;
    const QPointF at = event->position();
    UserControl_MouseUp(button, shiftState(event->modifiers()), float(at.x()), float(at.y()));
}

void XpBs::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QWidget::keyPressEvent(event); // the focus moves on
        return;
    }
    if (event->key() == Qt::Key_Space)
        m_spacePressSeen = true;
    UserControl_KeyDown(keyCode(event->key()), shiftState(event->modifiers()));
    const QString text = event->text();
    if (!text.isEmpty())
        UserControl_KeyPress(qint16(text.at(0).unicode()));
    // Enter on the focused button reaches it as its access key does, so
    // that a keyboard clicks it with either key a button usually takes.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat() && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        UserControl_AccessKeyPress(13);
}

void XpBs::keyReleaseEvent(QKeyEvent *event)
{
    // A held key repeats its press, never its release.
    if (event->isAutoRepeat())
        return;
    if (event->key() == Qt::Key_Space) {
        // The space bar pressed in another window (on a popup's link, say)
        // and released after the focus came here is not this button's.
        if (!m_spacePressSeen)
            return;
        m_spacePressSeen = false;
    }
    UserControl_KeyUp(keyCode(event->key()), shiftState(event->modifiers()));
}

void XpBs::focusInEvent(QFocusEvent *)
{
    UserControl_EnterFocus();
}

void XpBs::focusOutEvent(QFocusEvent *)
{
    // A space released after the focus comes back was pressed elsewhere.
    m_spacePressSeen = false;
    UserControl_ExitFocus();
}

void XpBs::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        UserControl_AmbientChanged(QString());
    // Enabled or disabled through Qt, by its window as well: the face that
    // shows is the one of the state Enabled reads.
    if (event->type() == QEvent::EnabledChange && !m_settingEnabled)
        Refresh();
    QWidget::changeEvent(event);
}

void XpBs::resizeEvent(QResizeEvent *)
{
    UserControl_Resize();
}

void XpBs::paintEvent(QPaintEvent *)
{
    // Moved to a screen of another pixel ratio: the face is drawn again at
    // the new one rather than scaled from the old.
    if (m_image.devicePixelRatio() != devicePixelRatioF())
        Refresh();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}
