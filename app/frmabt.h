#pragma once

#include "FormAccessibility.h"

#include <QWidget>

class FormLabel;
namespace platform { struct Host; }
class QListWidget;
class XpBs;

// The about window: product name, logo, version, platform and build lines
// (taken from the splash window at every activation), the designer credit, a
// thanks list and a legal notice. "&Close" hides it; it stays loaded, and the
// next "&About" shows the same window again.
class frmabt : public QWidget, public SpokenWindow {
    Q_OBJECT

public:
    explicit frmabt(platform::Host &host, QWidget *parent = nullptr);

    QWidget *const Frame1;
    FormLabel *const imgLogo;
    FormLabel *const lblProductName;
    FormLabel *const lblVersion;
    FormLabel *const lblPlatform;
    FormLabel *const Label5;
    FormLabel *const Label1;
    FormLabel *const Label2;
    FormLabel *const Label3;
    QListWidget *const List1;
    FormLabel *const Label4;
    FormLabel *const lblLegalNotice;
    XpBs *const XpBs2;

    void Form_Load();
    void Form_Activate();
    void XpBs2_Click();

    QString spokenName() const override;
    // A screen reader's first words on the window skip short lines; as the
    // description they are all heard at once.
    QString spokenDescription() const override;

signals:
    // Hidden by the program ("&Close", Escape), not by the window system:
    // the keyboard may go back to where the user works.
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
};
