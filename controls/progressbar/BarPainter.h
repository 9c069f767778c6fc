#pragma once

#include "platform/raster/Raster.h"

#include <QRect>

#include <array>
#include <functional>

// What the bar's painters read: its size, its value and range, and the
// working pieces of its skin (empty until a look is applied). The pieces
// are the bar's own, not copied: a face is made for every value assigned.
struct BarFace {
    int width = 0;
    int height = 0;
    qint32 value = 0;
    qint32 min = 0;
    qint32 max = 0;
    const std::array<platform::Surface, 3> *pieces = nullptr;
};

// Draws a bar's face onto a surface a step at a time: the empty trough,
// the blocks of the segmented style, the moving marker of the continuous
// one. It keeps how far it has drawn, and reads nothing but the face and
// the surface it is given.
class BarPainter {
public:
    // Told of each part of the surface drawn on, and of each time the
    // empty frame is drawn again, as it happens.
    std::function<void(const QRect &)> drawn;
    std::function<void()> frameDrawn;

    // The empty trough over the whole surface; the painter starts again.
    void drawFrame(const BarFace &face, platform::Surface &surface);
    // The blocks due for the face's value (segmented style).
    void paintBlocks(const BarFace &face, platform::Surface &surface);
    // The marker one step on (continuous style).
    void paintSmooth(const BarFace &face, platform::Surface &surface);
    // The working pieces of skin `look` (0 to 7), or null for any other.
    static const std::array<platform::Surface, 3> *skin(int look);
    // The painter takes the piece size at a reset; a first skin that
    // arrives after it must still be drawn at its size.
    void takePieceSize(const platform::Surface &piece);

private:
    void reset(const BarFace &face);
    void paintLastBlock(const BarFace &face, platform::Surface &surface);
    // The whole source picture, or a part of it, scaled into a destination
    // rectangle of the bar.
    void paintPicture(platform::Surface &surface, const platform::Surface &picture, int x, int y, int width,
                      int height);
    void paintPicture(platform::Surface &surface, const platform::Surface &picture, int x, int y, int width,
                      int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight);

    // Taken at a reset and moved on as blocks and the marker are drawn.
    struct State {
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
    State m_paint;
};
