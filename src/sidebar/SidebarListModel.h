// One sidebar section (boards and dividers) as a list model for the section's view, kept in step
// with the layout controller. Board rows can be dragged and take board drops; divider rows are
// neither selectable nor draggable.
#pragma once

#include "sidebar/SidebarEntry.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QString>
#include <optional>

class SidebarLayoutController;

class SidebarListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        EntryIdRole = Qt::UserRole + 1, // QUuid
        IsDividerRole, // bool
        BoardNameRole, // QString; empty for dividers
        SyncWithServerRole, // bool; false for dividers
        DividerColorRole, // QString text value ("subtleGray", …); empty for boards
        DividerLabelRole, // QString ("Subtle Gray", …); empty for boards
    };

    SidebarListModel(SidebarLayoutController* controller, QString scope, QObject* parent = nullptr);

    QString scope() const { return m_scope; }
    // The entry of a row, for delegates that draw boards and dividers differently.
    std::optional<SidebarEntry> entryAt(int row) const;
    // The board shown in the main area: a screen reader reads its row as "Name, open".
    void setOpenBoardId(const QUuid& boardId);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;

private:
    void reload();
    // The board row a drop lands on: the row under the pointer, or the row at the gap it points to.
    std::optional<QUuid> dropTargetBoard(int row, const QModelIndex& parent) const;

    QPointer<SidebarLayoutController> m_controller;
    QString m_scope;
    QList<SidebarEntry> m_entries;
    QUuid m_openBoardId;
};
