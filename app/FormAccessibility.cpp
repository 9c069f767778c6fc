#include "FormAccessibility.h"

#include "FormLabel.h"
#include "platform/desktop/Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>

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
