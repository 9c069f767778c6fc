#include "FormParts.h"

#include "FormLabel.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"

FormLabel *newLabel(QWidget *parent, const char *name, const QRect &box, const QFont &font, Qt::Alignment alignment,
                    const QString &caption, bool autoSize)
{
    auto *label = new FormLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(box);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignTop);
    if (!caption.isEmpty())
        label->setCaption(caption);
    label->setAutoSize(autoSize);
    return label;
}

void fillWith(QWidget &widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    if (text.isValid())
        palette.setColor(QPalette::WindowText, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QFont arial(double points, bool bold, bool italic)
{
    return platform::pointFont(QStringLiteral("Arial"), points, bold, italic);
}

QFont arialBlack(double points)
{
    return platform::pointFont(QStringLiteral("Arial Black"), points);
}

bool centreOnFirstShow(QWidget &window)
{
    static const char *const kCentred = "tessalyCentred";
    if (window.property(kCentred).toBool())
        return false;
    window.setProperty(kCentred, true);
    platform::centreOnScreen(window);
    return true;
}
