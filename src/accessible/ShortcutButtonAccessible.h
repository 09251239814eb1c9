// A push button as a screen reader sees it, with the key that presses it as its keyboard shortcut.
// Stands in for Qt's own button interface on the buttons AccessibleShortcut marks.
#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

class ShortcutButtonAccessible : public QAccessibleWidget
{
public:
    // The dynamic property that holds the button's QKeySequence.
    static constexpr const char* keyProperty = "plenkoAccessibleShortcut";

    explicit ShortcutButtonAccessible(QAbstractButton* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QAbstractButton* button() const;
    QString keyText() const;
};
