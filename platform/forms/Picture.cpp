#include "Picture.h"

#include "platform/host/Services.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace platform {

namespace {

QString resolvePicturePath(const QString &path)
{
    QString normalized = path;
    normalized.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normalized.isEmpty())
        return QString();
    const QFileInfo asGiven(normalized);
    if (asGiven.isAbsolute())
        return asGiven.exists() ? normalized : QString();
    if (asGiven.exists())
        return asGiven.absoluteFilePath();
    const QString relative = QDir::cleanPath(normalized);
    const QString folder = resourceFolder() + QLatin1Char('/');
    if (QFileInfo::exists(folder + relative))
        return QFileInfo(folder + relative).absoluteFilePath();
    // A path such as .\resources\logo.bmp names a file of the resource folder.
    const QString prefix = QStringLiteral("resources/");
    if (relative.startsWith(prefix) && QFileInfo::exists(folder + relative.mid(prefix.size())))
        return QFileInfo(folder + relative.mid(prefix.size())).absoluteFilePath();
    return QString();
}

} // namespace

int pixelsToHimetric(int pixels)
{
    // Halves go to the even neighbour, as in every float-to-integer conversion
    // of the program.
    return int(std::nearbyint(double(pixels) * 2540.0 / 96.0));
}

Picture LoadPicture(const QString &path)
{
    auto picture = std::make_shared<PictureData>();
    const QString file = resolvePicturePath(path);
    picture->source = file.isEmpty() ? path : file;
    if (file.isEmpty())
        return picture;
    QImageReader reader(file);
    QImage image = reader.read();
    if (image.isNull())
        return picture;
    picture->type = QFileInfo(file).suffix().compare(QLatin1String("ico"), Qt::CaseInsensitive) == 0 ? PictureData::Icon
                                                                                                   : PictureData::Bitmap;
    picture->widthHimetric = pixelsToHimetric(image.width());
    picture->heightHimetric = pixelsToHimetric(image.height());
    picture->image = std::move(image);
    return picture;
}

Picture EmptyPicture()
{
    return std::make_shared<const PictureData>();
}

} // namespace platform
