#pragma once

#include <QAccessible>
#include <QList>

class QAccessibleInterface;
class QWidget;

namespace platform {

// Decoration (a panel that only gives its children a background, a rule, a
// moving segment) stays out of what assistive technology sees: its
// children are listed in its place, as children of the nearest ancestor
// that is not decoration.
void setDecorative(QWidget &widget);
bool isDecorative(const QWidget &widget);

// The interface assistive technology sees as the widget's parent.
QAccessibleInterface *accessibleParentOf(const QWidget &widget);

// The widgets assistive technology sees as the children of a widget, in
// the order they were made.
QList<QWidget *> accessibleChildrenOf(const QWidget &widget);

// Adds a factory of accessible interfaces, once however often it is asked.
void installAccessibleFactory(QAccessible::InterfaceFactory factory);

} // namespace platform
