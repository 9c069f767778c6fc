#pragma once

#include "platform/host/Host.h"
#include "platform/forms/PropertyBag.h"
#include "platform/raster/Raster.h"

#include "BarPainter.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <array>

// The program's own progress bar: a rounded trough filled with segmented
// blocks (Style 0) or crossed by a moving three-piece marker (any other
// Style), drawn from small skin images in one of eight colour skins. It
// paints incrementally into a persistent image that every paint shows.
class Xp_ProgressBar : public QWidget {
    Q_OBJECT

public:
    static constexpr const char *kClassId = "vorlenta.Xp_ProgressBar";

    explicit Xp_ProgressBar(platform::Host &host, QWidget *parent = nullptr);

    // The public interface, in its declared order. Value, Min and Max refuse
    // a value out of range with an "Error" message box and keep the old one.
    qint32 Value() const { return m_value; }
    void setValue(qint32 value);
    qint32 Style() const { return m_style; }
    void setStyle(qint32 style);
    qint32 ProgressLook() const { return m_progressLook; }
    void setProgressLook(qint32 look);
    qint32 Min() const { return m_min; }
    void setMin(qint32 min);
    qint32 Max() const { return m_max; }
    void setMax(qint32 max);

    // Life cycle, called by the window that holds the bar (and, for
    // UserControl_Resize, by every change of size).
    void UserControl_Initialize();
    void UserControl_ReadProperties(platform::PropertyBag &bag);
    void UserControl_WriteProperties(platform::PropertyBag &bag) const;
    void UserControl_Resize();

    // What the window shows.
    const QImage &image() const { return m_image; }

signals:
    // The container's property-changed notification.
    void PropertyChanged(const QString &name);
    // Emitted after every redraw of the empty frame.
    void FrameDrawn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void notify(const char *name);
    void showRefusal(const char *message);
    void tellValue();
    void ApplyLook();
    // The image has the widget's size in device pixels at its pixel ratio.
    bool imageFits(const QSize &size) const;
    bool followRatio();
    // What the painter draws from now.
    BarFace face() const;

    platform::Host &m_host;
    QImage m_image;
    // When a screen reader last heard the value, and the report held back
    // since.
    QElapsedTimer m_valueTold;
    bool m_valueToTellPending = false;
    platform::Surface m_surface;

    // Properties.
    qint32 m_value = 0;
    qint32 m_min = 0;
    qint32 m_max = 0;
    qint32 m_style = 0;
    qint32 m_progressLook = 0;
    // Stored values that did not read, written back as they were.
    platform::KeptValues m_kept;

    // The working pieces of the current skin; empty until a look is applied.
    std::array<platform::Surface, 3> pc;

    // Draws into m_surface; it tells the window what to show again.
    BarPainter m_painter;
};
