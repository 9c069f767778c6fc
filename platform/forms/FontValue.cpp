#include "FontValue.h"

#include "Units.h"

namespace platform {

QFont FontSpec::toQFont() const
{
    QFont font = pointFont(name, size, bold, italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikethrough);
    return font;
}

bool operator==(const FontSpec &left, const FontSpec &right)
{
    return left.name == right.name && left.size == right.size && left.bold == right.bold
        && left.italic == right.italic && left.underline == right.underline
        && left.strikethrough == right.strikethrough;
}

bool operator!=(const FontSpec &left, const FontSpec &right)
{
    return !(left == right);
}

} // namespace platform
