#pragma once

// Comparing stored property values by what they hold: pictures by their
// content, not by identity as the bag itself does; and a control's values
// through a write and a read.

#include "platform/forms/FormData.h"
#include "platform/forms/PropertyBag.h"

#include <QImage>
#include <QJsonValue>
#include <QVariant>

namespace fuzzing {

inline bool sameImage(const QImage &left, const QImage &right)
{
    if (left.isNull() || right.isNull())
        return left.isNull() == right.isNull();
    if (left.size() != right.size())
        return false;
    return left.convertToFormat(QImage::Format_ARGB32) == right.convertToFormat(QImage::Format_ARGB32);
}

inline bool samePicture(const platform::Picture &left, const platform::Picture &right)
{
    if (!left || !right)
        return !left && !right;
    if (left->type != right->type || left->widthHimetric != right->widthHimetric
        || left->heightHimetric != right->heightHimetric || !sameImage(left->image, right->image))
        return false;
    // A picture read from a file is saved as its path.
    if (left->source.isEmpty() != right->source.isEmpty())
        return false;
    if (left->source.isEmpty())
        return true;
    return platform::FormData::encodeValue(QVariant::fromValue(left))
        == platform::FormData::encodeValue(QVariant::fromValue(right));
}

inline bool sameValue(const QVariant &left, const QVariant &right)
{
    const int typeId = left.metaType().id();
    if (typeId != right.metaType().id())
        return false;
    if (typeId == qMetaTypeId<platform::Picture>())
        return samePicture(left.value<platform::Picture>(), right.value<platform::Picture>());
    if (typeId == qMetaTypeId<platform::FontSpec>())
        return left.value<platform::FontSpec>() == right.value<platform::FontSpec>();
    if (typeId == QMetaType::QJsonValue)
        return left.toJsonValue() == right.toJsonValue();
    return left == right;
}

// The same keys, in any order, with the same values.
inline bool sameBags(const platform::PropertyBag &left, const platform::PropertyBag &right)
{
    const QStringList keys = left.keys();
    if (keys.size() != right.keys().size())
        return false;
    for (const QString &key : keys) {
        if (!right.contains(key) || !sameValue(left.value(key), right.value(key)))
            return false;
    }
    return true;
}

// What one control writes, a fresh one reads and writes again unchanged.
template <typename Control>
bool rereadsAsWritten(const Control &written, Control &fresh)
{
    platform::PropertyBag once;
    written.UserControl_WriteProperties(once);
    fresh.UserControl_ReadProperties(once);
    platform::PropertyBag twice;
    fresh.UserControl_WriteProperties(twice);
    return sameBags(once, twice);
}

} // namespace fuzzing
