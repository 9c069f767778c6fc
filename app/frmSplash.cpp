#include "frmSplash.h"

#include "FormAccessibility.h"
#include "FormLabel.h"
#include "FormParts.h"
#include "Product.h"
#include "platform/desktop/Accessibility.h"
#include "platform/host/Host.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"
#include "platform/host/Timer.h"

#include <QCloseEvent>
#include <QHideEvent>

#include <array>
#include <utility>

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

constexpr int kClientWidthTwips = 5130;
constexpr int kClientHeightTwips = 3510;
constexpr int kHandOverDelayMs = 3000;
constexpr int kLoadingStepMs = 75;

// Each loading text and the one that follows it.
const std::array<std::pair<const char *, const char *>, 6> kLoadingCycle{{
    {"Loading.....", "Loading"},
    {"Loading", "Loading."},
    {"Loading.", "Loading.."},
    {"Loading..", "Loading..."},
    {"Loading...", "Loading...."},
    {"Loading....", "Loading....."},
}};

} // namespace

frmSplash::frmSplash(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , Frame1(new QWidget(this))
    , lblCompanyProduct(newLabel(Frame1, "lblCompanyProduct", twipsRect(120, 360, 4635, 435), arial(18, true),
                                 Qt::AlignHCenter, product::company(), true))
    , Label2(newLabel(Frame1, "Label2", twipsRect(3480, 360, 255, 255), arialBlack(9.75), Qt::AlignLeft,
                      QStringLiteral("\u00A9"), false))
    , Label1(newLabel(Frame1, "Label1", twipsRect(120, 720, 4740, 285), arial(12, true), Qt::AlignHCenter,
                      QStringLiteral("Presents"), true))
    , lblProductName(newLabel(Frame1, "lblProductName", twipsRect(360, 1080, 4095, 510), arial(21.75, true),
                              Qt::AlignHCenter, product::name(), true))
    , Label3(newLabel(Frame1, "Label3", twipsRect(4440, 1080, 255, 255), arialBlack(9.75), Qt::AlignLeft,
                      QStringLiteral("\u00A9"), false))
    , imgLogo(newLabel(Frame1, "imgLogo", twipsRect(2040, 1560, 855, 825), QFont(), Qt::AlignLeft, QString(), false))
    , Label4(newLabel(Frame1, "Label4", twipsRect(120, 2520, 1485, 285), arial(12, true), Qt::AlignLeft,
                      QStringLiteral("Loading..."), true))
    , lblPlatform(newLabel(Frame1, "lblPlatform", twipsRect(3000, 2520, 1545, 240), arial(9.75, true),
                           Qt::AlignRight, product::platformLine(), true))
    , lblVersion(newLabel(Frame1, "lblVersion", twipsRect(3615, 2760, 1050, 240), arial(9.75, true), Qt::AlignRight,
                          product::versionLine(), true))
    , Label5(newLabel(Frame1, "Label5", twipsRect(120, 2880, 2055, 255), arial(8.25, false), Qt::AlignLeft,
                      product::firstBuildLine(), false))
    , lblLegalNotice(newLabel(Frame1, "lblLegalNotice", twipsRect(120, 3120, 4695, 255), arial(9, false),
                              Qt::AlignLeft, QStringLiteral("Freeware: share it freely, but never sell it."), false))
    , delaytimer(host.clock.newTimer(this))
    , Timer2(host.clock.newTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    // Borderless, and a splash window is kept out of the task bar.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    setWindowTitle(QString());
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    fillWith(*this, Qt::black, Qt::black);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(50, 50, 5040, 3420));
    fillWith(*Frame1, Qt::white, Qt::black);

    imgLogo->setScaledContents(true);
    imgLogo->setPixmap(product::logo(imgLogo->devicePixelRatioF()));
    showLogo(*imgLogo);
    connect(imgLogo, &FormLabel::Click, this, &frmSplash::imgLogo_Click);

    installFormAccessibility();
    platform::setDecorative(*Frame1);
    imgLogo->setAccessibleName(QStringLiteral("Tessaly logo"));

    delaytimer->setObjectName(QStringLiteral("delaytimer"));
    delaytimer->setInterval(kHandOverDelayMs);
    connect(delaytimer, &platform::Timer::timeout, this, &frmSplash::delaytimer_Timer);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kLoadingStepMs);
    connect(Timer2, &platform::Timer::timeout, this, &frmSplash::Timer2_Timer);

    delaytimer->start();
    Timer2->start();
}

void frmSplash::Timer2_Timer()
{
    const QString current = Label4->Caption();
    for (const auto &[text, next] : kLoadingCycle) {
        if (current == QLatin1String(text)) {
            Label4->setCaption(QLatin1String(next));
            return;
        }
    }
}

void frmSplash::delaytimer_Timer()
{
    // Disabled first: the hand-over runs once only.
    delaytimer->stop();
    m_handOverBegun = true;
    hide();
    emit timeIsUp();
}

void frmSplash::imgLogo_Click()
{
    // Handed over, the window is hidden for good and stays loaded.
    if (m_handOverBegun)
        return;
    delaytimer->stop();
    emit askedToGo();
}

void frmSplash::showEvent(QShowEvent *event)
{
    if (!centreOnFirstShow(*this))
        Timer2->start();
    // The window now knows its screen, which may be finer than the one the
    // logo was first taken for.
    imgLogo->setPixmap(product::logo(imgLogo->devicePixelRatioF()));
    QWidget::showEvent(event);
}

void frmSplash::hideEvent(QHideEvent *event)
{
    // Nobody sees or reads the loading text of a hidden splash window; its
    // timer would only wake the program thirteen times a second.
    if (!event->spontaneous())
        Timer2->stop();
    QWidget::hideEvent(event);
}

void frmSplash::closeEvent(QCloseEvent *event)
{
    // Closing the window from outside (Alt+F4, the window manager) ends the
    // program as a click on the logo does; merely hiding it would let the
    // introduction come anyway. Once the hand-over has begun, the window is
    // hidden and the introduction is the user's way on: a late request (it
    // can still arrive from a window manager that saw the window a moment
    // ago) is ignored, as a click would be.
    event->ignore();
    imgLogo_Click();
}

QString frmSplash::spokenName() const
{
    return lblProductName->Caption();
}
