#include "app/KeyboardShortcutsWindow.h"

#include "app/KeyboardShortcuts.h"

#include <QHeaderView>
#include <QShortcut>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

KeyboardShortcutsWindow::KeyboardShortcutsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("keyboardShortcutsWindow"));
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("shortcutList"));
    m_list->setAccessibleName(windowTitle());
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Action"), QStringLiteral("Keys")});
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(false);

    QTreeWidgetItem* group = nullptr;
    for (const KeyboardShortcuts::Entry& entry : KeyboardShortcuts::all()) {
        if (!group || group->text(0) != entry.group) {
            group = new QTreeWidgetItem(m_list, {entry.group});
            QFont bold = group->font(0);
            bold.setBold(true);
            group->setFont(0, bold);
            group->setFlags(Qt::ItemIsEnabled);
        }
        QStringList keys;
        for (const QKeySequence& key : entry.keys)
            keys << KeyboardShortcuts::keyText(key);
        new QTreeWidgetItem(group, {entry.title, keys.join(QStringLiteral(", "))});
    }
    m_list->expandAll();
    layout->addWidget(m_list);

    auto* close = new QShortcut(QKeySequence(QKeySequence::Cancel), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(460, 560);
}
