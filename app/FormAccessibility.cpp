#include "FormAccessibility.h"

#include "FormLabel.h"
#include "platform/desktop/Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QListWidget>
#include <QPointer>

#include <map>

namespace {

const char *const kStatusLine = "tessalyStatusLine";


// A window: its own role and name, and its children listed without the
// panels and rules that only decorate it.
class FormAccessible : public QAccessibleWidget {
public:
    FormAccessible(QWidget *window, QAccessible::Role role)
        : QAccessibleWidget(window, role)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (const auto *window = dynamic_cast<const SpokenWindow *>(widget())) {
            if (kind == QAccessible::Name)
                return window->spokenName();
            if (kind == QAccessible::Description)
                return window->spokenDescription();
        }
        return QAccessibleWidget::text(kind);
    }

    int childCount() const override { return int(children().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> list = children();
        if (index < 0 || index >= list.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(list.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(children().indexOf(static_cast<QWidget *>(child->object())));
    }

private:
    QList<QWidget *> children() const { return platform::accessibleChildrenOf(*widget()); }
};

// A label of a window: text, a link with a press action, or an image.
class FormLabelAccessible : public QAccessibleWidget {
public:
    explicit FormLabelAccessible(FormLabel *label)
        : QAccessibleWidget(label)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    QAccessible::Role role() const override { return roleOf(*label()); }

    QAccessibleInterface *parent() const override { return platform::accessibleParentOf(*widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name) {
            if (!label()->accessibleName().isEmpty())
                return label()->accessibleName();
            return spokenText(label()->Caption());
        }
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        return label()->isLink() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (label()->isLink() && action == pressAction())
            label()->activate();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    static QAccessible::Role roleOf(const FormLabel &label)
    {
        if (label.isLink())
            return QAccessible::Link;
        if (!label.pixmap().isNull())
            return QAccessible::Graphic;
        return QAccessible::StaticText;
    }
    FormLabel *label() const { return static_cast<FormLabel *>(widget()); }
};

// The status line: a status bar whose name is what it says.
class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(QLabel *label)
        : QAccessibleWidget(label, QAccessible::StatusBar)
    {
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

// A list of a window and its lines. Qt's own list hands assistive
// technology its extents in the program's scaled pixels; this one in the
// screen's (platform::screenExtent).
class FormListItemAccessible : public QAccessibleInterface {
public:
    FormListItemAccessible(QListWidget *list, int row)
        : m_list(list)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_list && m_row < m_list->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_list); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid())
            return QString();
        return m_list->item(m_row)->text();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid() || !m_list->isVisible())
            return QRect();
        const QRect place = m_list->visualItemRect(m_list->item(m_row));
        const QWidget &viewport = *m_list->viewport();
        return platform::toScreenPixels(viewport, QRect(viewport.mapToGlobal(place.topLeft()), place.size()));
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QListWidgetItem *item = m_list->item(m_row);
        state.selectable = m_list->selectionMode() != QAbstractItemView::NoSelection;
        state.selected = item->isSelected();
        state.focusable = true;
        state.focused = m_list->hasFocus() && m_list->currentRow() == m_row;
        state.invisible = !m_list->isVisible();
        return state;
    }

    int row() const { return m_row; }

private:
    QPointer<QListWidget> m_list;
    int m_row;
};

class FormListAccessible : public QAccessibleWidget {
public:
    explicit FormListAccessible(QListWidget *list)
        : QAccessibleWidget(list, QAccessible::List)
    {
    }
    ~FormListAccessible() override
    {
        for (const auto &entry : m_items)
            QAccessible::deleteAccessibleInterface(entry.second);
    }

    QRect rect() const override { return platform::screenExtent(*widget()); }
    QAccessibleInterface *parent() const override { return platform::accessibleParentOf(*widget()); }

    int childCount() const override { return list()->count(); }

    // A row's interface stays the same one while the list lives: a reader
    // holds on to it (and the list's focus events name rows).
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= list()->count())
            return nullptr;
        const auto found = m_items.find(index);
        if (found != m_items.end())
            return QAccessible::accessibleInterface(found->second);
        auto *item = new FormListItemAccessible(list(), index);
        m_items.emplace(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *item = dynamic_cast<const FormListItemAccessible *>(child);
        return item && item->parent() == this ? item->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int row = 0; row < childCount(); ++row) {
            if (QAccessibleInterface *item = child(row); item && item->rect().contains(x, y))
                return item;
        }
        return nullptr;
    }

private:
    QListWidget *list() const { return static_cast<QListWidget *>(widget()); }
    mutable std::map<int, QAccessible::Id> m_items;
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String("frmSplash") || className == QLatin1String("frmmain"))
        return new FormAccessible(widget, QAccessible::Window);
    if (className == QLatin1String("frmmsg"))
        return new FormAccessible(widget, QAccessible::AlertMessage);
    if (className == QLatin1String("frmabt"))
        return new FormAccessible(widget, QAccessible::Dialog);
    if (className == QLatin1String("FormLabel"))
        return new FormLabelAccessible(static_cast<FormLabel *>(widget));
    if (className == QLatin1String("QListWidget"))
        return new FormListAccessible(static_cast<QListWidget *>(widget));
    if (className == QLatin1String("QLabel") && widget->property(kStatusLine).toBool())
        return new StatusLineAccessible(static_cast<QLabel *>(widget));
    return nullptr;
}

} // namespace

QString spokenText(const QString &caption)
{
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void installFormAccessibility()
{
    platform::installAccessibleFactory(factory);
}

void markAsStatusLine(QWidget &label)
{
    label.setProperty(kStatusLine, true);
    // Its interface names it by its text. A name of its own keeps the label
    // from raising a name change with each new text (a hundred during a
    // pass, enough to flood a screen reader's queue, which speaks none of
    // them); what matters is announced (platform::announce).
    label.setAccessibleName(QStringLiteral("status line"));
}
