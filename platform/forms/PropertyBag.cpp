#include "PropertyBag.h"

#include "platform/host/Services.h"
#include "Units.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

FormMessageSink &messageSink()
{
    static FormMessageSink sink;
    return sink;
}

bool contains(const std::vector<QString> &list, const QString &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

int typeIdOf(const QVariant &value)
{
    return value.metaType().id();
}

bool integerOf(const QVariant &value, qint64 *result)
{
    switch (typeIdOf(value)) {
    case QMetaType::Bool:
        // The platform's True is -1.
        *result = value.toBool() ? -1 : 0;
        return true;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        *result = value.toLongLong();
        return true;
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong unsignedValue = value.toULongLong();
        if (unsignedValue > qulonglong(std::numeric_limits<qint64>::max()))
            return false;
        *result = qint64(unsignedValue);
        return true;
    }
    default:
        return false;
    }
}

// A 32-bit value, whether given signed or as a colour's bit pattern.
bool fitsIn32Bits(qint64 number)
{
    return number >= std::numeric_limits<qint32>::min() && number <= qint64(std::numeric_limits<quint32>::max());
}

QString expectedTypeName(int typeId)
{
    switch (typeId) {
    case QMetaType::Short:
        return QStringLiteral("a 16-bit integer");
    case QMetaType::Int:
        return QStringLiteral("a 32-bit integer");
    case QMetaType::UInt:
        return QStringLiteral("a colour");
    case QMetaType::Bool:
        return QStringLiteral("a Boolean");
    case QMetaType::QString:
        return QStringLiteral("a string");
    default:
        if (typeId == qMetaTypeId<FontSpec>())
            return QStringLiteral("a font");
        if (typeId == qMetaTypeId<Picture>())
            return QStringLiteral("a picture");
        return QStringLiteral("a value of type %1").arg(QString::fromLatin1(QMetaType(typeId).name()));
    }
}

bool sameValue(const QVariant &left, const QVariant &right)
{
    const int typeId = typeIdOf(left);
    if (typeId != typeIdOf(right))
        return false;
    if (typeId == qMetaTypeId<Picture>())
        return left.value<Picture>() == right.value<Picture>();
    if (typeId == qMetaTypeId<FontSpec>())
        return left.value<FontSpec>() == right.value<FontSpec>();
    return left == right;
}

} // namespace

bool isPropertyValueType(int typeId)
{
    switch (typeId) {
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::QString:
        return true;
    default:
        return typeId == qMetaTypeId<FontSpec>() || typeId == qMetaTypeId<Picture>();
    }
}

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

QFont FontSpec::toQFont() const
{
    QFont font = pointFont(name, size, bold, italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

bool operator==(const FontSpec &left, const FontSpec &right)
{
    return left.name == right.name && left.size == right.size && left.bold == right.bold
        && left.italic == right.italic && left.underline == right.underline
        && left.strikethrough == right.strikethrough;
}

bool operator!=(const FontSpec &left, const FontSpec &right)
{
    return !(left == right);
}

FormMessageSink setFormMessageSink(FormMessageSink sink)
{
    FormMessageSink previous = std::move(messageSink());
    messageSink() = std::move(sink);
    return previous;
}

void reportFormProblem(const QString &text)
{
    const QString message = QStringLiteral("tessaly: ") + text;
    if (messageSink()) {
        messageSink()(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

QVariant readPropertyValue(const QVariant &stored, int targetTypeId, bool *ok)
{
    *ok = true;
    if (typeIdOf(stored) == targetTypeId)
        return stored;
    qint64 number = 0;
    const bool isInteger = typeIdOf(stored) != QMetaType::Bool && integerOf(stored, &number);
    const bool fits16 = number >= std::numeric_limits<qint16>::min() && number <= std::numeric_limits<qint16>::max();
    switch (targetTypeId) {
    case QMetaType::Short:
        if (isInteger && fits16)
            return QVariant::fromValue(short(number));
        break;
    case QMetaType::Int:
        if (isInteger && number >= std::numeric_limits<qint32>::min() && number <= std::numeric_limits<qint32>::max())
            return QVariant::fromValue(int(number));
        break;
    case QMetaType::UInt:
        if (isInteger && fitsIn32Bits(number))
            return QVariant::fromValue(quint32(number));
        break;
    case QMetaType::Bool:
        if (isInteger && fits16)
            return QVariant::fromValue(number != 0);
        break;
    default:
        break;
    }
    *ok = false;
    return QVariant();
}

QVariant convertPropertyValue(const QVariant &value, int targetTypeId, bool *ok)
{
    *ok = true;
    if (typeIdOf(value) == targetTypeId)
        return value;
    qint64 number = 0;
    const bool isInteger = integerOf(value, &number);
    switch (targetTypeId) {
    case QMetaType::Short:
        if (isInteger && number >= std::numeric_limits<qint16>::min() && number <= std::numeric_limits<qint16>::max())
            return QVariant::fromValue(short(number));
        break;
    case QMetaType::Int:
        if (isInteger && fitsIn32Bits(number))
            return QVariant::fromValue(int(quint32(number)));
        break;
    case QMetaType::UInt:
        if (isInteger && fitsIn32Bits(number))
            return QVariant::fromValue(quint32(number));
        break;
    case QMetaType::Bool:
        if (isInteger)
            return QVariant::fromValue(number != 0);
        break;
    case QMetaType::QString:
        if (isInteger && typeIdOf(value) != QMetaType::Bool)
            return QVariant::fromValue(QString::number(number));
        break;
    default:
        break;
    }
    *ok = false;
    return QVariant();
}

PropertyBag::PropertyBag()
    : m_log(std::make_shared<ReadLog>())
{
}

int PropertyBag::indexOf(const QString &lowerKey) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].first == lowerKey)
            return int(i);
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString &key, const QVariant &defaultValue)
{
    const QString lowerKey = key.toLower();
    const int index = indexOf(lowerKey);
    if (index < 0)
        return defaultValue;
    if (!platform::contains(m_log->read, lowerKey))
        m_log->read.push_back(lowerKey);
    const QVariant &stored = m_entries[std::size_t(index)].second;
    if (!defaultValue.isValid())
        return stored;
    bool ok = false;
    const QVariant converted = readPropertyValue(stored, typeIdOf(defaultValue), &ok);
    if (ok)
        return converted;
    // A key read twice (a control may read one key into two places) is
    // reported once.
    if (!platform::contains(m_log->unreadable, lowerKey)) {
        m_log->unreadable.push_back(lowerKey);
        reportFormProblem(messagePrefix(lowerKey) + QStringLiteral("expected %1, using the default")
                                                        .arg(expectedTypeName(typeIdOf(defaultValue))));
    }
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    if (!isPropertyValueType(typeIdOf(value))) {
        reportFormProblem(messagePrefix(key) + QStringLiteral("cannot store a value of type %1, not stored")
                                                   .arg(QString::fromLatin1(value.metaType().name())));
        return;
    }
    bool ok = false;
    const QVariant defaultAsValue = convertPropertyValue(defaultValue, typeIdOf(value), &ok);
    if (ok && sameValue(value, defaultAsValue))
        remove(key);
    else
        insert(key, value);
}

QStringList PropertyBag::keys() const
{
    QStringList result;
    for (const auto &entry : m_entries)
        result.append(entry.first);
    return result;
}

bool PropertyBag::contains(const QString &key) const
{
    return indexOf(key.toLower()) >= 0;
}

bool PropertyBag::isEmpty() const
{
    return m_entries.empty();
}

QVariant PropertyBag::value(const QString &key) const
{
    const int index = indexOf(key.toLower());
    return index < 0 ? QVariant() : m_entries[std::size_t(index)].second;
}

void PropertyBag::insert(const QString &key, const QVariant &value)
{
    const QString lowerKey = key.toLower();
    const int index = indexOf(lowerKey);
    if (index < 0)
        m_entries.emplace_back(lowerKey, value);
    else
        m_entries[std::size_t(index)].second = value;
}

void PropertyBag::remove(const QString &key)
{
    const int index = indexOf(key.toLower());
    if (index >= 0)
        m_entries.erase(m_entries.begin() + index);
}

QStringList PropertyBag::unreadKeys() const
{
    QStringList result;
    for (const auto &entry : m_entries) {
        if (!platform::contains(m_log->read, entry.first))
            result.append(entry.first);
    }
    return result;
}

QStringList PropertyBag::unreadableKeys() const
{
    QStringList result;
    for (const QString &key : m_log->unreadable)
        result.append(key);
    return result;
}

void KeptValues::keep(const PropertyBag &bag)
{
    // A read replaces every property: what an earlier one kept is gone.
    m_values.clear();
    for (const QString &key : bag.unreadableKeys())
        m_values.emplace_back(key, bag.value(key));
}

void KeptValues::forget(const QString &key)
{
    if (m_values.empty())
        return;
    const QString lowerKey = key.toLower();
    m_values.erase(std::remove_if(m_values.begin(), m_values.end(),
                                  [&lowerKey](const auto &entry) { return entry.first == lowerKey; }),
                   m_values.end());
}

void KeptValues::WriteProperty(PropertyBag &bag, const QString &key, const QVariant &value,
                               const QVariant &defaultValue) const
{
    const QString lowerKey = key.toLower();
    for (const auto &[keptKey, stored] : m_values) {
        if (keptKey == lowerKey) {
            bag.insert(lowerKey, stored);
            return;
        }
    }
    bag.WriteProperty(key, value, defaultValue);
}

void PropertyBag::reportUnreadKeys() const
{
    if (m_log->unreadReported)
        return;
    m_log->unreadReported = true;
    const QString owner = m_classId.isEmpty() ? QStringLiteral("this control") : m_classId;
    for (const QString &key : unreadKeys())
        reportFormProblem(messagePrefix(key) + QStringLiteral("not a property of %1, ignored").arg(owner));
}

void PropertyBag::setContext(const QString &fileName, const QString &controlName, const QString &classId)
{
    m_fileName = fileName;
    m_controlName = controlName;
    m_classId = classId;
}

QString PropertyBag::messagePrefix(const QString &key) const
{
    QString prefix;
    if (!m_fileName.isEmpty())
        prefix += m_fileName + QStringLiteral(": ");
    if (!m_controlName.isEmpty())
        prefix += QStringLiteral("control ") + m_controlName + QStringLiteral(": ");
    return prefix + QStringLiteral("key \"") + key.toLower() + QStringLiteral("\": ");
}

} // namespace platform
