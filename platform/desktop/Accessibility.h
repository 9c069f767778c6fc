#pragma once

#include <QAccessible>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <deque>

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

// Extents for assistive technology. Under X11 it takes them in the screen's
// device pixels, while the accessibility bridge hands rect() on in the
// program's scaled pixels: a widget's extent (or a rectangle in global
// coordinates) is converted about the screen's top-left corner, which
// scaling keeps in place, and a point coming back is converted back.
// Elsewhere, and at ratio 1, they are returned as they are.
QRect screenExtent(const QWidget &widget);
QRect toScreenPixels(const QWidget &widget, const QRect &global);
QPoint fromScreenPixels(const QWidget &widget, const QPoint &point);

// Scroll bars' accessible faces with extents from screenExtent (Qt's own
// hand on its scaled pixels); role, value and states as Qt gives them.
void installScrollBarAccessibility();

// Adds a factory of accessible interfaces, once however often it is asked.
void installAccessibleFactory(QAccessible::InterfaceFactory factory);

// The factory of one widget class's accessible interface: an Accessible
// made for each widget of the class Widget.
template <typename Accessible, typename Widget>
QAccessibleInterface *accessibleFactoryOf(const QString &className, QObject *object)
{
    if (object && object->isWidgetType() && className == QLatin1String(Widget::staticMetaObject.className()))
        return new Accessible(static_cast<Widget *>(object));
    return nullptr;
}

// Gives the widget and everything in it a new accessible identity: a window
// shown again with new content is then a new window to a screen reader,
// which would otherwise take it for the window that was active and not
// read it (when the key that brought it reaches the reader after the
// window changed).
void renewAccessibleIdentity(QWidget &widget);

// Tells a screen reader a short message from the widget (a status line,
// say), seen by nobody: a status line that changes is not spoken by itself.
// It comes from a notification object of its own (Announcer): shown, or with
// Qt 6.8 and later announced. Nothing happens while no assistive technology
// listens.
void announce(QWidget &widget, const QString &message);

// The messages announced for one widget, each a notification object of its
// own (not among the widget's accessible children); the last few are kept.
class Announcer : public QObject {
    Q_OBJECT

public:
    static Announcer &of(QWidget &widget);
    // Shows the message to a screen reader; returns its object.
    QObject *announce(const QString &message);

private:
    explicit Announcer(QWidget &widget);

    static constexpr std::size_t kKept = 8;
    QWidget &m_widget;
    std::deque<QObject *> m_recent;
};

} // namespace platform
