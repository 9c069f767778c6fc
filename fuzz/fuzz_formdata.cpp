// Feeds arbitrary bytes to the form-data reader as a form's JSON text, then
// checks what the program does with what it read:
//  - every stored value read with a default of each value type comes back
//    in the default's type;
//  - saving the form and reading it back keeps every control and value;
//  - values written into a new bag, saved and read back are the ones written;
//  - each control's bag read into a button and a progress bar, written out,
//    read into a fresh control and written again gives the same bag.

#include "FuzzChecks.h"
#include "FuzzHost.h"

#include "controls/progressbar/Xp_ProgressBar.h"
#include "controls/xpbutton/XpBs.h"
#include "controls/xpbutton/XpBsProbe.h"
#include "platform/forms/FormData.h"
#include "platform/forms/PropertyBag.h"

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <vector>

using fuzzing::rereadsAsWritten;
using fuzzing::sameBags;
using fuzzing::sameValue;
using platform::FontSpec;
using platform::FormData;
using platform::Picture;
using platform::PropertyBag;

namespace {

const QString kFileName = QStringLiteral("fuzz.json");

std::vector<QVariant> defaultsOfEveryType()
{
    FontSpec font;
    font.name = QStringLiteral("Verdana");
    font.size = 8.25;
    return {
        QVariant::fromValue(short(1)),
        QVariant::fromValue(qint32(100)),
        QVariant::fromValue(quint32(0x8000000F)),
        QVariant::fromValue(true),
        QVariant::fromValue(QStringLiteral(".\\resources\\click.wav")),
        QVariant::fromValue(font),
        QVariant::fromValue(Picture()),
    };
}

bool isWholeNumberType(int typeId)
{
    return typeId == QMetaType::Short || typeId == QMetaType::Int || typeId == QMetaType::UInt;
}

// Reading a stored value with a default of each type.
void checkReads(PropertyBag &bag, const std::vector<QVariant> &defaults)
{
    for (const QString &key : bag.keys()) {
        const QVariant stored = bag.value(key);
        FUZZ_EXPECT(sameValue(bag.ReadProperty(key, QVariant()), stored));
        for (const QVariant &defaultValue : defaults) {
            const int typeId = defaultValue.metaType().id();
            const QVariant read = bag.ReadProperty(key, defaultValue);
            FUZZ_EXPECT(read.metaType().id() == typeId);
            if (stored.metaType().id() == typeId)
                FUZZ_EXPECT(sameValue(read, stored));
            // Between the integer widths a conversion that succeeds both
            // ways gives back the number it started from.
            const int storedType = stored.metaType().id();
            if (isWholeNumberType(storedType) && isWholeNumberType(typeId)) {
                bool there = false;
                bool back = false;
                const QVariant converted = platform::convertPropertyValue(stored, typeId, &there);
                if (there) {
                    const QVariant returned = platform::convertPropertyValue(converted, storedType, &back);
                    FUZZ_EXPECT(back && returned == stored);
                }
            }
        }
    }
}

// Saving what was read and reading it back changes nothing.
void checkSaveAndReload(const FormData &form)
{
    const QByteArray saved = form.toJson();
    const FormData reloaded = FormData::fromJson(saved, kFileName);
    FUZZ_EXPECT(reloaded.formName() == form.formName());
    FUZZ_EXPECT(reloaded.controlNames() == form.controlNames());
    for (const QString &name : form.controlNames()) {
        const PropertyBag before = form.bagFor(name, QString());
        const PropertyBag after = reloaded.bagFor(name, QString());
        FUZZ_EXPECT(before.classId() == after.classId());
        FUZZ_EXPECT(sameBags(before, after));
    }
    FUZZ_EXPECT(reloaded.toJson() == saved);
}

// A picture made in memory from a text, so that saving meets images of
// several sizes and formats however the input's own pictures decode.
Picture pictureFrom(const QString &text)
{
    auto picture = std::make_shared<platform::PictureData>();
    const int length = int(text.size());
    picture->type = length % 3 == 0 ? platform::PictureData::Empty
                                    : (length % 3 == 1 ? platform::PictureData::Bitmap : platform::PictureData::Icon);
    const int width = 1 + length % 5;
    const int height = 1 + (length / 5) % 4;
    const QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Indexed8};
    QImage image(width, height, formats[(length / 20) % 3]);
    if (image.format() == QImage::Format_Indexed8)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint code = length ? text.at((y * width + x) % length).unicode() : 0u;
            if (image.format() == QImage::Format_Indexed8)
                image.setPixel(x, y, code & 1u);
            else
                image.setPixel(x, y, 0xFF000000u | (code * 2654435761u));
        }
    }
    picture->image = image;
    picture->widthHimetric = length ? int(text.at(0).unicode()) * 37 - 1000 : 0;
    picture->heightHimetric = platform::pixelsToHimetric(height);
    return picture;
}

struct Written {
    QString key;
    QVariant value;
    QVariant defaultValue;
};

// The values of a bag, and their conversions to each integer width, written
// into a new bag with defaults of several types.
void checkWriteSaveRead(const PropertyBag &source, const std::vector<QVariant> &defaults)
{
    PropertyBag bag;
    std::vector<Written> written;
    const auto write = [&](const QString &key, const QVariant &value) {
        const QVariant &defaultValue = defaults[size_t(key.size()) % defaults.size()];
        const bool newKey = !bag.contains(key);
        bag.WriteProperty(key, value, defaultValue);
        if (!platform::isPropertyValueType(value.metaType().id())) {
            // Refused: nothing stored under a key that was free.
            if (newKey)
                FUZZ_EXPECT(!bag.contains(key));
            return;
        }
        written.push_back({key, value, defaultValue});
    };
    int index = 0;
    for (const QString &key : source.keys()) {
        const QVariant value = source.value(key);
        const QString base = QStringLiteral("k%1").arg(index++);
        write(base, value);
        for (int typeId : {int(QMetaType::Short), int(QMetaType::Int), int(QMetaType::UInt), int(QMetaType::Bool),
                           int(QMetaType::QString)}) {
            bool ok = false;
            const QVariant converted = platform::convertPropertyValue(value, typeId, &ok);
            if (ok)
                write(base + QStringLiteral("_") + QString::fromLatin1(QMetaType(typeId).name()), converted);
        }
        if (value.metaType().id() == QMetaType::QString)
            write(base + QStringLiteral("_picture"), QVariant::fromValue(pictureFrom(value.toString())));
        // The stored key itself, in the case it was given.
        write(key.toUpper(), value);
    }

    FormData form;
    form.setFormName(QStringLiteral("frmfuzz"));
    form.setBag(QStringLiteral("Written1"), QStringLiteral("fuzz.Class"), bag);
    const FormData reloaded = FormData::fromJson(form.toJson(), kFileName);
    PropertyBag read = reloaded.bagFor(QStringLiteral("written1"), QStringLiteral("FUZZ.class"));

    // Only the last write of each key counts.
    for (size_t i = 0; i < written.size(); ++i) {
        bool overwritten = false;
        for (size_t j = i + 1; j < written.size(); ++j)
            overwritten = overwritten || written[j].key.toLower() == written[i].key.toLower();
        if (overwritten)
            continue;
        const Written &entry = written[i];
        // Read back as the control that wrote it does: with a default of the
        // written value's type, the written default when it converts.
        bool ok = false;
        QVariant readDefault = platform::convertPropertyValue(entry.defaultValue, entry.value.metaType().id(), &ok);
        if (!ok)
            readDefault = entry.value;
        const QVariant value = read.ReadProperty(entry.key, readDefault);
        FUZZ_EXPECT(sameValue(value, entry.value));
    }
}

// A control reading a bag and writing it out gives a bag that the same
// control reads and writes out unchanged.
void checkControls(PropertyBag &bag, QWidget &form)
{
    fuzzing::FuzzHost doubles;
    {
        XpBs first(doubles.host, &form);
        XpBs second(doubles.host, &form);
        for (XpBs *button : {&first, &second}) {
            button->setObjectName(QStringLiteral("XpBs1"));
            button->resize(61, 23);
        }
        first.UserControl_ReadProperties(bag);
        FUZZ_EXPECT(rereadsAsWritten(first, second));
        FUZZ_EXPECT(XpBsProbe::image(first).size() == first.size());
    }
    {
        Xp_ProgressBar first(doubles.host, &form);
        Xp_ProgressBar second(doubles.host, &form);
        for (Xp_ProgressBar *bar : {&first, &second})
            bar->resize(97, 17);
        first.UserControl_ReadProperties(bag);
        first.UserControl_Resize();
        FUZZ_EXPECT(rereadsAsWritten(first, second));
        FUZZ_EXPECT(first.Min() == second.Min() && first.Max() == second.Max() && first.Value() == second.Value()
                    && first.Style() == second.Style() && first.ProgressLook() == second.ProgressLook());
        FUZZ_EXPECT(doubles.messageBoxes.shown.isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QWidget *form = new QWidget; // never shown
    static const std::vector<QVariant> defaults = defaultsOfEveryType();

    fuzzing::runPendingEvents();
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    FormData stored = FormData::fromJson(json, kFileName);

    checkSaveAndReload(stored);
    for (const QString &name : stored.controlNames()) {
        PropertyBag bag = stored.bagFor(name, QString());
        checkWriteSaveRead(bag, defaults);
        checkControls(bag, *form);
        checkReads(bag, defaults);
    }
    stored.reportUnreadKeys();
    return 0;
}
