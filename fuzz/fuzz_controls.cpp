// Reads the input as a program of operations on one XpBs button and one
// Xp_ProgressBar in a hidden form: property assignments of any value, pictures,
// resizes, the handlers that input and focus call, the hover timer, and
// saving to and reading from property bags. After each operation the
// observable rules are checked:
//  - a button property reads back what was assigned (MousePointer outside
//    16 bits fails with std::overflow_error and keeps the old value);
//  - Min, Max and Value refuse exactly the values out of range, with one
//    message each, and keep the old value;
//  - the image a control shows has the control's size after a repaint;
//  - what a control saves, a fresh control reads and saves the same way.

#include "FuzzChecks.h"
#include "FuzzHost.h"

#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/forms/PropertyBag.h"
#include "platform/forms/StdFont.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>

using fuzzing::rereadsAsWritten;
using platform::Picture;
using platform::PropertyBag;

namespace {

constexpr int kLargestSide = 2000;
constexpr int kMostOperations = 96;
constexpr int kMostSweepSteps = 120;
constexpr qint64 kMostSweepPixels = 1000000;

// A button whose hover test asks the input where the pointer is.
class FuzzButton : public XpBs {
public:
    using XpBs::XpBs;
    bool pointerOver = false;

protected:
    QWidget *windowUnderPointer() const override
    {
        return pointerOver ? const_cast<FuzzButton *>(this) : parentWidget();
    }
};

qint32 anyInt32(FuzzedDataProvider &in)
{
    // Mostly the interesting neighbourhoods, sometimes any value.
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: return in.ConsumeIntegral<qint32>();
    case 1: return in.ConsumeIntegralInRange<qint32>(-3, 8);
    case 2: return in.ConsumeBool() ? std::numeric_limits<qint32>::max() - in.ConsumeIntegralInRange(0, 3)
                                    : std::numeric_limits<qint32>::min() + in.ConsumeIntegralInRange(0, 3);
    case 3: return in.ConsumeIntegralInRange<qint32>(-40000, 40000);
    case 4: return in.ConsumeIntegralInRange<qint32>(0, 100);
    default: return in.ConsumeIntegralInRange<qint32>(-5000, 5000);
    }
}

quint32 anyColour(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: return 0x80000000u | in.ConsumeIntegralInRange<quint32>(0, 40); // system colours, and past them
    case 1: return in.ConsumeIntegralInRange<quint32>(0, 0xFFFFFF);
    default: return in.ConsumeIntegral<quint32>();
    }
}

float anyCoordinate(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return float(in.ConsumeIntegralInRange(-5, 140));
    case 1: return in.ConsumeFloatingPoint<float>();
    case 2: {
        const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(), -0.0f, 1e30f, -1e30f};
        return specials[in.ConsumeIntegralInRange<size_t>(0, std::size(specials) - 1)];
    }
    default: return in.ConsumeFloatingPointInRange<float>(-10.0f, 200.0f);
    }
}

QString anyText(FuzzedDataProvider &in, size_t longest)
{
    const std::string bytes = in.ConsumeRandomLengthString(longest);
    return in.ConsumeBool() ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                            : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

QImage anyImage(FuzzedDataProvider &in, int width, int height)
{
    const QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8,
                                      QImage::Format_Mono, QImage::Format_RGB888};
    const QImage::Format format = formats[in.ConsumeIntegralInRange<size_t>(0, std::size(formats) - 1)];
    QImage image(width, height, format);
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const quint32 first = in.ConsumeIntegral<quint32>();
    const quint32 second = in.ConsumeIntegral<quint32>();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool pick = ((x * 7 + y * 3) & 3) == 0;
            if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono)
                image.setPixel(x, y, pick ? 1u : 0u);
            else
                image.setPixel(x, y, pick ? first : second);
        }
    }
    return image;
}

Picture anyPicture(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return nullptr;
    case 1: return platform::EmptyPicture();
    default: break;
    }
    auto picture = std::make_shared<platform::PictureData>();
    const int kinds[] = {platform::PictureData::Bitmap, platform::PictureData::Icon, platform::PictureData::Empty};
    picture->type = kinds[in.ConsumeIntegralInRange(0, 2)];
    if (in.ConsumeIntegralInRange(0, 5) != 0) {
        const int width = in.ConsumeIntegralInRange(1, 48);
        const int height = in.ConsumeIntegralInRange(1, 48);
        picture->image = anyImage(in, width, height);
    }
    if (in.ConsumeBool()) {
        picture->widthHimetric = platform::pixelsToHimetric(picture->image.width());
        picture->heightHimetric = platform::pixelsToHimetric(picture->image.height());
    } else {
        picture->widthHimetric = anyInt32(in);
        picture->heightHimetric = anyInt32(in);
    }
    return picture;
}

QVariant anyStoredValue(FuzzedDataProvider &in)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: return QVariant::fromValue(anyInt32(in));
    case 1: return QVariant::fromValue(in.ConsumeIntegral<short>());
    case 2: return QVariant::fromValue(anyColour(in));
    case 3: return QVariant::fromValue(in.ConsumeBool());
    case 4: return QVariant::fromValue(anyText(in, 12));
    case 5: {
        platform::FontSpec font;
        font.name = in.ConsumeBool() ? QStringLiteral("Verdana") : QStringLiteral("Arial");
        font.size = in.ConsumeFloatingPointInRange(-10.0, 100.0);
        return QVariant::fromValue(font);
    }
    case 6: return QVariant::fromValue(anyPicture(in));
    default: return QVariant::fromValue(QJsonValue(1.5));
    }
}

// A bag as a form might hold it, with any of the given keys.
PropertyBag anyBag(FuzzedDataProvider &in, std::initializer_list<const char *> keys)
{
    PropertyBag bag;
    for (const char *key : keys) {
        if (in.ConsumeIntegralInRange(0, 3) == 0)
            bag.insert(QString::fromLatin1(key), anyStoredValue(in));
    }
    return bag;
}

const std::initializer_list<const char *> kButtonKeys = {
    "Caption", "PicturePosition", "ButtonStyle", "Picture", "PictureWidth", "PictureHeight", "PictureSize",
    "OriginalPicSizeW", "OriginalPicSizeH", "PictureHover", "Enabled", "Font", "MouseIcon", "MousePointer",
    "ShowFocusRect", "URL", "XPColor_Pressed", "XPColor_Hover", "XPDefaultColors", "BackColor", "ForeColor",
    "SoundOver", "SoundClick", "DefCurHand", "XPShowBorderAlways", "MaskColor", "TransparentBG", "BEVEL",
    "BEVELDEPTH"};
const std::initializer_list<const char *> kBarKeys = {"Min", "Max", "Value", "Style", "ProgressLook"};

QSize anySize(FuzzedDataProvider &in)
{
    // Large sizes are rare: every repaint of them costs a frame's worth of pixels.
    if (in.ConsumeIntegralInRange(0, 31) == 0)
        return QSize(in.ConsumeIntegralInRange(0, kLargestSide), in.ConsumeIntegralInRange(0, kLargestSide));
    return QSize(in.ConsumeIntegralInRange(0, 160), in.ConsumeIntegralInRange(0, 60));
}

struct Scene {
    QWidget *form = nullptr;
    fuzzing::FuzzHost doubles;
    FuzzButton *button = nullptr;
    Xp_ProgressBar *bar = nullptr;
};

void expectPainted(const XpBs &button)
{
    FUZZ_EXPECT(XpBsProbe::image(button).size() == button.size());
}

// A bar without area has no image at all.
void expectPainted(const Xp_ProgressBar &bar)
{
    FUZZ_EXPECT(bar.image().size() == (bar.size().isEmpty() ? QSize(0, 0) : bar.size()));
}

// What the button saves, a fresh button reads and saves unchanged.
void checkButtonSaves(Scene &scene)
{
    XpBs fresh(scene.doubles.host, scene.form);
    fresh.setObjectName(scene.button->objectName());
    fresh.resize(scene.button->size());
    FUZZ_EXPECT(rereadsAsWritten<XpBs>(*scene.button, fresh));
}

void checkBarSaves(Scene &scene)
{
    PropertyBag bag;
    scene.bar->UserControl_WriteProperties(bag);
    Xp_ProgressBar fresh(scene.doubles.host, scene.form);
    fresh.UserControl_ReadProperties(bag);
    const Xp_ProgressBar &bar = *scene.bar;
    FUZZ_EXPECT(fresh.Min() == bar.Min() && fresh.Max() == bar.Max() && fresh.Value() == bar.Value()
                && fresh.Style() == bar.Style() && fresh.ProgressLook() == bar.ProgressLook());
}

int buttonOperation(Scene &scene, FuzzedDataProvider &in)
{
    FuzzButton &button = *scene.button;
    const int operation = in.ConsumeIntegralInRange(0, 47);
    switch (operation) {
    case 0: {
        const QString caption = anyText(in, 40);
        button.setCaption(caption);
        FUZZ_EXPECT(button.Caption() == caption);
        expectPainted(button);
        break;
    }
    case 1: {
        const qint32 position = anyInt32(in);
        button.setPicturePosition(position);
        FUZZ_EXPECT(button.PicturePosition() == position);
        break;
    }
    case 2: {
        const qint32 style = anyInt32(in);
        button.setButtonStyle(style);
        FUZZ_EXPECT(button.ButtonStyle() == style);
        if (style == 3)
            FUZZ_EXPECT(!button.TransparentBG());
        expectPainted(button);
        break;
    }
    case 3: {
        const Picture picture = anyPicture(in);
        button.setPicture(picture);
        FUZZ_EXPECT(button.Picture() == picture);
        if (button.PictureSize() == 2 && !picture)
            FUZZ_EXPECT(button.PictureWidth() == 32 && button.PictureHeight() == 32);
        break;
    }
    case 4: {
        const qint32 width = anyInt32(in);
        button.setPictureWidth(width);
        FUZZ_EXPECT(button.PictureWidth() == width);
        break;
    }
    case 5: {
        const qint32 height = anyInt32(in);
        button.setPictureHeight(height);
        FUZZ_EXPECT(button.PictureHeight() == height);
        break;
    }
    case 6: {
        const qint32 size = anyInt32(in);
        const qint32 width = button.PictureWidth();
        button.setPictureSize(size);
        FUZZ_EXPECT(button.PictureSize() == size);
        if (size == 0)
            FUZZ_EXPECT(button.PictureWidth() == 16 && button.PictureHeight() == 16);
        else if (size == 1)
            FUZZ_EXPECT(button.PictureWidth() == 32 && button.PictureHeight() == 32);
        else if (size != 2)
            FUZZ_EXPECT(button.PictureWidth() == width);
        break;
    }
    case 7: button.setPictureHover(anyPicture(in)); break;
    case 8: button.setXPColor_Pressed(anyColour(in)); break;
    case 9: button.setXPColor_Hover(anyColour(in)); break;
    case 10: button.setXPDefaultColors(in.ConsumeBool()); break;
    case 11: {
        const quint32 colour = anyColour(in);
        button.setBackColor(colour);
        FUZZ_EXPECT(button.BackColor() == colour);
        break;
    }
    case 12: button.setForeColor(anyColour(in)); break;
    case 13: button.setSoundOver(anyText(in, 20)); break;
    case 14: button.setSoundClick(anyText(in, 20)); break;
    case 15:
        button.setVersion(anyText(in, 10));
        FUZZ_EXPECT(button.version() == QLatin1String("030102-15"));
        break;
    case 16: button.setDefCurHand(in.ConsumeBool()); break;
    case 17: button.setXPShowBorderAlways(in.ConsumeBool()); break;
    case 18: button.setMaskColor(anyColour(in)); break;
    case 19: button.setTransparentBG(in.ConsumeBool()); break;
    case 20: {
        const qint16 bevel =
            in.ConsumeBool() ? in.ConsumeIntegral<qint16>() : in.ConsumeIntegralInRange<qint16>(-2, 12);
        button.setBEVEL(bevel);
        FUZZ_EXPECT(button.BEVEL() == bevel);
        break;
    }
    case 21: {
        const qint16 depth =
            in.ConsumeBool() ? in.ConsumeIntegral<qint16>() : in.ConsumeIntegralInRange<qint16>(-40, 80);
        button.setBEVELDEPTH(depth);
        FUZZ_EXPECT(button.BEVELDEPTH() == depth);
        break;
    }
    case 22: button.setEnabled(in.ConsumeBool()); break;
    case 23: {
        platform::StdFont font;
        // Names from a short list: looking up an unknown family costs the
        // font configuration far more than it tells about the button.
        const char *names[] = {"Verdana", "Arial", "MS Sans Serif", "DejaVu Sans", "No Such Font", ""};
        font.setName(QString::fromLatin1(names[in.ConsumeIntegralInRange(0, 5)]));
        font.setSize(in.ConsumeFloatingPointInRange(-20.0, 120.0));
        font.setBold(in.ConsumeBool());
        font.setItalic(in.ConsumeBool());
        font.setUnderline(in.ConsumeBool());
        font.setStrikethrough(in.ConsumeBool());
        platform::StdFont *own = button.Font();
        button.setFont(font);
        FUZZ_EXPECT(button.Font() == own && own->Size() == font.Size() && own->Name() == font.Name());
        break;
    }
    case 24: {
        // 99 is the custom pointer, which shows MouseIcon.
        const qint32 pointer =
            in.ConsumeBool() ? anyInt32(in) : (in.ConsumeBool() ? 99 : in.ConsumeIntegralInRange(0, 16));
        const qint32 before = button.MousePointer();
        const bool fits =
            pointer >= std::numeric_limits<qint16>::min() && pointer <= std::numeric_limits<qint16>::max();
        bool overflowed = false;
        try {
            button.setMousePointer(pointer);
        } catch (const std::overflow_error &) {
            overflowed = true;
        }
        FUZZ_EXPECT(overflowed == !fits);
        FUZZ_EXPECT(button.MousePointer() == (fits ? pointer : before));
        break;
    }
    case 25: button.setMouseIcon(anyPicture(in)); break;
    case 26: button.setShowFocusRect(in.ConsumeBool()); break;
    case 27: button.setURL(anyText(in, 24)); break;
    case 28:
        button.Refresh();
        expectPainted(button);
        break;
    case 29: button.GoToURL(); break;
    case 30: button.setDefault(in.ConsumeBool()); break;
    case 31: button.setUserMode(in.ConsumeBool()); break;
    case 32:
        // Resized by the form: the platform follows with the resize handler.
        button.resize(anySize(in));
        XpBsProbe::UserControl_Resize(button);
        expectPainted(button);
        FUZZ_EXPECT(button.width() >= 10 && button.height() >= 10);
        break;
    case 33:
        button.move(in.ConsumeIntegralInRange(-3000, 3000), in.ConsumeIntegralInRange(-3000, 3000));
        break;
    case 34: {
        // The picture the form shows behind its controls.
        if (in.ConsumeBool()) {
            const QSize size = anySize(in);
            scene.form->setProperty("Picture", size.isEmpty() ? QImage() : anyImage(in, size.width(), size.height()));
        } else {
            scene.form->setProperty("Picture", QVariant());
        }
        break;
    }
    case 35: {
        const qint16 mouseButton =
            in.ConsumeBool() ? in.ConsumeIntegral<qint16>() : qint16(1 << in.ConsumeIntegralInRange(0, 2));
        const qint16 shift = in.ConsumeIntegralInRange<qint16>(0, 7);
        const float x = anyCoordinate(in);
        const float y = anyCoordinate(in);
        switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: XpBsProbe::UserControl_MouseDown(button, mouseButton, shift, x, y); break;
        case 1: XpBsProbe::UserControl_MouseMove(button, mouseButton, shift, x, y); break;
        default: XpBsProbe::UserControl_MouseUp(button, mouseButton, shift, x, y); break;
        }
        break;
    }
    case 36: XpBsProbe::UserControl_DblClick(button); break;
    case 37: {
        const qint16 key = in.ConsumeBool() ? qint16(32) : in.ConsumeIntegral<qint16>();
        const qint16 shift = in.ConsumeIntegralInRange<qint16>(0, 7);
        if (in.ConsumeBool())
            XpBsProbe::UserControl_KeyDown(button, key, shift);
        else
            XpBsProbe::UserControl_KeyUp(button, key, shift);
        break;
    }
    case 38: XpBsProbe::UserControl_KeyPress(button, in.ConsumeIntegral<qint16>()); break;
    case 39: {
        const bool enabled = button.Enabled();
        const int opened = scene.doubles.shell.navigated.size() + scene.doubles.shell.shellOpened.size();
        button.UserControl_AccessKeyPress(in.ConsumeIntegral<qint16>());
        if (!enabled)
            FUZZ_EXPECT(scene.doubles.shell.navigated.size() + scene.doubles.shell.shellOpened.size() == opened);
        break;
    }
    case 40: XpBsProbe::UserControl_EnterFocus(button); break;
    case 41:
        XpBsProbe::UserControl_ExitFocus(button);
        FUZZ_EXPECT(!button.face().isDown && !button.face().hasFocus);
        break;
    case 42:
        button.pointerOver = in.ConsumeBool();
        XpBsProbe::OverTimer_Timer(button);
        if (!button.pointerOver)
            FUZZ_EXPECT(!button.face().isOver);
        break;
    case 43: button.UserControl_AmbientChanged(QString()); break;
    case 44: {
        // Key and mouse events as the window system delivers them.
        const Qt::KeyboardModifiers modifiers(in.ConsumeIntegralInRange(0, 7) << 25);
        if (in.ConsumeBool()) {
            const int key = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0x20, 0x7E);
            QKeyEvent press(QEvent::KeyPress, key, modifiers, anyText(in, 2), in.ConsumeBool());
            QApplication::sendEvent(&button, &press);
            QKeyEvent release(QEvent::KeyRelease, key, modifiers, QString(), in.ConsumeBool());
            QApplication::sendEvent(&button, &release);
        } else {
            const QEvent::Type types[] = {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease,
                                          QEvent::MouseButtonDblClick};
            const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::NoButton,
                                               Qt::BackButton};
            const QEvent::Type type = types[in.ConsumeIntegralInRange(0, 3)];
            const Qt::MouseButton which = buttons[in.ConsumeIntegralInRange(0, 4)];
            const QPointF at(in.ConsumeIntegralInRange(-50, 300), in.ConsumeIntegralInRange(-50, 300));
            QMouseEvent event(type, at, button.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : which,
                              Qt::MouseButtons(in.ConsumeIntegralInRange(0, 7)), modifiers);
            QApplication::sendEvent(&button, &event);
        }
        break;
    }
    case 45: {
        // Read from a bag as a form holds it.
        PropertyBag bag = anyBag(in, kButtonKeys);
        button.UserControl_ReadProperties(bag);
        expectPainted(button);
        break;
    }
    case 46: checkButtonSaves(scene); break;
    default:
        // Saved and read back into the same button.
        PropertyBag bag;
        button.UserControl_WriteProperties(bag);
        button.UserControl_ReadProperties(bag);
        expectPainted(button);
        break;
    }
    return operation;
}

// The refusal rules of Min, Max and Value, checked from outside.
void assignChecked(Scene &scene, int which, qint32 candidate)
{
    Xp_ProgressBar &bar = *scene.bar;
    const int shownBefore = scene.doubles.messageBoxes.shown.size();
    const qint32 min = bar.Min();
    const qint32 max = bar.Max();
    const qint32 value = bar.Value();
    bool accepted = false;
    switch (which) {
    case 0:
        bar.setValue(candidate);
        accepted = candidate <= max && candidate >= min;
        FUZZ_EXPECT(bar.Value() == (accepted ? candidate : value));
        break;
    case 1:
        bar.setMin(candidate);
        accepted = candidate <= max && candidate >= 0;
        FUZZ_EXPECT(bar.Min() == (accepted ? candidate : min));
        break;
    default:
        bar.setMax(candidate);
        accepted = candidate >= min;
        FUZZ_EXPECT(bar.Max() == (accepted ? candidate : max));
        break;
    }
    FUZZ_EXPECT(scene.doubles.messageBoxes.shown.size() == shownBefore + (accepted ? 0 : 1));
    if (which == 0 && accepted)
        expectPainted(bar);
}

qint32 candidateFor(const Xp_ProgressBar &bar, FuzzedDataProvider &in)
{
    const qint64 min = bar.Min();
    const qint64 max = bar.Max();
    const auto clamp32 = [](qint64 v) {
        return qint32(std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    };
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return anyInt32(in);
    case 1: {
        const qint64 bounds[] = {min - 1, min, max, max + 1, min + (max - min) / 2};
        return clamp32(bounds[in.ConsumeIntegralInRange(0, 4)]);
    }
    default:
        if (max < min)
            return anyInt32(in);
        return clamp32(in.ConsumeIntegralInRange<qint64>(min, max));
    }
}

int barOperation(Scene &scene, FuzzedDataProvider &in)
{
    Xp_ProgressBar &bar = *scene.bar;
    const int operation = in.ConsumeIntegralInRange(0, 9);
    switch (operation) {
    case 0:
    case 1: assignChecked(scene, 0, candidateFor(bar, in)); break;
    case 2: assignChecked(scene, 1, candidateFor(bar, in)); break;
    case 3: assignChecked(scene, 2, candidateFor(bar, in)); break;
    case 4: {
        // A run of assignments, as a long task reports its progress.
        const qint32 from = candidateFor(bar, in);
        const qint32 to = candidateFor(bar, in);
        // A falling value redraws the whole frame at each step: on a large
        // bar a few steps show as much as many.
        const qint64 area = std::max<qint64>(1, qint64(bar.width()) * bar.height());
        const int steps = int(std::min<qint64>(in.ConsumeIntegralInRange(1, kMostSweepSteps),
                                               std::max<qint64>(1, kMostSweepPixels / area)));
        for (int i = 0; i <= steps; ++i)
            assignChecked(scene, 0, qint32(from + (qint64(to) - from) * i / steps));
        break;
    }
    case 5: {
        const qint32 style = in.ConsumeBool() ? anyInt32(in) : in.ConsumeIntegralInRange(0, 1);
        bar.setStyle(style);
        FUZZ_EXPECT(bar.Style() == style);
        break;
    }
    case 6: {
        const qint32 look = in.ConsumeBool() ? anyInt32(in) : in.ConsumeIntegralInRange(-1, 8);
        bar.setProgressLook(look);
        FUZZ_EXPECT(bar.ProgressLook() == look);
        break;
    }
    case 7:
        bar.resize(anySize(in));
        bar.UserControl_Resize();
        expectPainted(bar);
        break;
    case 8: {
        PropertyBag bag = anyBag(in, kBarKeys);
        const int shownBefore = scene.doubles.messageBoxes.shown.size();
        bar.UserControl_ReadProperties(bag);
        FUZZ_EXPECT(scene.doubles.messageBoxes.shown.size() == shownBefore);
        if (in.ConsumeBool())
            bar.UserControl_Resize();
        break;
    }
    default: checkBarSaves(scene); break;
    }
    return operation;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzing::runPendingEvents();
    FuzzedDataProvider in(data, size);
    static QWidget *form = [] {
        auto *created = new QWidget; // hidden: no window system events reach the controls
        created->resize(400, 200);
        return created;
    }();
    form->setProperty("Picture", QVariant());

    Scene scene;
    scene.form = form;
    scene.button = new FuzzButton(scene.doubles.host, form);
    scene.button->setObjectName(QStringLiteral("XpBs1"));
    scene.button->UserControl_InitProperties();
    scene.button->setGeometry(10, 10, 129, 17);
    XpBsProbe::UserControl_Resize(*scene.button);
    scene.bar = new Xp_ProgressBar(scene.doubles.host, form);
    scene.bar->setGeometry(10, 40, 121, 17);
    if (in.ConsumeBool())
        scene.bar->setProgressLook(0); // as a bar read from a form: skinned

    // TESSALY_FUZZ_TRACE=1 lists the operations, to follow a finding.
    static const bool trace = qEnvironmentVariableIsSet("TESSALY_FUZZ_TRACE");
    for (int i = 0; i < kMostOperations && in.remaining_bytes() > 0; ++i) {
        const bool onButton = in.ConsumeBool();
        const int operation = onButton ? buttonOperation(scene, in) : barOperation(scene, in);
        if (trace) {
            const QWidget *control = onButton ? static_cast<QWidget *>(scene.button) : scene.bar;
            std::fprintf(stderr, "%2d: %s operation %d, %d x %d\n", i, onButton ? "button" : "bar", operation,
                         control->width(), control->height());
        }
    }
    checkButtonSaves(scene);
    checkBarSaves(scene);

    delete scene.button;
    delete scene.bar;
    return 0;
}
