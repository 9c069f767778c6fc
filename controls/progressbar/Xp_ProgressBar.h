#pragma once

#include "platform/host/Host.h"
#include "platform/forms/PropertyBag.h"
#include "platform/raster/Raster.h"

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
    bool hasSkin() const { return !pc[0].image().isNull(); }

    void ResetPainter();
    void PaintBlocks();
    void PaintLastBlock();
    void PaintSmooth();

    // The drawing primitive: the whole source picture, or a part of it,
    // scaled into a destination rectangle of the bar.
    void PaintPicture(const platform::Surface &picture, int x, int y, int width, int height);
    void PaintPicture(const platform::Surface &picture, int x, int y, int width, int height, int sourceX,
                      int sourceY, int sourceWidth, int sourceHeight);

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

    // What the painters work from, taken by ResetPainter and moved on as
    // blocks and the marker are drawn.
    struct PainterState {
        int barWidth = 0;       // the bar's width when the painter was reset
        int innerHeight = 0;    // the height inside the 1-pixel rims
        int pieceWidth = 0;     // the skin's piece size: the marker is half a piece wide
        int pieceHeight = 0;
        int nextX = 4;          // where the next block starts (blocks 8 wide, 10 apart)
        qint16 stepCount = 0;   // Value - Min the drawn blocks stand for
        qint64 gate = 0;        // Value - Min below which an assignment has nothing new to draw
        qint32 lastValue = 0;   // the peak: the highest value drawn since the last decrease
        qint64 savedValue = 0;  // Value - Min to start from once a redraw has cleared the bar
        bool restartPending = false; // savedValue is to be used by the next reset
        qint16 finished = 0;    // 1 once the last, squeezed block is drawn
        int markerX = 4;        // the continuous style's marker: where it is drawn next
        qint32 paintedMin = 0;  // the range the drawn blocks were measured against
        qint32 paintedMax = 0;
    };
    PainterState m_paint;
};
