#include "frmabt.h"

#include "FormAccessibility.h"
#include "FormLabel.h"
#include "FormParts.h"
#include "Product.h"
#include "controls/xpbutton/XpBs.h"
#include "platform/desktop/Accessibility.h"
#include "platform/forms/FormData.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"

#include <QEvent>
#include <QHideEvent>
#include <QShortcut>
#include <QListWidget>

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

constexpr int kClientWidthTwips = 3960;
constexpr int kClientHeightTwips = 4200;

// A caption-less label with an opaque black background: a horizontal rule.
FormLabel *newRule(QWidget *parent, const char *name, const QRect &box)
{
    FormLabel *rule = newLabel(parent, name, box, QFont(), Qt::AlignLeft, QString(), false);
    QPalette palette = rule->palette();
    palette.setColor(QPalette::Window, Qt::black);
    rule->setPalette(palette);
    rule->setAutoFillBackground(true);
    return rule;
}

XpBs *newButton(platform::Host &host, QWidget *parent, const char *name, const QRect &box)
{
    auto *button = new XpBs(host, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(box);
    return button;
}

} // namespace

frmabt::frmabt(platform::Host &host, QWidget *parent)
    : QWidget(parent)
    , Frame1(new QWidget(this))
    , imgLogo(newLabel(Frame1, "imgLogo", twipsRect(120, 120, 495, 465), QFont(), Qt::AlignLeft, QString(), false))
    , lblProductName(newLabel(Frame1, "lblProductName", twipsRect(720, 120, 3105, 360), arial(15.75, true),
                              Qt::AlignHCenter, QStringLiteral("Morvane APP"), true))
    , lblVersion(newLabel(Frame1, "lblVersion", twipsRect(720, 600, 1665, 240), arial(9.75, true), Qt::AlignLeft,
                          QStringLiteral("Version 0.1 (Beta)"), true))
    , lblPlatform(newLabel(Frame1, "lblPlatform", twipsRect(720, 840, 1545, 240), arial(9.75, true),
                           Qt::AlignRight, QStringLiteral("Platform: ME/XP"), true))
    , Label5(newLabel(Frame1, "Label5", twipsRect(720, 1080, 2055, 255), arial(9.75, true), Qt::AlignLeft,
                      QStringLiteral("First Build: 10/10/03"), false))
    , Label1(newRule(Frame1, "Label1", twipsRect(0, 1440, 3855, 45)))
    , Label2(newLabel(Frame1, "Label2", twipsRect(120, 1560, 3735, 255), arial(9.75, true), Qt::AlignLeft,
                      QStringLiteral("Designed by Ilo Varen of Morvane"), false))
    , Label3(newLabel(Frame1, "Label3", twipsRect(120, 1920, 2055, 255), arial(9.75, true), Qt::AlignLeft,
                      QStringLiteral("Special Thanks To:"), false))
    , List1(new QListWidget(Frame1))
    , Label4(newRule(Frame1, "Label4", twipsRect(0, 3240, 3855, 45)))
    , lblLegalNotice(newLabel(Frame1, "lblLegalNotice", twipsRect(120, 3360, 3735, 855), arial(9, false),
                              Qt::AlignLeft,
                              QStringLiteral("This program is freeware: you may share it freely, but never "
                                             "sell it."),
                              false))
    , XpBs2(newButton(host, Frame1, "XpBs2", twipsRect(2520, 3720, 1095, 255)))
{
    setObjectName(QStringLiteral("frmabt"));
    // Borderless, so it cannot be moved or resized.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QString());
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    fillWith(*this, Qt::black, Qt::black);
    // A utility window stays out of the task bar; unlike a tool window it is
    // not tied above the program's other windows, so the main window can be
    // brought over it. The type is set on the native window, made here.
    winId();
    setAttribute(Qt::WA_X11NetWmWindowTypeUtility);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(50, 50, 3855, 4095));
    fillWith(*Frame1, Qt::white, Qt::black);

    imgLogo->setScaledContents(true);
    imgLogo->setPixmap(product::logo(imgLogo->devicePixelRatioF()));
    showLogo(*imgLogo);

    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(120, 2160, 3615, 930));
    List1->setFont(arial(9, false, true));
    keepFrameOnDesignPixels(*List1);

    lblLegalNotice->setWordWrap(true);

    // The button's settings come from the window's stored form data.
    const platform::FormData form = platform::FormData::load(QStringLiteral(":/forms/frmabt.json"));
    platform::PropertyBag bag = form.bagFor(XpBs2->objectName(), QString::fromLatin1(XpBs::kClassId));
    XpBs2->UserControl_ReadProperties(bag);
    form.reportUnreadKeys();
    connect(XpBs2, &XpBs::Click, this, &frmabt::XpBs2_Click);

    installFormAccessibility();
    for (QWidget *decoration : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Label1),
                                static_cast<QWidget *>(Label4)})
        platform::setDecorative(*decoration);
    imgLogo->setAccessibleName(QStringLiteral("Tessaly logo"));
    List1->setAccessibleName(Label3->Caption());
    // Escape closes the window as "&Close" does, wherever its focus is.
    auto *escape = new QShortcut(Qt::Key_Escape, this);
    escape->setAutoRepeat(false);
    connect(escape, &QShortcut::activated, this, &frmabt::XpBs2_Click);

    Form_Load();
}

void frmabt::Form_Load()
{
    List1->addItem(QString());
}

void frmabt::Form_Activate()
{
    lblProductName->setCaption(product::name());
    imgLogo->setPixmap(product::logo(imgLogo->devicePixelRatioF()));
    lblVersion->setCaption(product::versionLine());
    lblPlatform->setCaption(product::platformLine());
    Label5->setCaption(product::firstBuildLine());
}

void frmabt::XpBs2_Click()
{
    hide();
}

void frmabt::showEvent(QShowEvent *event)
{
    centreOnFirstShow(*this);
    // A window manager may decline to activate a window that shows itself;
    // the lines are taken on showing as well, so the window never appears
    // with its layout placeholders.
    Form_Activate();
    QWidget::showEvent(event);
    // The keyboard comes along: Escape or Space closes the window at once.
    XpBs2->setFocus(Qt::ActiveWindowFocusReason);
}

void frmabt::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit hidden();
}


void frmabt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QWidget::changeEvent(event);
}

QString frmabt::spokenName() const
{
    return QStringLiteral("About ") + lblProductName->Caption();
}

QString frmabt::spokenDescription() const
{
    QStringList lines;
    for (const FormLabel *label : {lblVersion, lblPlatform, Label5, Label2, lblLegalNotice})
        lines << label->Caption();
    return lines.join(QLatin1Char('\n'));
}
