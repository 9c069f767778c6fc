#pragma once

#include "platform/forms/PropertyBag.h"
#include "platform/raster/Raster.h"

#include <QRect>
#include <QSize>

#include <functional>
#include <initializer_list>
#include <vector>

// Pictures scaled to the size they are drawn at, each cut to the part that
// can fall on the button, kept from one repaint to the next. Scaling a large
// picture costs far more than drawing the part of it that shows (a hover or
// a press repaints the button), and a part is never much larger than the
// button, however large the picture is drawn.
class ScaledPictures {
public:
    // What the picture was made into before it was scaled.
    enum class Kind { Bitmap, BitmapMaskedToWhite, IconSilhouette, IconEmbossed };

    struct Key {
        Kind kind = Kind::Bitmap;
        platform::COLORREF mask = 0; // the mask colour it was made with, where that matters
        QSize drawn;                 // the size the whole picture is drawn at
        QRect part;                  // the part kept, in the drawn picture's pixels
        int ratio = 1;               // device pixels per design pixel it was scaled for

        bool operator==(const Key &other) const
        {
            return kind == other.kind && mask == other.mask && drawn == other.drawn && part == other.part
                && ratio == other.ratio;
        }
    };

    // The scaled part of the picture, made by `make` unless it is kept.
    platform::Surface &get(const platform::Picture &picture, const Key &key,
                           const std::function<platform::Surface()> &make);

    // Lets go of the parts of every picture but these.
    void keepOnly(std::initializer_list<const platform::Picture *> pictures);

private:
    struct Entry {
        platform::Picture picture;
        Key key;
        platform::Surface scaled;
    };
    // A repaint draws at most two (a lifted picture over its shadow); the
    // hover picture and the normal one take turns.
    static constexpr std::size_t kKept = 4;
    std::vector<Entry> m_entries; // the most recently used last
};
