#pragma once

#include <QFont>
#include <QWidget>

class QShortcut;

// The program's own push button. Raises Click on a release inside it, on the
// space bar and on its access key.
class XpBs : public QWidget {
    Q_OBJECT

public:
    explicit XpBs(QWidget *parent = nullptr);

    void Refresh();

    bool Enabled() const { return isEnabled(); }
    void setEnabled(bool enabled);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    const QFont &Font() const { return m_font; }
    void setFont(const QFont &font);

    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_caption;
    QFont m_font;
    int m_mousePointer = 0;
    bool m_down = false;
    QShortcut *m_accessKey = nullptr;
};
