#include "sidebar/SidebarListModel.h"

#include "sidebar/BoardTransfer.h"
#include "sidebar/SidebarLayoutController.h"

#include <QMimeData>

SidebarListModel::SidebarListModel(SidebarLayoutController* controller, QString scope, QObject* parent)
    : QAbstractListModel(parent)
    , m_controller(controller)
    , m_scope(std::move(scope))
{
    if (m_controller) {
        m_entries = m_controller->entries(m_scope);
        connect(m_controller, &SidebarLayoutController::entriesChanged, this,
            [this](const QString& changedScope) {
                if (changedScope == m_scope)
                    reload();
            });
    }
}

void SidebarListModel::reload()
{
    beginResetModel();
    m_entries = m_controller ? m_controller->entries(m_scope) : QList<SidebarEntry>();
    endResetModel();
}

std::optional<SidebarEntry> SidebarListModel::entryAt(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return std::nullopt;
    return m_entries.at(row);
}

int SidebarListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant SidebarListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SidebarEntry& entry = m_entries.at(index.row());
    const Board* board = entry.board();
    const SidebarDivider* divider = entry.divider();
    switch (role) {
    case Qt::DisplayRole:
    case BoardNameRole:
        return board ? board->name : QString();
    case Qt::AccessibleTextRole:
        if (!board)
            return divider ? QStringLiteral("Divider") : QString();
        return board->id == m_openBoardId ? board->name + QStringLiteral(", open") : board->name;
    case EntryIdRole:
        return entry.id();
    case IsDividerRole:
        return entry.isDivider();
    case SyncWithServerRole:
        return board && board->syncWithServer;
    case DividerColorRole:
        return divider ? sidebarDividerColorText(divider->color) : QString();
    case DividerLabelRole:
        return divider ? sidebarDividerColorLabel(divider->color) : QString();
    default:
        return {};
    }
}

void SidebarListModel::setOpenBoardId(const QUuid& boardId)
{
    if (boardId == m_openBoardId)
        return;
    const QUuid previous = std::exchange(m_openBoardId, boardId);
    for (int row = 0; row < m_entries.size(); ++row) {
        const QUuid id = m_entries.at(row).id();
        if (id == previous || id == boardId)
            Q_EMIT dataChanged(index(row), index(row), {Qt::AccessibleTextRole});
    }
}

QHash<int, QByteArray> SidebarListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(EntryIdRole, "entryId");
    names.insert(IsDividerRole, "isDivider");
    names.insert(BoardNameRole, "boardName");
    names.insert(SyncWithServerRole, "syncWithServer");
    names.insert(DividerColorRole, "dividerColor");
    names.insert(DividerLabelRole, "dividerLabel");
    return names;
}

Qt::ItemFlags SidebarListModel::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    if (m_entries.at(index.row()).isDivider())
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled
        | Qt::ItemNeverHasChildren;
}

QStringList SidebarListModel::mimeTypes() const
{
    return {BoardTransfer::mimeType()};
}

QMimeData* SidebarListModel::mimeData(const QModelIndexList& indexes) const
{
    for (const QModelIndex& index : indexes) {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            continue;
        if (const Board* board = m_entries.at(index.row()).board())
            return BoardTransfer {board->id}.toMimeData();
    }
    return nullptr;
}

Qt::DropActions SidebarListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions SidebarListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

std::optional<QUuid> SidebarListModel::dropTargetBoard(int row, const QModelIndex& parent) const
{
    const int targetRow = parent.isValid() ? parent.row() : row;
    const std::optional<SidebarEntry> entry = entryAt(targetRow);
    if (!entry || !entry->isBoard())
        return std::nullopt;
    return entry->id();
}

bool SidebarListModel::canDropMimeData(
    const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) const
{
    Q_UNUSED(column)
    if (action != Qt::MoveAction || !m_controller || !dropTargetBoard(row, parent))
        return false;
    const QList<BoardTransfer> payloads = droppedBoards(data);
    // A board of the other section is refused while it hovers, not only when it is let go.
    return !payloads.isEmpty() && indexOfSidebarEntry(m_entries, payloads.first().id, true) >= 0;
}

bool SidebarListModel::dropMimeData(
    const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    return m_controller->moveBoard(m_scope, droppedBoards(data), *dropTargetBoard(row, parent)).has_value();
}
