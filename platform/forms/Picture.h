#pragma once

#include <QImage>
#include <QMetaType>
#include <QString>

#include <memory>

namespace platform {

// An image with its size in HIMETRIC units (0.01 mm).
struct PictureData {
    enum Type { Empty = 0, Bitmap = 1, Icon = 3 };

    int type = Empty;
    QImage image;
    // The file it was loaded from, kept even when the file could not be read.
    QString source;
    int widthHimetric = 0;
    int heightHimetric = 0;
};

// A picture property's value. nullptr is "no picture"; a PictureData of type
// Empty is an empty picture object, which is something else. Two pictures are
// the same only when they are the same object.
using Picture = std::shared_ptr<const PictureData>;

// Loads an image file: ".ico" files become icons, everything else bitmaps.
// A relative path is looked up in the current directory, then in the
// resource folder. A file that cannot be decoded gives an empty picture
// object that remembers the path.
Picture LoadPicture(const QString &path);

// A new empty picture object.
Picture EmptyPicture();

// HIMETRIC size of a length in pixels at 96 dpi, rounded.
int pixelsToHimetric(int pixels);

} // namespace platform

Q_DECLARE_METATYPE(platform::Picture)
