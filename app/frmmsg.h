#pragma once

#include "FormAccessibility.h"

#include <QWidget>

class FormLabel;
namespace platform {
struct Host;
class Timer;
}

// The notification popup: a short message under the product name and logo,
// kept above every other window. The waiting operations return only once the
// link label is clicked (or the auto-close timer runs out); meanwhile the
// program's events go on being processed. One instance for the whole run.
class frmmsg : public QWidget, public SpokenWindow {
    Q_OBJECT

public:
    explicit frmmsg(platform::Host &host, QWidget *parent = nullptr);

    QWidget *const Frame1;
    FormLabel *const lblProductName;
    FormLabel *const Label3;
    FormLabel *const imgLogo;
    FormLabel *const Label2;
    FormLabel *const Label1;
    FormLabel *const Label4;
    QWidget *const Picture1;
    QWidget *const pic;
    platform::Timer *const animate1;
    platform::Timer *const animate2;
    platform::Timer *const Timer2;

    void shownext(const QString &message);
    void showtime(const QString &message, qint32 time);
    void showclose(const QString &message);
    void Showstatus(const QString &message);
    void hidemsg();

    void Label2_Click();
    void Label2_MouseMove();
    void Frame1_MouseMove();
    void Timer2_Timer();
    void animate1_Timer();
    void animate2_Timer();
    void Form_Activate();

    // The left edge of the moving segment in twips, relative to the frame.
    int picLeft() const { return m_picLeft; }

    QString spokenName() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeMessage(const QString &message);
    void showOnTop();
    // Sleeps in the event loop until msgclosed is set; false when the
    // program ended meanwhile, and then nothing more may run.
    bool waitUntilClosed();
    void showAndWait(const QString &link, const QString &message);
    void setPicLeft(int twips);
    void updateLinkUnderline();

    platform::Host &m_host;
    bool msgclosed = false;
    int m_waits = 0; // waiting operations on the stack
    int m_picLeft = 0;
    bool m_linkHovered = false;
};
