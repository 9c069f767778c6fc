#pragma once

#include "platform/forms/PropertyBag.h"

#include <QImage>
#include <QString>
#include <QVariant>

// Property values of each type a bag holds, as the tests write them.
namespace testing {

// The bag and the values' own types, by the short names the tests use.
using platform::EmptyPicture;
using platform::FontSpec;
using platform::LoadPicture;
using platform::Picture;
using platform::PictureData;
using platform::PropertyBag;

inline QVariant i16(short value) { return QVariant::fromValue(value); }
inline QVariant i32(int value) { return QVariant::fromValue(value); }
inline QVariant colour(quint32 value) { return QVariant::fromValue(value); }
inline QVariant boolean(bool value) { return QVariant::fromValue(value); }
inline QVariant text(const QString &value) { return QVariant::fromValue(value); }
inline QVariant font(const platform::FontSpec &value) { return QVariant::fromValue(value); }
inline QVariant picture(const platform::Picture &value) { return QVariant::fromValue(value); }

inline platform::FontSpec verdana()
{
    return platform::FontSpec{QStringLiteral("Verdana"), 8.25, false, false, false, false};
}

// A picture that went through a file is another object; it must carry the
// same image, kind, size and file.
inline bool samePictureContents(const platform::Picture &left, const platform::Picture &right)
{
    if (!left || !right)
        return !left && !right;
    return left->type == right->type && left->source == right->source && left->widthHimetric == right->widthHimetric
        && left->heightHimetric == right->heightHimetric
        && left->image.convertToFormat(QImage::Format_ARGB32) == right->image.convertToFormat(QImage::Format_ARGB32);
}

// Pictures are the same as the same object, as the bag keeps them, or
// alike by what they carry.
enum class Pictures { Identical, Alike };

// Same type and same value.
inline bool sameValue(const QVariant &left, const QVariant &right, Pictures pictures = Pictures::Identical)
{
    if (left.metaType() != right.metaType())
        return false;
    if (left.metaType() == QMetaType::fromType<platform::Picture>()) {
        const platform::Picture leftPicture = left.value<platform::Picture>();
        const platform::Picture rightPicture = right.value<platform::Picture>();
        return pictures == Pictures::Identical ? leftPicture == rightPicture
                                               : samePictureContents(leftPicture, rightPicture);
    }
    if (left.metaType() == QMetaType::fromType<platform::FontSpec>())
        return left.value<platform::FontSpec>() == right.value<platform::FontSpec>();
    return left == right;
}

// A value as a failure message shows it.
inline QString describe(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<platform::FontSpec>()) {
        const platform::FontSpec fontSpec = value.value<platform::FontSpec>();
        return QStringLiteral("font %1 %2").arg(fontSpec.name).arg(fontSpec.size);
    }
    if (value.metaType() == QMetaType::fromType<platform::Picture>()) {
        const platform::Picture shown = value.value<platform::Picture>();
        return shown ? QStringLiteral("picture type %1 from '%2'").arg(shown->type).arg(shown->source)
                     : QStringLiteral("no picture");
    }
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(value.metaType().name()), value.toString());
}

} // namespace testing
