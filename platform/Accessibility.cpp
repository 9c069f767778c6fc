#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

const char *const kDecorative = "tessalyDecorative";

// The message of announce(): a child object of the widget, not a widget
// (nothing is drawn), whose interface is a notification that shows itself
// once for each message. It is not among the widget's accessible children,
// so the tree a screen reader walks stays as it is.
class Announcement : public QObject {
public:
    explicit Announcement(QWidget &widget)
        : QObject(&widget)
        , widget(widget)
    {
    }

    QWidget &widget;
    QString message;
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
    if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

void announce(QWidget &widget, const QString &message)
{
    if (!QAccessible::isActive())
        return;
    auto *announcement = widget.findChild<Announcement *>(QString(), Qt::FindDirectChildrenOnly);
    if (!announcement) {
        announcement = new Announcement(widget);
        QAccessible::registerAccessibleInterface(new AnnouncementAccessible(*announcement));
    }
    announcement->message = message;
    // Clients keep the names they have read; the new one is told first.
    QAccessibleEvent named(announcement, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent shown(announcement, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

} // namespace platform
