// The observable sidebar layout: the entries of the local and the cloud section and the archived
// boards, rebuilt from the workspace's boards and changed by the divider and drop operations. The
// sidebar views read it and call its operations; every change is saved at once.
#pragma once

#include "domain/Board.h"
#include "sidebar/BoardTransfer.h"
#include "sidebar/SidebarBoardDrop.h"
#include "sidebar/SidebarDividerColor.h"
#include "sidebar/SidebarEntry.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <expected>

class LocalStore;

class SidebarLayoutController : public QObject
{
    Q_OBJECT

public:
    // The store must outlive the controller.
    explicit SidebarLayoutController(LocalStore& store, QObject* parent = nullptr);

    // The scopes of the two sections, local first.
    static QStringList scopes();

    // The workspace's boards, whenever they change: active ones are merged with each section's
    // stored layout, archived ones are listed apart.
    void setBoards(const QList<Board>& boards);

    // The entries of the section with the scope ("local" or "remote"); empty for any other scope.
    QList<SidebarEntry> entries(const QString& scope) const;
    QList<Board> archivedBoards(const QString& scope) const;

    // Row operations of a section; false when nothing changed (index out of range, wrong kind of row,
    // a divider that would touch another one, an unknown scope).
    bool insertDivider(const QString& scope, qsizetype index, bool below);
    bool recolorDivider(const QString& scope, qsizetype index, SidebarDividerColor color);
    bool removeEntry(const QString& scope, qsizetype index);

    // A board dropped on the row of the target board in the section.
    std::expected<void, BoardDropRefusal> moveBoard(
        const QString& scope, const QList<BoardTransfer>& payloads, const QUuid& targetBoardId);

Q_SIGNALS:
    void entriesChanged(const QString& scope);
    void archivedBoardsChanged();

private:
    void replaceEntries(const QString& scope, QList<SidebarEntry> entries);

    LocalStore& m_store;
    QHash<QString, QList<SidebarEntry>> m_entries;
    QHash<QString, QList<Board>> m_archived;
};
