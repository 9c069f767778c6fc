// One repaint of the button, per face style and state, at the sizes the
// program's windows use.
#include "GuiBenchmarkMain.h"
#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/host/Host.h"
#include "platform/forms/Units.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

namespace {

enum State { Idle, Hovered, Pressed, Focused, Disabled };
const char *const kStateNames[] = {"idle", "hovered", "pressed", "focused", "disabled"};

class BenchButton : public XpBs {
public:
    using XpBs::XpBs;

protected:
    QWidget *windowUnderPointer() const override { return const_cast<BenchButton *>(this); }
};

void BM_Refresh(benchmark::State &state)
{
    const int style = int(state.range(0));
    const auto buttonState = State(state.range(1));
    const int width = int(state.range(2));
    QWidget form;
    form.resize(200, 60);
    form.setFont(platform::pointFont(QStringLiteral("Verdana"), 8.25));
    auto *button = new BenchButton(platform::systemHost(), &form);
    button->setObjectName(QStringLiteral("XpBs1"));
    button->UserControl_InitProperties();
    button->setGeometry(10, 10, width, 17);
    button->setButtonStyle(style);
    button->setCaption(QStringLiteral("Randomize Case"));
    form.show();
    switch (buttonState) {
    case Hovered:
    case Pressed: {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        if (buttonState == Pressed) {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(button, &press);
        }
        break;
    }
    case Focused:
        XpBsProbe::UserControl_EnterFocus(*button);
        break;
    case Disabled:
        button->setEnabled(false);
        break;
    case Idle:
        break;
    }
    for (auto _ : state)
        button->Refresh();
    state.SetLabel(std::string("style ") + std::to_string(style) + ", " + kStateNames[buttonState] + ", "
                   + std::to_string(width) + " x 17");
}
BENCHMARK(BM_Refresh)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {Idle, Hovered, Pressed, Focused, Disabled}, {129, 73}})
    ->Unit(benchmark::kMicrosecond);

// A bevel of BEVEL rings on a style-0 button, idle (raised), pressed
// (sunken) and focused (raised with the default frame over it): the huge
// BEVEL beside the one that reaches the middle of the smaller side.
void BM_Bevel(benchmark::State &state)
{
    const auto bevel = qint16(state.range(0));
    const auto buttonState = State(state.range(1));
    const int width = int(state.range(2));
    const int height = int(state.range(3));
    QWidget form;
    form.resize(width + 20, height + 20);
    form.setFont(platform::pointFont(QStringLiteral("Verdana"), 8.25));
    auto *button = new BenchButton(platform::systemHost(), &form);
    button->setObjectName(QStringLiteral("XpBs1"));
    button->UserControl_InitProperties();
    button->setGeometry(10, 10, width, height);
    button->setButtonStyle(0);
    button->setCaption(QStringLiteral("Randomize Case"));
    button->setBEVEL(bevel);
    form.show();
    if (buttonState == Pressed)
        XpBsProbe::UserControl_MouseDown(*button, 1, 0, 3, 3);
    else if (buttonState == Focused)
        XpBsProbe::UserControl_EnterFocus(*button);
    for (auto _ : state)
        button->Refresh();
    state.SetLabel(std::string("BEVEL ") + std::to_string(bevel) + ", " + kStateNames[buttonState] + ", "
                   + std::to_string(width) + " x " + std::to_string(height));
}
BENCHMARK(BM_Bevel)
    ->Args({8, Idle, 129, 17})
    ->Args({32767, Idle, 129, 17})
    ->Args({8, Pressed, 129, 17})
    ->Args({32767, Pressed, 129, 17})
    ->Args({8, Focused, 129, 17})
    ->Args({32767, Focused, 129, 17})
    ->Args({20, Idle, 1000, 40})
    ->Args({32767, Idle, 1000, 40})
    ->Args({20, Pressed, 1000, 40})
    ->Args({32767, Pressed, 1000, 40})
    ->Unit(benchmark::kMicrosecond);

// A hovered style-2 button repainting a bitmap or icon drawn at 32 x 32
// (PictureSize 1) or at its own size (PictureSize 2): a small one, and one
// far larger than the button.
void BM_Picture(benchmark::State &state)
{
    const int side = int(state.range(0));
    const int pictureSize = int(state.range(1));
    const bool icon = state.range(2) != 0;
    QWidget form;
    form.resize(200, 80);
    auto *button = new BenchButton(platform::systemHost(), &form);
    button->setObjectName(QStringLiteral("XpBs1"));
    button->UserControl_InitProperties();
    button->setGeometry(10, 10, 129, 40);
    auto picture = std::make_shared<platform::PictureData>();
    picture->type = icon ? platform::PictureData::Icon : platform::PictureData::Bitmap;
    picture->image = QImage(side, side, icon ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    picture->image.fill(icon ? qRgba(30, 160, 90, 200) : qRgb(30, 160, 90));
    picture->widthHimetric = platform::pixelsToHimetric(side);
    picture->heightHimetric = platform::pixelsToHimetric(side);
    button->setPictureSize(pictureSize);
    button->setPicture(picture);
    form.show();
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &move);
    for (auto _ : state)
        button->Refresh();
    state.SetLabel(std::to_string(side) + " x " + std::to_string(side) + (icon ? " icon at " : " bitmap at ")
                   + (pictureSize == 2 ? "its own size" : "32 x 32") + ", hovered, 129 x 40");
}
BENCHMARK(BM_Picture)->ArgsProduct({{32, 4160}, {1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
