#pragma once

#include <QFont>
#include <QMetaType>
#include <QString>

namespace platform {

// A stored font: what a form keeps of it.
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

} // namespace platform

Q_DECLARE_METATYPE(platform::FontSpec)
