#include "FormData.h"

#include "platform/host/Services.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform {

namespace {

const QString kForm = QStringLiteral("form");
const QString kControls = QStringLiteral("controls");
const QString kName = QStringLiteral("name");
const QString kClass = QStringLiteral("class");
const QString kProperties = QStringLiteral("properties");

const QString kFontSize = QStringLiteral("size");
const QString kFontBold = QStringLiteral("bold");
const QString kFontItalic = QStringLiteral("italic");
const QString kFontUnderline = QStringLiteral("underline");
const QString kFontStrikethrough = QStringLiteral("strikethrough");

const QString kPicture = QStringLiteral("picture");
const QString kPictureType = QStringLiteral("type");
const QString kPicturePng = QStringLiteral("png");
const QString kPictureWidth = QStringLiteral("width");
const QString kPictureHeight = QStringLiteral("height");

QString pictureTypeName(int type)
{
    switch (type) {
    case PictureData::Bitmap:
        return QStringLiteral("bitmap");
    case PictureData::Icon:
        return QStringLiteral("icon");
    default:
        return QStringLiteral("empty");
    }
}

bool isResourcePath(const QString &path)
{
    return path.startsWith(QLatin1Char(':'));
}

// A picture file inside the resource folder is stored relative to it, so
// that the form data does not depend on where the program was built.
QString storedPicturePath(const QString &source)
{
    if (isResourcePath(source))
        return source;
    const QFileInfo info(source);
    if (!info.isAbsolute())
        return source;
    const QString folder = QFileInfo(resourceFolder()).canonicalFilePath();
    const QString file = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    if (folder.isEmpty())
        return source;
    const QString relative = QDir(folder).relativeFilePath(file);
    if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../")) || QFileInfo(relative).isAbsolute())
        return source;
    return relative;
}

Picture loadStoredPicture(const QString &storedPath)
{
    // A relative path names a file of the resource folder, whatever the
    // current directory holds.
    if (!storedPath.isEmpty() && !isResourcePath(storedPath) && QFileInfo(storedPath).isRelative()) {
        const QString inFolder = resourceFolder() + QLatin1Char('/') + storedPath;
        if (QFileInfo::exists(inFolder))
            return LoadPicture(inFolder);
    }
    return LoadPicture(storedPath);
}

QJsonValue encodePicture(const Picture &picture)
{
    if (!picture)
        return QJsonValue(QJsonValue::Null);
    QJsonObject object;
    if (!picture->source.isEmpty()) {
        object.insert(kPicture, storedPicturePath(picture->source));
        return object;
    }
    // A picture made in memory has no file to point to: its image goes in.
    object.insert(kPicture, QString());
    // An empty picture keeps a size it was given, too.
    if (picture->type != PictureData::Empty || !picture->image.isNull() || picture->widthHimetric != 0
        || picture->heightHimetric != 0) {
        object.insert(kPictureType, pictureTypeName(picture->type));
        object.insert(kPictureWidth, picture->widthHimetric);
        object.insert(kPictureHeight, picture->heightHimetric);
    }
    if (!picture->image.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture->image.save(&buffer, "PNG");
        object.insert(kPicturePng, QString::fromLatin1(png.toBase64()));
    }
    return object;
}

bool decodeInteger(const QJsonValue &json, int *result)
{
    if (!json.isDouble())
        return false;
    const double number = json.toDouble();
    if (!std::isfinite(number) || std::floor(number) != number || number < std::numeric_limits<int>::min()
        || number > std::numeric_limits<int>::max())
        return false;
    *result = int(number);
    return true;
}

bool decodePicture(const QJsonObject &object, Picture *result)
{
    const QJsonValue path = object.value(kPicture);
    if (!path.isString())
        return false;
    if (!path.toString().isEmpty()) {
        *result = loadStoredPicture(path.toString());
        return true;
    }
    auto picture = std::make_shared<PictureData>();
    const QString type = object.value(kPictureType).toString(QStringLiteral("empty"));
    if (type == QLatin1String("bitmap"))
        picture->type = PictureData::Bitmap;
    else if (type == QLatin1String("icon"))
        picture->type = PictureData::Icon;
    else if (type != QLatin1String("empty"))
        return false;
    if (object.contains(kPicturePng)) {
        const QJsonValue png = object.value(kPicturePng);
        if (!png.isString())
            return false;
        const QImage image = QImage::fromData(QByteArray::fromBase64(png.toString().toLatin1()), "PNG");
        if (image.isNull())
            return false;
        picture->image = image;
    }
    picture->widthHimetric = pixelsToHimetric(picture->image.width());
    picture->heightHimetric = pixelsToHimetric(picture->image.height());
    if (object.contains(kPictureWidth) && !decodeInteger(object.value(kPictureWidth), &picture->widthHimetric))
        return false;
    if (object.contains(kPictureHeight) && !decodeInteger(object.value(kPictureHeight), &picture->heightHimetric))
        return false;
    *result = picture;
    return true;
}

QJsonValue encodeFont(const FontSpec &font)
{
    QJsonObject object;
    object.insert(kName, font.name);
    object.insert(kFontSize, font.size);
    object.insert(kFontBold, font.bold);
    object.insert(kFontItalic, font.italic);
    object.insert(kFontUnderline, font.underline);
    object.insert(kFontStrikethrough, font.strikethrough);
    return object;
}

bool decodeFlag(const QJsonObject &object, const QString &key, bool *flag)
{
    if (!object.contains(key)) {
        *flag = false;
        return true;
    }
    const QJsonValue value = object.value(key);
    if (!value.isBool())
        return false;
    *flag = value.toBool();
    return true;
}

bool decodeFont(const QJsonObject &object, FontSpec *result)
{
    const QJsonValue name = object.value(kName);
    const QJsonValue size = object.value(kFontSize);
    if (!name.isString() || !size.isDouble() || !std::isfinite(size.toDouble()))
        return false;
    FontSpec font;
    font.name = name.toString();
    font.size = size.toDouble();
    if (!decodeFlag(object, kFontBold, &font.bold) || !decodeFlag(object, kFontItalic, &font.italic)
        || !decodeFlag(object, kFontUnderline, &font.underline)
        || !decodeFlag(object, kFontStrikethrough, &font.strikethrough))
        return false;
    *result = font;
    return true;
}

QString describeJsonProblem(const QByteArray &json, const QJsonParseError &error)
{
    if (json.trimmed().isEmpty())
        return QStringLiteral("the file is empty");
    return QStringLiteral("%1 at offset %2").arg(error.errorString()).arg(error.offset);
}

void reportUnusableFile(const QString &fileName, const QString &reason)
{
    reportFormProblem(fileName + QStringLiteral(": cannot read the form data (") + reason
                      + QStringLiteral("), every control uses its defaults"));
}

} // namespace

QJsonValue FormData::encodeValue(const QVariant &value)
{
    const int typeId = value.metaType().id();
    switch (typeId) {
    case QMetaType::Short:
    case QMetaType::Int:
        return QJsonValue(value.toInt());
    case QMetaType::UInt:
        return QJsonValue(qint64(value.toUInt()));
    case QMetaType::Bool:
        return QJsonValue(value.toBool());
    case QMetaType::QString:
        return QJsonValue(value.toString());
    default:
        break;
    }
    if (typeId == qMetaTypeId<FontSpec>())
        return encodeFont(value.value<FontSpec>());
    if (typeId == qMetaTypeId<Picture>())
        return encodePicture(value.value<Picture>());
    if (typeId == QMetaType::QJsonValue)
        return value.toJsonValue();
    return QJsonValue(QJsonValue::Undefined);
}

QVariant FormData::decodeValue(const QJsonValue &json)
{
    switch (json.type()) {
    case QJsonValue::Null:
        return QVariant::fromValue(Picture());
    case QJsonValue::Bool:
        return QVariant::fromValue(json.toBool());
    case QJsonValue::String:
        return QVariant::fromValue(json.toString());
    case QJsonValue::Double: {
        const double number = json.toDouble();
        if (std::isfinite(number) && std::floor(number) == number && number >= std::numeric_limits<qint32>::min()
            && number <= std::numeric_limits<quint32>::max()) {
            // Whole numbers come back as 32-bit integers, those past the
            // signed range (system colours) as colours; a reader asking for
            // another width gets the value converted.
            if (number <= std::numeric_limits<qint32>::max())
                return QVariant::fromValue(int(number));
            return QVariant::fromValue(quint32(number));
        }
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = json.toObject();
        if (object.contains(kPicture)) {
            Picture picture;
            if (decodePicture(object, &picture))
                return QVariant::fromValue(picture);
        } else {
            FontSpec font;
            if (decodeFont(object, &font))
                return QVariant::fromValue(font);
        }
        break;
    }
    default:
        break;
    }
    return QVariant::fromValue(json);
}

FormData FormData::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FormData empty;
        empty.m_fileName = path;
        reportUnusableFile(path, file.errorString());
        return empty;
    }
    return fromJson(file.readAll(), path);
}

FormData FormData::fromJson(const QByteArray &json, const QString &fileNameForMessages)
{
    FormData form;
    form.m_fileName = fileNameForMessages;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        reportUnusableFile(fileNameForMessages, describeJsonProblem(json, error));
        return form;
    }
    if (!document.isObject() || !document.object().value(kControls).isArray()) {
        reportUnusableFile(fileNameForMessages, QStringLiteral("expected an object with a \"controls\" list"));
        return form;
    }
    const QJsonObject root = document.object();
    form.m_formName = root.value(kForm).toString();
    const QJsonArray controls = root.value(kControls).toArray();
    for (int i = 0; i < controls.size(); ++i) {
        const QJsonObject entry = controls.at(i).toObject();
        const QString name = entry.value(kName).toString();
        if (name.isEmpty()) {
            reportFormProblem(fileNameForMessages + QStringLiteral(": control entry %1 has no name, ignored").arg(i + 1));
            continue;
        }
        if (form.indexOf(name) >= 0) {
            reportFormProblem(fileNameForMessages + QStringLiteral(": control ") + name
                              + QStringLiteral(" is stored twice, the later entry is ignored"));
            continue;
        }
        Control control{name, entry.value(kClass).toString(), PropertyBag()};
        control.bag.setContext(fileNameForMessages, name, control.classId);
        const QJsonValue properties = entry.value(kProperties);
        if (properties.isObject()) {
            const QJsonObject object = properties.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                control.bag.insert(it.key(), decodeValue(it.value()));
        } else if (!properties.isUndefined()) {
            reportFormProblem(fileNameForMessages + QStringLiteral(": control ") + name
                              + QStringLiteral(": \"properties\" is not an object, every property uses its default"));
        }
        form.m_controls.push_back(std::move(control));
    }
    return form;
}

QByteArray FormData::toJson() const
{
    QJsonArray controls;
    for (const Control &control : m_controls) {
        QJsonObject properties;
        for (const QString &key : control.bag.keys()) {
            const QJsonValue encoded = encodeValue(control.bag.value(key));
            if (encoded.isUndefined()) {
                reportFormProblem(control.bag.messagePrefix(key)
                                  + QStringLiteral("a value of type %1 cannot be saved, left out")
                                        .arg(QString::fromLatin1(control.bag.value(key).metaType().name())));
                continue;
            }
            properties.insert(key, encoded);
        }
        QJsonObject entry;
        entry.insert(kName, control.name);
        entry.insert(kClass, control.classId);
        entry.insert(kProperties, properties);
        controls.append(entry);
    }
    QJsonObject root;
    root.insert(kForm, m_formName);
    root.insert(kControls, controls);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QStringList FormData::controlNames() const
{
    QStringList names;
    for (const Control &control : m_controls)
        names.append(control.name);
    return names;
}

int FormData::indexOf(const QString &controlName) const
{
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i].name.compare(controlName, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

PropertyBag FormData::bagFor(const QString &controlName, const QString &classId) const
{
    const QString lowerName = controlName.toLower();
    if (std::find(m_requested.begin(), m_requested.end(), lowerName) == m_requested.end())
        m_requested.push_back(lowerName);
    const int index = indexOf(controlName);
    if (index >= 0) {
        const Control &control = m_controls[std::size_t(index)];
        if (control.classId.isEmpty() || classId.isEmpty()
            || control.classId.compare(classId, Qt::CaseInsensitive) == 0)
            return control.bag;
        m_refused.push_back(lowerName);
        reportFormProblem(m_fileName + QStringLiteral(": control ") + control.name + QStringLiteral(" is stored as ")
                          + control.classId + QStringLiteral(", not ") + classId
                          + QStringLiteral("; every property uses its default"));
    }
    PropertyBag empty;
    empty.setContext(m_fileName, controlName, classId);
    return empty;
}

void FormData::setBag(const QString &controlName, const QString &classId, const PropertyBag &bag)
{
    const int index = indexOf(controlName);
    Control control{controlName, classId, bag};
    control.bag.setContext(m_fileName, controlName, classId);
    if (index >= 0)
        m_controls[std::size_t(index)] = std::move(control);
    else
        m_controls.push_back(std::move(control));
}

void FormData::reportUnreadKeys() const
{
    if (m_unreadReported)
        return;
    m_unreadReported = true;
    for (const Control &control : m_controls) {
        const QString lowerName = control.name.toLower();
        if (std::find(m_refused.begin(), m_refused.end(), lowerName) != m_refused.end())
            continue;
        if (std::find(m_requested.begin(), m_requested.end(), lowerName) != m_requested.end()) {
            control.bag.reportUnreadKeys();
            continue;
        }
        reportFormProblem(m_fileName + QStringLiteral(": control ") + control.name
                          + QStringLiteral(" is not on this window, ignored"));
    }
}

} // namespace platform
