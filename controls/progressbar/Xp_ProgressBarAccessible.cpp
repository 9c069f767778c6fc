#include "Xp_ProgressBarAccessible.h"

#include "Xp_ProgressBar.h"
#include "platform/desktop/Accessibility.h"

#include <QAccessibleWidget>

namespace {

class Xp_ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit Xp_ProgressBarAccessible(Xp_ProgressBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface *parent() const override { return platform::accessibleParentOf(*widget()); }
    QStringList actionNames() const override { return {}; } // it only shows progress

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return QString::number(bar()->Value());
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return bar()->Value(); }
    void setCurrentValue(const QVariant &) override {} // shows progress; nobody sets it from outside
    QVariant maximumValue() const override { return bar()->Max(); }
    QVariant minimumValue() const override { return bar()->Min(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    Xp_ProgressBar *bar() const { return static_cast<Xp_ProgressBar *>(widget()); }
};

} // namespace

void installXpProgressBarAccessibility()
{
    platform::installAccessibleFactory(
        platform::accessibleFactoryOf<Xp_ProgressBarAccessible, Xp_ProgressBar>);
}
