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

QPixmap logo()
{
    // One picture shared by every window that shows it.
    const QString path = QStringLiteral(":/art/logo.png");
    QPixmap picture;
    if (!QPixmapCache::find(path, &picture)) {
        picture.load(path);
        QPixmapCache::insert(path, picture);
    }
    return picture;
}

} // namespace product
