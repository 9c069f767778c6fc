#pragma once

#include "CaseRandomizer.h"
#include "platform/host/Host.h"
#include "platform/host/Timer.h"

#include <QWidget>

class QLabel;
class XpBs;
class Xp_ProgressBar;

// The main window: the text box, the status line, the progress bar and the
// two buttons. A close request flies the window up and away, then ends the
// program.
class frmmain : public QWidget {
    Q_OBJECT

public:
    static const QString kCaption;

    explicit frmmain(platform::Host &host, QWidget *parent = nullptr);

    platform::TextBox *const tb;
    QLabel *const Label1;
    Xp_ProgressBar *const pb;
    XpBs *const XpBs2;
    XpBs *const XpBs1;
    platform::Timer *const timer1;

    void tb_Change();
    platform::TextBox::Typing tb_KeyPress(char32_t code);
    void XpBs2_Click();
    void XpBs1_Click();
    void timer1_Timer();

    // The outer frame the closing animation works with, in twips.
    struct FrameTwips {
        int top = 0;
        int width = 0;
        int height = 0;
    };
    FrameTwips animationFrame() const { return m_frame; }

signals:
    // "&About" was clicked: the program shows the about window.
    void aboutRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override; // Form_QueryUnload
    // Asks the windowing system for a new outer frame; it may refuse.
    virtual void applyFrame(const FrameTwips &frame);

private:
    FrameTwips currentFrame() const;

    platform::Host &m_host;
    CaseRandomizer m_randomizer;
    FrameTwips m_frame;
    bool m_closing = false;
};
