#include "PropertyBag.h"

#include <algorithm>

namespace platform {

namespace {

int typeIdOf(const QVariant &value)
{
    return value.metaType().id();
}

bool contains(const std::vector<QString> &list, const QString &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
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
