#pragma once

#include <QWidget>

// The program's own progress bar over the range Min..Max.
class Xp_ProgressBar : public QWidget {
    Q_OBJECT

public:
    explicit Xp_ProgressBar(QWidget *parent = nullptr);

    int Value() const { return m_value; }
    void setValue(int value);
    int Min() const { return m_min; }
    void setMin(int min);
    int Max() const { return m_max; }
    void setMax(int max);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
};
