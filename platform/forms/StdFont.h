#pragma once

#include <QFont>
#include <QObject>
#include <QString>

namespace platform {

// A font object: face name, size in points and four styles. It tells its
// owner after each attribute that changes, naming the attribute.
class StdFont : public QObject {
    Q_OBJECT

public:
    explicit StdFont(QObject *parent = nullptr);

    QString Name() const { return m_name; }
    void setName(const QString &name);
    double Size() const { return m_size; }
    void setSize(double points);
    bool Bold() const { return m_bold; }
    void setBold(bool bold);
    bool Italic() const { return m_italic; }
    void setItalic(bool italic);
    bool Underline() const { return m_underline; }
    void setUnderline(bool underline);
    bool Strikethrough() const { return m_strikethrough; }
    void setStrikethrough(bool strikethrough);

    // The font to draw with, sized in pixels at 96 dpi.
    QFont toQFont() const;

signals:
    void FontChanged(const QString &propertyName);

private:
    QString m_name = QStringLiteral("MS Sans Serif");
    double m_size = 8.25;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
    bool m_strikethrough = false;
};

} // namespace platform
