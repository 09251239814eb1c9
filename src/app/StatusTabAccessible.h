// A status tab (Todo, In Progress, Done) as a screen reader meets it: a page tab named with its
// count in words ("In Progress, 2 items"), selected when it is the column shown. To Qt it is a
// checkable tool button, which a screen reader would call a check box.
#pragma once

#include <QAccessibleWidget>

class QToolButton;

class StatusTabAccessible : public QAccessibleWidget
{
public:
    // The dynamic properties a status tab carries: its title and its number of items.
    static constexpr const char* tabProperty = "plenkoStatusTabTitle";
    static constexpr const char* countProperty = "plenkoStatusTabCount";

    explicit StatusTabAccessible(QToolButton* tab);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QToolButton* tab() const;
};
