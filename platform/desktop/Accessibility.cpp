#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

namespace {

const char *const kDecorative = "tessalyDecorative";

// One message of announce(): an object that is not a widget (nothing is
// drawn), whose interface is a notification shown once. It is not among
// the widget's accessible children, so the tree a screen reader walks
// stays as it is.
class Announcement : public QObject {
public:
    Announcement(QWidget &widget, QObject &owner, const QString &message)
        : QObject(&owner)
        , widget(widget)
        , message(message)
    {
    }

    QWidget &widget;
    const QString message;
};

class AnnouncementAccessible : public QAccessibleObject {
public:
    explicit AnnouncementAccessible(Announcement &announcement)
        : QAccessibleObject(&announcement)
        , m_announcement(announcement)
    {
    }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(&m_announcement.widget);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? m_announcement.message : QString();
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !m_announcement.widget.isVisible();
        return state;
    }

private:
    Announcement &m_announcement;
};

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

namespace {

// The screen's ratio where extents are taken in device pixels, else 1.
qreal extentRatio(const QWidget &widget, QPoint *origin)
{
    const QScreen *screen = widget.screen();
    if (!screen || QGuiApplication::platformName() != QLatin1String("xcb"))
        return 1;
    *origin = screen->geometry().topLeft();
    return screen->devicePixelRatio();
}

} // namespace

QRect toScreenPixels(const QWidget &widget, const QRect &global)
{
    QPoint origin;
    const qreal ratio = extentRatio(widget, &origin);
    if (ratio == 1 || global.isNull())
        return global;
    // Edges land where the drawing's do: round(x * ratio).
    const auto at = [ratio](int value, int from) { return from + int(std::floor((value - from) * ratio + 0.5)); };
    const int left = at(global.x(), origin.x());
    const int top = at(global.y(), origin.y());
    return QRect(left, top, at(global.x() + global.width(), origin.x()) - left,
                 at(global.y() + global.height(), origin.y()) - top);
}

QPoint fromScreenPixels(const QWidget &widget, const QPoint &point)
{
    QPoint origin;
    const qreal ratio = extentRatio(widget, &origin);
    if (ratio == 1)
        return point;
    return origin + QPoint(int(std::floor((point.x() - origin.x()) / ratio)),
                           int(std::floor((point.y() - origin.y()) / ratio)));
}

QRect screenExtent(const QWidget &widget)
{
    if (!widget.isVisible())
        return QRect();
    return toScreenPixels(widget, QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()));
}

namespace {

class ScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ScrollBarAccessible(QScrollBar *bar)
        : QAccessibleWidget(bar, QAccessible::ScrollBar)
    {
    }

    QRect rect() const override { return screenExtent(*widget()); }
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return QString::number(bar().value());
        return QAccessibleWidget::text(kind);
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return bar().value(); }
    void setCurrentValue(const QVariant &value) override { bar().setValue(value.toInt()); }
    QVariant maximumValue() const override { return bar().maximum(); }
    QVariant minimumValue() const override { return bar().minimum(); }
    QVariant minimumStepSize() const override { return bar().singleStep(); }

private:
    QScrollBar &bar() const { return *static_cast<QScrollBar *>(widget()); }
};

} // namespace

void installScrollBarAccessibility()
{
    installAccessibleFactory(accessibleFactoryOf<ScrollBarAccessible, QScrollBar>);
}

void installAccessibleFactory(QAccessible::InterfaceFactory factory)
{
    static std::vector<QAccessible::InterfaceFactory> installed;
    if (std::find(installed.begin(), installed.end(), factory) != installed.end())
        return;
    installed.push_back(factory);
    QAccessible::installFactory(factory);
}

void renewAccessibleIdentity(QWidget &widget)
{
    if (!QAccessible::isActive())
        return;
    // Everything in the window too: a child that kept its identity would
    // stand, to a screen reader, under a parent that is gone.
    QList<QWidget *> widgets = widget.findChildren<QWidget *>();
    widgets.prepend(&widget);
    for (QWidget *each : widgets) {
        if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(each))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    }
}

Announcer::Announcer(QWidget &widget)
    : QObject(&widget)
    , m_widget(widget)
{
}

Announcer &Announcer::of(QWidget &widget)
{
    if (auto *announcer = widget.findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly))
        return *announcer;
    return *new Announcer(widget);
}

QObject *Announcer::announce(const QString &message)
{
    // Every message is an object of its own: a screen reader that falls
    // behind takes a second event of one object for a repeat of the first
    // and drops it, and reads a name when it comes to it, not as it was
    // shown; a notification's events are never dropped as a flood. The
    // last few stay for a reader that is behind.
    auto *announcement = new Announcement(m_widget, *this, message);
    QAccessible::registerAccessibleInterface(new AnnouncementAccessible(*announcement));
    m_recent.push_back(announcement);
    if (m_recent.size() > kKept) {
        delete m_recent.front();
        m_recent.pop_front();
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 has announcements, which a reader says as they are, without
    // the notification's role before them.
    QAccessibleAnnouncementEvent told(announcement, message);
    QAccessible::updateAccessibility(&told);
#else
    QAccessibleEvent shown(announcement, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
#endif
    return announcement;
}

void announce(QWidget &widget, const QString &message)
{
    if (QAccessible::isActive())
        Announcer::of(widget).announce(message);
}

} // namespace platform
