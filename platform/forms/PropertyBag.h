#pragma once

#include <QFont>
#include <QImage>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

// An image with its size in HIMETRIC units (0.01 mm).
struct PictureData {
    enum Type { Empty = 0, Bitmap = 1, Icon = 3 };

    int type = Empty;
    QImage image;
    // The file it was loaded from, kept even when the file could not be read.
    QString source;
    int widthHimetric = 0;
    int heightHimetric = 0;
};

// A picture property's value. nullptr is "no picture"; a PictureData of type
// Empty is an empty picture object, which is something else. Two pictures are
// the same only when they are the same object.
using Picture = std::shared_ptr<const PictureData>;

// Loads an image file: ".ico" files become icons, everything else bitmaps.
// A relative path is looked up in the current directory, then in the
// resource folder. A file that cannot be decoded gives an empty picture
// object that remembers the path.
Picture LoadPicture(const QString &path);

// A new empty picture object.
Picture EmptyPicture();

// HIMETRIC size of a length in pixels at 96 dpi, rounded.
int pixelsToHimetric(int pixels);

struct FontSpec {
    QString name;
    double size = 0.0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    QFont toQFont() const;
};

bool operator==(const FontSpec &left, const FontSpec &right);
bool operator!=(const FontSpec &left, const FontSpec &right);

// Receives each problem found in stored form data as one line of text.
using FormMessageSink = std::function<void(const QString &message)>;

// Replaces where problems are reported (standard error by default) and
// returns the previous sink. An empty sink restores standard error.
FormMessageSink setFormMessageSink(FormMessageSink sink);

// Reports one problem: "tessaly: " followed by the text.
void reportFormProblem(const QString &text);

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

// Property values of each kind a bag holds, named after what they are: the
// width of an integer decides what a stored value may be read as.
inline QVariant int16Value(qint16 value) { return QVariant::fromValue<short>(value); }
inline QVariant int32Value(qint32 value) { return QVariant::fromValue<int>(value); }
inline QVariant colourValue(quint32 value) { return QVariant::fromValue<quint32>(value); }
inline QVariant booleanValue(bool value) { return QVariant::fromValue<bool>(value); }

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

Q_DECLARE_METATYPE(platform::Picture)
Q_DECLARE_METATYPE(platform::FontSpec)
