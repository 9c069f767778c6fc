#pragma once

#include <QObject>
#include <QTimer>

namespace platform {

// A window timer: while started, says timeout() every interval. A window
// makes its timers through the host's clock, so that they run on whatever
// time the host keeps.
class Timer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    // (Re)starts counting a whole interval from now.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};

// A timer on real time. The QTimer doing the work is a child, so that
// whatever stops a window's QTimers stops this one too.
class QtTimer final : public Timer {
    Q_OBJECT

public:
    explicit QtTimer(QObject *owner = nullptr);

    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer{this};
};

} // namespace platform
