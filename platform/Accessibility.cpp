#include "Accessibility.h"

#include <QAccessible>
#include <QWidget>

namespace platform {

namespace {

const char *const kDecorative = "tessalyDecorative";

} // namespace

void setDecorative(QWidget &widget)
{
    widget.setProperty(kDecorative, true);
}

bool isDecorative(const QWidget &widget)
{
    return widget.property(kDecorative).toBool();
}

QAccessibleInterface *accessibleParentOf(const QWidget &widget)
{
    QWidget *parent = widget.parentWidget();
    while (parent && !parent->isWindow() && isDecorative(*parent))
        parent = parent->parentWidget();
    return parent ? QAccessible::queryAccessibleInterface(parent) : nullptr;
}

QList<QWidget *> accessibleChildrenOf(const QWidget &widget)
{
    QList<QWidget *> result;
    for (QObject *object : widget.children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isWindow())
            continue;
        if (isDecorative(*child))
            result += accessibleChildrenOf(*child);
        else
            result.append(child);
    }
    return result;
}

} // namespace platform
