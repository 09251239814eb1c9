#include "app/StatusTabAccessible.h"

#include <QToolButton>

StatusTabAccessible::StatusTabAccessible(QToolButton* tab)
    : QAccessibleWidget(tab, QAccessible::PageTab)
{
}

QToolButton* StatusTabAccessible::tab() const
{
    return static_cast<QToolButton*>(widget());
}

QString StatusTabAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    const int count = tab()->property(countProperty).toInt();
    const QString title = tab()->property(tabProperty).toString();
    return count == 1 ? QStringLiteral("%1, 1 item").arg(title) : QStringLiteral("%1, %2 items").arg(title).arg(count);
}

QAccessible::State StatusTabAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.selectable = true;
    state.selected = tab()->isChecked();
    return state;
}

QStringList StatusTabAccessible::actionNames() const
{
    return tab()->isEnabled() ? QStringList { pressAction() } : QStringList();
}

void StatusTabAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction() && tab()->isEnabled())
        tab()->click();
}
