#include "Product.h"

#include <QPixmapCache>

namespace product {

QString company()
{
    return QStringLiteral("Morvane");
}

QString name()
{
    return QStringLiteral("Morvane's Tessaly");
}

QString platformLine()
{
    return QStringLiteral("Platform: ME/XP");
}

QString versionLine()
{
    return QStringLiteral("Version 1.0");
}

QString firstBuildLine()
{
    return QStringLiteral("First Build: 20/12/03");
}

QPixmap logo(qreal devicePixelRatio)
{
    // The art is drawn at 1x, 2x and 3x; the screen gets the first as fine
    // as it is (or the finest), shown at the same 48 x 48 logical size, so a
    // window that stretches it to its box scales device pixels down, never
    // up. One picture per variant is shared by every window that shows it.
    int scale = 1;
    while (scale < 3 && scale < devicePixelRatio)
        ++scale;
    const QString path = scale == 1 ? QStringLiteral(":/art/logo.png")
                                    : QStringLiteral(":/art/logo@%1x.png").arg(scale);
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        picture.load(path);
        // Not left to the reader's reading of the @Nx name, which the
        // environment can turn off.
        picture.setDevicePixelRatio(scale);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

} // namespace product
