#include "StdFont.h"

#include "Units.h"

namespace platform {

StdFont::StdFont(QObject *parent)
    : QObject(parent)
{
}

namespace {

// Stores an attribute and says so, unless it is unchanged.
template <typename T>
bool changed(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void StdFont::setName(const QString &name)
{
    if (changed(m_name, name))
        emit FontChanged(QStringLiteral("Name"));
}

void StdFont::setSize(double points)
{
    if (changed(m_size, points))
        emit FontChanged(QStringLiteral("Size"));
}

void StdFont::setBold(bool bold)
{
    if (changed(m_bold, bold))
        emit FontChanged(QStringLiteral("Bold"));
}

void StdFont::setItalic(bool italic)
{
    if (changed(m_italic, italic))
        emit FontChanged(QStringLiteral("Italic"));
}

void StdFont::setUnderline(bool underline)
{
    if (changed(m_underline, underline))
        emit FontChanged(QStringLiteral("Underline"));
}

void StdFont::setStrikethrough(bool strikethrough)
{
    if (changed(m_strikethrough, strikethrough))
        emit FontChanged(QStringLiteral("Strikethrough"));
}

QFont StdFont::toQFont() const
{
    QFont font = pointFont(m_name, m_size, m_bold, m_italic);
    font.setUnderline(m_underline);
    font.setStrikeOut(m_strikethrough);
    return font;
}

} // namespace platform
