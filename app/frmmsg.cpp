#include "frmmsg.h"

#include "FormAccessibility.h"
#include "FormLabel.h"
#include "FormParts.h"
#include "Product.h"
#include "platform/desktop/Accessibility.h"
#include "platform/host/Host.h"
#include "platform/host/Timer.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QShortcut>
#include <QEvent>

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

constexpr int kClientWidthTwips = 3240;
constexpr int kClientHeightTwips = 1665;
constexpr int kSegmentTopTwips = 1080;
constexpr int kSegmentWidthTwips = 735;
constexpr int kLineHeightTwips = 50;
constexpr int kSegmentRightmostTwips = 2400;
constexpr int kSegmentStepTwips = 150;
constexpr int kAnimationIntervalMs = 50;
constexpr int kActivationRetryMs = 50;

const QColor kSegmentColour(67, 117, 154);

const QRect kProductNameBox = twipsRect(375, 120, 2235, 330);

} // namespace

frmmsg::frmmsg(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , Frame1(new QWidget(this))
    , lblProductName(newLabel(Frame1, "lblProductName", kProductNameBox,
                              platform::pointFont(QStringLiteral("Arial"), 14.25, true), Qt::AlignHCenter))
    , Label3(newLabel(Frame1, "Label3", twipsRect(2880, 0, 255, 255),
                      platform::pointFont(QStringLiteral("Arial Black"), 9.75), Qt::AlignLeft))
    , imgLogo(newLabel(Frame1, "imgLogo", twipsRect(1320, 480, 495, 465), QFont(), Qt::AlignLeft))
    , Label2(newLabel(Frame1, "Label2", twipsRect(2400, 840, 615, 255),
                      platform::pointFont(QStringLiteral("Arial"), 8.25), Qt::AlignHCenter))
    , Label1(newLabel(Frame1, "Label1", twipsRect(120, 1150, 2925, 450),
                      platform::pointFont(QStringLiteral("Arial"), 8.25, true), Qt::AlignHCenter))
    , Label4(newLabel(Frame1, "Label4", twipsRect(120, 1200, 2925, 225),
                      platform::pointFont(QStringLiteral("Arial"), 9, true), Qt::AlignHCenter))
    , Picture1(new QWidget(Frame1))
    , pic(new QWidget(Frame1))
    , animate1(host.clock.newTimer(this))
    , animate2(host.clock.newTimer(this))
    , Timer2(host.clock.newTimer(this))
    , m_host(host)
{
    setObjectName(QStringLiteral("frmmsg"));
    // Borderless, above every other window, and kept out of the task bar.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    fillWith(*this, Qt::black);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(50, 50, 3135, 1575));
    fillWith(*Frame1, Qt::white);
    QPalette text = Frame1->palette();
    text.setColor(QPalette::WindowText, Qt::black);
    Frame1->setPalette(text);
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);

    lblProductName->setCaption(QStringLiteral("Morvane APP"));
    Label3->setCaption(QStringLiteral("\u00A9"));
    imgLogo->setScaledContents(true);
    showLogo(*imgLogo);

    Label2->setCaption(QStringLiteral("Close"));
    fillWith(*Label2, Qt::white);
    QPalette link = Label2->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label2->setPalette(link);

    Label1->setWordWrap(true);
    Label4->setWordWrap(true);

    // The line spans more than the frame; the frame clips it.
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(0, kSegmentTopTwips, 4575, kLineHeightTwips));
    fillWith(*Picture1, Qt::black);
    pic->setObjectName(QStringLiteral("pic"));
    fillWith(*pic, kSegmentColour);
    setPicLeft(kSegmentRightmostTwips);

    connect(Label2, &FormLabel::Click, this, &frmmsg::Label2_Click);
    connect(Label2, &FormLabel::MouseMove, this, &frmmsg::Label2_MouseMove);

    // The keyboard reaches the link; a screen reader hears the message.
    Label2->setLink(true);
    Label2->installEventFilter(this);
    installFormAccessibility();
    for (QWidget *decoration : {static_cast<QWidget *>(Frame1), Picture1, pic})
        platform::setDecorative(*decoration);
    imgLogo->setAccessibleName(QStringLiteral("Tessaly logo"));
    // Escape does what the link does, as it closes any message box.
    auto *escape = new QShortcut(Qt::Key_Escape, this);
    escape->setAutoRepeat(false);
    connect(escape, &QShortcut::activated, this, &frmmsg::Label2_Click);

    animate1->setObjectName(QStringLiteral("animate1"));
    animate1->setInterval(kAnimationIntervalMs);
    connect(animate1, &platform::Timer::timeout, this, &frmmsg::animate1_Timer);
    animate2->setObjectName(QStringLiteral("animate2"));
    animate2->setInterval(kAnimationIntervalMs);
    connect(animate2, &platform::Timer::timeout, this, &frmmsg::animate2_Timer);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    connect(Timer2, &platform::Timer::timeout, this, &frmmsg::Timer2_Timer);

    animate1->start();
}

void frmmsg::shownext(const QString &message)
{
    showAndWait(QStringLiteral("Next"), message);
}

void frmmsg::showclose(const QString &message)
{
    showAndWait(QStringLiteral("Close"), message);
}

void frmmsg::showtime(const QString &message, qint32 time)
{
    // A timer without a positive interval never fires: the popup then
    // waits for a click.
    Timer2->setInterval(std::max(time, 0));
    if (time > 0)
        Timer2->start();
    else
        Timer2->stop();
    showAndWait(QString(), message);
}

// The message with the link's caption, until the link (or the timer, or a
// close request) ends the wait; then the popup hides, unless the program
// ended meanwhile.
void frmmsg::showAndWait(const QString &link, const QString &message)
{
    Label2->setCaption(link);
    msgclosed = false;
    placeMessage(message);
    showOnTop();
    if (!waitUntilClosed())
        return;
    hidemsg();
}

void frmmsg::Showstatus(const QString &message)
{
    placeMessage(message);
    showOnTop();
}

void frmmsg::hidemsg()
{
    Label1->setCaption(QString());
    Label4->setCaption(QString());
    hide();
}

void frmmsg::placeMessage(const QString &message)
{
    Label1->setCaption(QString());
    Label4->setCaption(QString());
    if (message.contains(QStringLiteral("\r\n")))
        Label1->setCaption(message);
    else
        Label4->setCaption(message);
}

void frmmsg::showOnTop()
{
    // The window is created with the stays-on-top hint and comes up in
    // front; one already up is raised in case another topmost window has
    // covered it since.
    const bool wasVisible = isVisible();
    if (!wasVisible)
        platform::renewAccessibleIdentity(*this);
    show();
    if (wasVisible)
        raise();
    platform::activateWindow(*this);
    // Shown again right after being hidden, the window may not be mapped
    // yet when it asks for the keyboard, and the window system refuses: it
    // asks once more a moment later.
    m_host.clock.singleShot(kActivationRetryMs, this, [this] {
        if (isVisible() && !isActiveWindow())
            platform::activateWindow(*this);
    });
    // The keyboard goes to the link, and the message is announced.
    Label2->setFocus(Qt::ActiveWindowFocusReason);
    if (QAccessible::isActive()) {
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
}

bool frmmsg::waitUntilClosed()
{
    // Each pass sleeps until at least one event has arrived and been
    // handled, then looks at the flag again. A wait started from inside
    // this one (a handler calling into the popup) runs the same loop one
    // level deeper; the click that ends it ends this one too.
    ++m_waits;
    while (!msgclosed && !m_host.programEnd.hasEnded())
        m_host.eventLoop.sleep();
    --m_waits;
    return !m_host.programEnd.hasEnded();
}

void frmmsg::closeEvent(QCloseEvent *event)
{
    // Closed from outside (Alt+F4, a window manager) while an operation
    // waits, the popup would vanish and leave the wait with nothing to
    // click: the request ends the wait as the link does instead.
    if (m_waits > 0) {
        event->ignore();
        msgclosed = true;
        return;
    }
    QWidget::closeEvent(event);
}

void frmmsg::Label2_Click()
{
    msgclosed = true;
}

void frmmsg::Timer2_Timer()
{
    msgclosed = true;
    Timer2->stop();
}

void frmmsg::Label2_MouseMove()
{
    m_linkHovered = true;
    updateLinkUnderline();
}

void frmmsg::Frame1_MouseMove()
{
    m_linkHovered = false;
    updateLinkUnderline();
}

void frmmsg::updateLinkUnderline()
{
    // Under the pointer, and while it has the keyboard focus.
    Label2->setFontUnderline(m_linkHovered || Label2->hasFocus());
}

void frmmsg::animate1_Timer()
{
    setPicLeft(m_picLeft + kSegmentStepTwips);
    if (m_picLeft >= kSegmentRightmostTwips) {
        setPicLeft(kSegmentRightmostTwips);
        animate1->stop();
        animate2->start();
    }
}

void frmmsg::animate2_Timer()
{
    setPicLeft(m_picLeft - kSegmentStepTwips);
    if (m_picLeft <= 0) {
        setPicLeft(0);
        animate2->stop();
        animate1->start();
    }
}

void frmmsg::setPicLeft(int twips)
{
    m_picLeft = twips;
    pic->setGeometry(twipsRect(twips, kSegmentTopTwips, kSegmentWidthTwips, kLineHeightTwips));
}

void frmmsg::Form_Activate()
{
    lblProductName->setCaption(product::name());
    // The box was laid out for a shorter placeholder; the real product name
    // is wider, so the box grows about its centre instead of cutting the
    // name off at both ends. The frame still has room for it.
    const int needed = lblProductName->fontMetrics().horizontalAdvance(lblProductName->text());
    QRect box = kProductNameBox;
    if (needed > box.width())
        box.adjust(-(needed - box.width() + 1) / 2, 0, (needed - box.width() + 1) / 2, 0);
    lblProductName->setGeometry(box);
    imgLogo->setPixmap(product::logo(imgLogo->devicePixelRatioF()));
}

void frmmsg::showEvent(QShowEvent *event)
{
    centreOnFirstShow(*this);
    // A window manager may decline to activate a window that shows itself;
    // the product name and logo are taken on showing as well, so the popup
    // never appears with its layout placeholders.
    Form_Activate();
    QWidget::showEvent(event);
}

void frmmsg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QWidget::changeEvent(event);
}

bool frmmsg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Frame1 && event->type() == QEvent::MouseMove)
        Frame1_MouseMove();
    if (watched == Label2 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        updateLinkUnderline(); // the focus has moved when its events are sent
    return QWidget::eventFilter(watched, event);
}


// The message, from whichever label holds it.
QString frmmsg::spokenName() const
{
    const QString twoLines = Label1->Caption();
    return spokenText(twoLines.isEmpty() ? Label4->Caption() : twoLines);
}
