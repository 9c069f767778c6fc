#pragma once

#include "FormAccessibility.h"
#include "platform/host/Timer.h"

#include <QWidget>

class FormLabel;
namespace platform { struct Host; }


// The splash window: maker, product name, logo, version and platform lines
// and an animated "Loading..." for three seconds. Then it hides, lets the
// popup introduce the program in three messages and opens the main window.
// Once the hand-over has begun it is only ever hidden, never unloaded: the
// other windows copy its product name, logo, version, platform and build
// lines (Program::splash() would load it again if it had gone).
class frmSplash : public QWidget, public SpokenWindow {
    Q_OBJECT

public:
    explicit frmSplash(platform::Host &host, QWidget *parent = nullptr);

    QWidget *const Frame1;
    FormLabel *const lblCompanyProduct;
    FormLabel *const Label2;
    FormLabel *const Label1;
    FormLabel *const lblProductName;
    FormLabel *const Label3;
    FormLabel *const imgLogo;
    FormLabel *const Label4;
    FormLabel *const lblPlatform;
    FormLabel *const lblVersion;
    FormLabel *const Label5;
    FormLabel *const lblLegalNotice;
    platform::Timer *const delaytimer;
    platform::Timer *const Timer2;

    void Timer2_Timer();
    void delaytimer_Timer();
    void imgLogo_Click();

    QString spokenName() const override;

signals:
    // The three seconds are up: the window has hidden itself for good, and
    // the introduction may come.
    void timeIsUp();
    // A click on the logo, or a close request, before the hand-over: the
    // window is to go. Its hand-over will not come any more.
    void askedToGo();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_handOverBegun = false;
};
