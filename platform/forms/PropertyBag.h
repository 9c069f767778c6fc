#pragma once

#include "FontValue.h"
#include "FormMessages.h"
#include "Picture.h"
#include "PropertyValues.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

namespace platform {

// The stored settings of one control inside the form that holds it.
//
// Values are QVariants holding short (16-bit), int (32-bit), quint32
// (colours), bool, QString, FontSpec or Picture. Keys are compared without
// regard to case and kept in lower case, in the order first written.
//
// Copies of a bag share the record of which keys have been read, so the form
// that handed out a bag can tell afterwards which stored keys nobody asked for.
class PropertyBag {
public:
    PropertyBag();

    // The stored value read as the default's type (readPropertyValue), or
    // the default when the key is missing or its value does not read
    // (reported once, and listed by unreadableKeys).
    QVariant ReadProperty(const QString &key, const QVariant &defaultValue);

    // Stores the value, unless it equals the default converted to the
    // value's type; then any earlier value is removed. A value of a type the
    // bag does not hold is reported and not stored.
    void WriteProperty(const QString &key, const QVariant &value, const QVariant &defaultValue);

    QStringList keys() const;
    bool contains(const QString &key) const;
    bool isEmpty() const;
    // The value as stored, without conversion; invalid when missing.
    QVariant value(const QString &key) const;

    // Stores a value as given, without the default rule (the form loader).
    void insert(const QString &key, const QVariant &value);
    void remove(const QString &key);

    QStringList unreadKeys() const;
    // The keys whose stored value a ReadProperty could not use.
    QStringList unreadableKeys() const;
    // One message for each key that no ReadProperty has asked for, once.
    void reportUnreadKeys() const;

    // Where the bag came from, for messages about its contents.
    void setContext(const QString &fileName, const QString &controlName, const QString &classId = QString());
    QString fileName() const { return m_fileName; }
    QString controlName() const { return m_controlName; }
    QString classId() const { return m_classId; }

    // The text before a message about one of this bag's keys.
    QString messagePrefix(const QString &key) const;

private:
    struct ReadLog {
        std::vector<QString> read;
        std::vector<QString> unreadable;
        bool unreadReported = false;
    };

    int indexOf(const QString &lowerKey) const;

    std::vector<std::pair<QString, QVariant>> m_entries;
    std::shared_ptr<ReadLog> m_log;
    QString m_fileName;
    QString m_controlName;
    QString m_classId;
};

// The stored values a control could not read and runs on the defaults of.
// Saving writes each back as it was stored unless its property has been set
// since, so that loading and saving never changes what was stored.
class KeptValues {
public:
    // After reading: every key of the bag whose value did not read, and
    // nothing an earlier read kept.
    void keep(const PropertyBag &bag);
    // The property has been set: its own value is saved from now on.
    void forget(const QString &key);
    // WriteProperty, or the kept value as it was stored.
    void WriteProperty(PropertyBag &bag, const QString &key, const QVariant &value,
                       const QVariant &defaultValue) const;

private:
    std::vector<std::pair<QString, QVariant>> m_values; // lower-case key, stored value
};

} // namespace platform

