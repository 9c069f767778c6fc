#include "frmmain.h"

#include "FormAccessibility.h"
#include "FormParts.h"
#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "platform/desktop/Accessibility.h"
#include "platform/forms/FormData.h"
#include "platform/raster/SystemColors.h"
#include "controls/textbox/TextBox.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"
#include "platform/host/Timer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShortcut>

using platform::twipsRect;
using platform::twipsToPixels;

const QString frmmain::kCaption = QStringLiteral("Morvane's Tessaly");

namespace {

constexpr int kClientWidthTwips = 4710;
constexpr int kClientHeightTwips = 3675;
constexpr int kAnimationStepTwips = 500;
constexpr int kAnimationIntervalMs = 80;
// The smallest outer frame a captioned window may shrink to, as the
// windowing systems of the program's origin keep it (112 x 27 pixels).
constexpr int kMinimumFrameWidthTwips = 112 * platform::kTwipsPerPixel;
constexpr int kMinimumFrameHeightTwips = 27 * platform::kTwipsPerPixel;

} // namespace

frmmain::frmmain(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , tb(new platform::TextBox(this, &host.clock))
    , Label1(new QLabel(this))
    , pb(new Xp_ProgressBar(host, this))
    , XpBs2(new XpBs(host, this))
    , XpBs1(new XpBs(host, this))
    , timer1(host.clock.newTimer(this))
    , m_host(host)
    , m_controller(host, *this)
{
    // The status line is read as one (marked before it says anything).
    installFormAccessibility();
    markAsStatusLine(*Label1);
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(kCaption);
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    const QFont verdana = platform::pointFont(QStringLiteral("Verdana"), 8.25);
    QWidget::setFont(verdana);

    tb->setObjectName(QStringLiteral("tb"));
    tb->setGeometry(twipsRect(0, 0, 4695, 3375));
    tb->setFont(verdana);
    // Read before the box itself by a screen reader ("Your text: text").
    tb->setAccessibleName(QStringLiteral("Your text"));
    tb->setAccessibleDescription(QStringLiteral("Just type above."));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(0, 3430, 4695, 255));
    Label1->setFont(verdana);
    Label1->setText(QStringLiteral("  Just type above."));
    Label1->setAutoFillBackground(true);
    QPalette labelPalette = Label1->palette();
    labelPalette.setColor(QPalette::Window, QColor(platform::toQRgb(platform::GetSysColor(platform::COLOR_BTNFACE))));
    labelPalette.setColor(QPalette::WindowText, Qt::black);
    Label1->setPalette(labelPalette);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    pb->setObjectName(QStringLiteral("pb"));
    pb->setGeometry(twipsRect(600, 3400, 1335, 255));
    pb->setVisible(false);

    XpBs2->setObjectName(QStringLiteral("XpBs2"));
    XpBs2->setGeometry(twipsRect(1920, 3390, 1935, 255));
    XpBs1->setObjectName(QStringLiteral("XpBs1"));
    XpBs1->setGeometry(twipsRect(3960, 3390, 735, 255));

    // The buttons' settings come from the window's stored form data.
    const platform::FormData form = platform::FormData::load(QStringLiteral(":/forms/frmmain.json"));
    for (XpBs *button : {XpBs2, XpBs1}) {
        platform::PropertyBag bag = form.bagFor(button->objectName(), QString::fromLatin1(XpBs::kClassId));
        button->UserControl_ReadProperties(bag);
    }
    platform::PropertyBag barBag = form.bagFor(pb->objectName(), QStringLiteral("vorlenta.Xp_ProgressBar"));
    pb->UserControl_ReadProperties(barBag);
    form.reportUnreadKeys();

    // The tab order follows the tab indexes: tb, Label1, XpBs1, XpBs2, pb.
    setTabOrder(tb, XpBs1);
    setTabOrder(XpBs1, XpBs2);

    timer1->setObjectName(QStringLiteral("timer1"));
    timer1->setInterval(kAnimationIntervalMs);

    connect(tb, &platform::TextBox::Change, this, &frmmain::tb_Change);
    tb->setKeyFilter([this](char32_t code) { return tb_KeyPress(code); });
    connect(XpBs2, &XpBs::Click, this, &frmmain::XpBs2_Click);
    connect(XpBs1, &XpBs::Click, this, &frmmain::XpBs1_Click);
    connect(timer1, &platform::Timer::timeout, this, &frmmain::timer1_Timer);

    // Ctrl+Q asks the window to close, as its close button does, for the
    // keyboard alone.
    auto *quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);

    tb->setFocus(Qt::OtherFocusReason);
}

void frmmain::tb_Change()
{
    setWindowTitle(kCaption + QStringLiteral(": ") + QString::number(tb->TextLength()) + QStringLiteral(" bytes"));
}

platform::TextBox::Typing frmmain::tb_KeyPress(char32_t code)
{
    return m_controller.KeyPress(code);
}

void frmmain::XpBs2_Click()
{
    m_controller.RunPass();
}

void frmmain::XpBs1_Click()
{
    emit aboutRequested();
}

void frmmain::showEvent(QShowEvent *event)
{
    centreOnFirstShow(*this);
    QWidget::showEvent(event);
}

void frmmain::closeEvent(QCloseEvent *event)
{
    // Whatever asked, the window stays: it flies away instead.
    event->ignore();
    if (m_host.programEnd.hasEnded() || m_closing)
        return;
    m_closing = true;
    m_frame = currentFrame();
    timer1->start();
}

frmmain::FrameTwips frmmain::currentFrame() const
{
    const QRect frame = frameGeometry();
    return FrameTwips{frame.top() * platform::kTwipsPerPixel, frame.width() * platform::kTwipsPerPixel,
                      frame.height() * platform::kTwipsPerPixel};
}

void frmmain::timer1_Timer()
{
    // The animation keeps its own idea of the frame, so a windowing system
    // that refuses to move or shrink the window cannot keep it going forever.
    m_frame.top -= kAnimationStepTwips;
    m_frame.width = std::max(m_frame.width - kAnimationStepTwips, kMinimumFrameWidthTwips);
    m_frame.height = std::max(m_frame.height - kAnimationStepTwips, kMinimumFrameHeightTwips);
    applyFrame(m_frame);

    const float bottom = float(m_frame.top) + float(m_frame.height);
    if (bottom < 0.0f) {
        hide();
        m_host.programEnd.end();
    }
}

void frmmain::applyFrame(const FrameTwips &frame)
{
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    const int clientWidth = std::max(1, twipsToPixels(frame.width) - extraWidth);
    const int clientHeight = std::max(1, twipsToPixels(frame.height) - extraHeight);
    move(outer.left(), twipsToPixels(frame.top));
    setFixedSize(clientWidth, clientHeight);
}

qint64 frmmain::TextLength() const
{
    return tb->TextLength();
}

char32_t frmmain::CharAt(qint64 position) const
{
    return tb->CharAt(position);
}

void frmmain::ReplaceCharAt(qint64 position, char32_t replacement)
{
    tb->ReplaceCharAt(position, replacement);
}

void frmmain::setSelStart(qint64 position)
{
    tb->setSelStart(position);
}

void frmmain::SetFocus()
{
    tb->SetFocus();
}

void frmmain::beginBatch()
{
    tb->beginBatch();
}

void frmmain::endBatch()
{
    tb->endBatch();
}

void frmmain::showStatus(const QString &text)
{
    Label1->setText(text);
}

// A screen reader would not speak the status line's change by itself.
void frmmain::sayStatus(const QString &text)
{
    Label1->setText(text);
    platform::announce(*Label1, text);
}

void frmmain::setBarVisible(bool visible)
{
    pb->setVisible(visible);
}

qint32 frmmain::barValue() const
{
    return pb->Value();
}

void frmmain::setBarValue(qint16 value)
{
    pb->setValue(value);
}

void frmmain::setPassEnabled(bool enabled)
{
    XpBs2->setEnabled(enabled);
}
