#pragma once

#include "platform/PropertyBag.h"

#include <QVariant>

// Property values of each type a bag holds, as the tests write them.
namespace testing {

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

} // namespace testing
