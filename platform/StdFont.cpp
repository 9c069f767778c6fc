#include "StdFont.h"

#include "Units.h"

namespace platform {

StdFont::StdFont(QObject *parent)
    : QObject(parent)
{
}

void StdFont::setName(const QString &name)
{
    if (m_name == name)
        return;
    m_name = name;
    emit FontChanged(QStringLiteral("Name"));
}

void StdFont::setSize(double points)
{
    if (m_size == points)
        return;
    m_size = points;
    emit FontChanged(QStringLiteral("Size"));
}

void StdFont::setBold(bool bold)
{
    if (m_bold == bold)
        return;
    m_bold = bold;
    emit FontChanged(QStringLiteral("Bold"));
}

void StdFont::setItalic(bool italic)
{
    if (m_italic == italic)
        return;
    m_italic = italic;
    emit FontChanged(QStringLiteral("Italic"));
}

void StdFont::setUnderline(bool underline)
{
    if (m_underline == underline)
        return;
    m_underline = underline;
    emit FontChanged(QStringLiteral("Underline"));
}

void StdFont::setStrikethrough(bool strikethrough)
{
    if (m_strikethrough == strikethrough)
        return;
    m_strikethrough = strikethrough;
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
