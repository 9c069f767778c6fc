#pragma once

#include <QLabel>

// A label as the windows lay them out: it keeps its caption exactly as set
// (a line break is carriage return and line feed), has a transparent
// background unless given one, reports Click and MouseMove like the other
// controls, and can size itself to its caption.
class FormLabel : public QLabel {
    Q_OBJECT

public:
    explicit FormLabel(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // A label that sizes to its caption keeps the edge its alignment names
    // (the centre for centred text), so the text stays where it was laid out.
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);

    void setFontUnderline(bool underline);

    // A link takes the keyboard focus, and Enter or Space on it does what
    // a click does.
    bool isLink() const { return m_link; }
    void setLink(bool link);
    // What a click does, for the keyboard and assistive technology.
    void activate() { emit Click(); }

signals:
    void Click();
    void MouseMove();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fitToCaption();

    QString m_caption;
    bool m_autoSize = false;
    bool m_pressed = false;
    bool m_link = false;
};
