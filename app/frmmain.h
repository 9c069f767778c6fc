#pragma once

#include "PassAndTypingController.h"
#include "platform/host/Host.h"
#include "platform/host/Timer.h"

#include <QWidget>

class QLabel;
class XpBs;
class Xp_ProgressBar;

// The main window: the text box, the status line, the progress bar and the
// two buttons. A close request flies the window up and away, then ends the
// program. Typing and "Randomize Case" go to its pass and typing controller,
// which sees the window through the operations of its controls below.
class frmmain : public QWidget, private PassAndTypingController::Window {
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

    // What the controller uses of tb, Label1, pb and XpBs2.
    qint64 TextLength() const override;
    char32_t CharAt(qint64 position) const override;
    void ReplaceCharAt(qint64 position, char32_t replacement) override;
    void setSelStart(qint64 position) override;
    void SetFocus() override;
    void beginBatch() override;
    void endBatch() override;
    void showStatus(const QString &text) override;
    void sayStatus(const QString &text) override;
    void setBarVisible(bool visible) override;
    qint32 barValue() const override;
    void setBarValue(qint16 value) override;
    void setPassEnabled(bool enabled) override;

    platform::Host &m_host;
    PassAndTypingController m_controller;
    FrameTwips m_frame;
    bool m_closing = false;
};
