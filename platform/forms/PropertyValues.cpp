#include "PropertyValues.h"

#include "FontValue.h"
#include "Picture.h"

#include <limits>

namespace platform {

namespace {

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

// What an integer becomes for each type a key may have, read from a form
// or converted. Reading is the stricter: a stored Boolean reads as nothing
// else, and a number must fit the key's own range; converting takes
// Booleans (True is -1) and a 32-bit pattern either way round.
enum Rules { Reading, Converting };

struct IntegerTarget {
    int typeId;
    qint64 lowest[2]; // by Rules
    qint64 highest[2];
    QVariant (*make)(qint64 number);
};

constexpr qint64 kInt16Min = std::numeric_limits<qint16>::min();
constexpr qint64 kInt16Max = std::numeric_limits<qint16>::max();
constexpr qint64 kInt32Min = std::numeric_limits<qint32>::min();
constexpr qint64 kInt32Max = std::numeric_limits<qint32>::max();
constexpr qint64 kUInt32Max = std::numeric_limits<quint32>::max();
constexpr qint64 kAny = std::numeric_limits<qint64>::max();

const IntegerTarget kIntegerTargets[] = {
    {QMetaType::Short, {kInt16Min, kInt16Min}, {kInt16Max, kInt16Max},
     [](qint64 n) { return QVariant::fromValue(short(n)); }},
    {QMetaType::Int, {kInt32Min, kInt32Min}, {kInt32Max, kUInt32Max},
     [](qint64 n) { return QVariant::fromValue(int(quint32(n))); }},
    {QMetaType::UInt, {kInt32Min, kInt32Min}, {kUInt32Max, kUInt32Max},
     [](qint64 n) { return QVariant::fromValue(quint32(n)); }},
    {QMetaType::Bool, {kInt16Min, -kAny - 1}, {kInt16Max, kAny},
     [](qint64 n) { return QVariant::fromValue(n != 0); }},
};

QVariant fromInteger(const QVariant &value, int targetTypeId, Rules rules, bool *ok)
{
    *ok = true;
    if (typeIdOf(value) == targetTypeId)
        return value;
    const bool isBoolean = typeIdOf(value) == QMetaType::Bool;
    qint64 number = 0;
    if ((rules == Converting || !isBoolean) && integerOf(value, &number)) {
        for (const IntegerTarget &target : kIntegerTargets) {
            if (target.typeId == targetTypeId && number >= target.lowest[rules] && number <= target.highest[rules])
                return target.make(number);
        }
        // Converting alone gives a number its decimal text.
        if (rules == Converting && targetTypeId == QMetaType::QString && !isBoolean)
            return QVariant::fromValue(QString::number(number));
    }
    *ok = false;
    return QVariant();
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

QVariant readPropertyValue(const QVariant &stored, int targetTypeId, bool *ok)
{
    return fromInteger(stored, targetTypeId, Reading, ok);
}

QVariant convertPropertyValue(const QVariant &value, int targetTypeId, bool *ok)
{
    return fromInteger(value, targetTypeId, Converting, ok);
}

} // namespace platform
