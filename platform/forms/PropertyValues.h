#pragma once

#include <QVariant>

namespace platform {

// Property values of each kind a bag holds, named after what they are: the
// width of an integer decides what a stored value may be read as.
inline QVariant int16Value(qint16 value) { return QVariant::fromValue<short>(value); }
inline QVariant int32Value(qint32 value) { return QVariant::fromValue<int>(value); }
inline QVariant colourValue(quint32 value) { return QVariant::fromValue<quint32>(value); }
inline QVariant booleanValue(bool value) { return QVariant::fromValue<bool>(value); }

// What a stored value reads as for a key of the given metatype: an integer
// of the key's width (16 or 32 bits signed; a colour takes any 32-bit
// pattern, signed or not), a Boolean from a Boolean or a 16-bit integer
// (non-zero is True), anything else only from its own type. A Boolean for
// an integer, text for a number, a fraction or null does not read: *ok is
// set to false.
QVariant readPropertyValue(const QVariant &stored, int targetTypeId, bool *ok);

// Converts a property value to the type with the given metatype id by the
// bag's rules: integers between widths when they fit (a colour and a 32-bit
// integer share the bit pattern), any integer to a Boolean (non-zero is True)
// and a Boolean to an integer (True is -1), an integer to its decimal text.
// Sets *ok to false when the value cannot be converted.
QVariant convertPropertyValue(const QVariant &value, int targetTypeId, bool *ok);

// Whether a bag stores values of this metatype.
bool isPropertyValueType(int typeId);

} // namespace platform
