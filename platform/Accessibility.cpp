#include "Accessibility.h"

#include <QAccessible>
#include <QWidget>

#include <algorithm>
#include <vector>

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

void installAccessibleFactory(QAccessible::InterfaceFactory factory)
{
    static std::vector<QAccessible::InterfaceFactory> installed;
    if (std::find(installed.begin(), installed.end(), factory) != installed.end())
        return;
    installed.push_back(factory);
    QAccessible::installFactory(factory);
}

} // namespace platform
