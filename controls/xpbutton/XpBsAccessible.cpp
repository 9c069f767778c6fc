#include "XpBsAccessible.h"

#include "XpBs.h"
#include "platform/desktop/Accessibility.h"

#include <QAccessibleWidget>

namespace {

QString captionWithoutMarks(const QString &caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i; // "&x" reads as x, "&&" as one "&"
        text += caption.at(i);
    }
    return text;
}

class XpBsAccessible : public QAccessibleWidget {
public:
    explicit XpBsAccessible(XpBs *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return captionWithoutMarks(button()->Caption());
        return QAccessibleWidget::text(kind);
    }

    QAccessibleInterface *parent() const override { return platform::accessibleParentOf(*widget()); }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &action) override
    {
        // Queued: what a click starts (a whole pass over the text) must not
        // keep the assistive technology waiting for the action's answer.
        if (action == pressAction())
            QMetaObject::invokeMethod(
                button(), [button = button()] { button->UserControl_AccessKeyPress(0); }, Qt::QueuedConnection);
    }

private:
    XpBs *button() const { return static_cast<XpBs *>(widget()); }
};

} // namespace

void installXpBsAccessibility()
{
    platform::installAccessibleFactory(platform::accessibleFactoryOf<XpBsAccessible, XpBs>);
}
