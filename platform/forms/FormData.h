#pragma once

#include "PropertyBag.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <vector>

namespace platform {

// The stored form data of one window: the property bag of each control it
// holds, kept as a readable JSON text:
//
//   { "form": "frmmain",
//     "controls": [ { "name": "XpBs2", "class": "vorlenta.XpBs",
//                     "properties": { "caption": "Randomize Case", ... } } ] }
//
// A file that cannot be read gives a form without controls, so that every
// control falls back to its defaults; the problem is reported once.
class FormData {
public:
    // path may name a Qt resource (":/forms/frmmain.json").
    static FormData load(const QString &path);
    static FormData fromJson(const QByteArray &json, const QString &fileNameForMessages);
    QByteArray toJson() const;

    QString formName() const { return m_formName; }
    void setFormName(const QString &name) { m_formName = name; }
    QString fileName() const { return m_fileName; }
    QStringList controlNames() const;

    // The stored bag of a control, its context set for messages. A control
    // that is not stored, or is stored as another class, gets an empty bag.
    PropertyBag bagFor(const QString &controlName, const QString &classId) const;
    void setBag(const QString &controlName, const QString &classId, const PropertyBag &bag);

    // After the window's controls have read their bags: one message for each
    // stored control that nobody asked for and each key that no control read.
    // Reports only once.
    void reportUnreadKeys() const;

    // How one property value is written in the file, and read back. Values
    // that cannot be decoded stay in the bag as the raw QJsonValue, so that
    // reading them reports the problem and saving keeps them.
    static QJsonValue encodeValue(const QVariant &value);
    static QVariant decodeValue(const QJsonValue &json);

private:
    struct Control {
        QString name;
        QString classId;
        PropertyBag bag;
    };

    int indexOf(const QString &controlName) const;

    QString m_formName;
    QString m_fileName;
    std::vector<Control> m_controls;
    // Lower-case names of the controls handed a bag so far, and of those
    // refused one because they are stored as another class (already reported).
    mutable std::vector<QString> m_requested;
    mutable std::vector<QString> m_refused;
    mutable bool m_unreadReported = false;
};

} // namespace platform
