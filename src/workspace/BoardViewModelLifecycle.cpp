// Board lifecycle and membership: create, join, describe, rename, archive, delete, members,
// ownership and invitations. Cloud changes go to the service first; local data changes only after
// it accepted them, so a failure leaves this computer as it was.
#include "workspace/BoardViewModel.h"

#include "domain/Log.h"
#include "domain/WireConversions.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"
#include "store/PendingBoardInfoStore.h"
#include "store/StoreContext.h"

#include <QPointer>

namespace {
QString quoted(const QString& prefix, const QString& name)
{
    return prefix + QLatin1Char('"') + name + QLatin1Char('"');
}

QJsonObject storageProperty(const Board& board)
{
    return { { QStringLiteral("storage"), storageOptionText(storageOf(board.syncWithServer)) } };
}
}

// Inserts a board record the store does not hold yet; a failed save is left for the next save.
void BoardViewModel::insertBoardRecord(const Board& board)
{
    m_context.insert(makeLocalBoard(board));
    (void)m_context.save();
}

QCoro::Task<void> BoardViewModel::createBoard(QString name, StorageOption storage)
{
    Board board;
    if (storage == StorageOption::cloud) {
        auto created = co_await m_boardRepo.createBoard(name);
        if (!created) {
            // No board exists yet that could have been revoked.
            showError(created.error().description());
            co_return;
        }
        board = boardFromRemote(*created);
    } else {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        board.id = QUuid::createUuid();
        board.name = name;
        board.createdAt = now;
        board.updatedAt = now;
        board.syncWithServer = false;
        board.createdBy = QStringLiteral("n/a");
        board.isActive = true;
    }

    insertBoardRecord(board);
    applyBoardUpdate(board); // appends the new board and recomputes the sections
    showSuccess(quoted(QStringLiteral("Created board "), board.name));
    track(UsageEvent::boardCreated, storageProperty(board));
}

QCoro::Task<ApiResult<void>> BoardViewModel::joinBoard(QString code)
{
    auto joined = co_await m_boardRepo.joinBoard(code);
    if (!joined)
        co_return std::unexpected(joined.error());

    const Board board = boardFromRemote(*joined);
    auto stored = m_context.countBoards(BoardQuery::withId(board.id));
    const bool existing = stored && *stored > 0;
    if (existing) {
        (void)LocalDataService::updateLocalBoard(board, m_context);
        showInfo(QStringLiteral("Board already exists locally. Selecting it instead."));
    } else {
        insertBoardRecord(board);
    }

    // Keep items the workspace already holds for a board that was here before.
    Board merged = board;
    if (const auto current = knownBoard(board.id)) {
        merged.items = current->items;
        merged.storedTally = current->storedTally;
        merged.firstPageCounts = current->firstPageCounts;
    }
    applyBoardUpdate(merged);
    ensureSelectionAfterLoad();
    track(UsageEvent::boardJoined,
        { { QStringLiteral("storage"), QStringLiteral("cloud") },
            { QStringLiteral("result"), existing ? QStringLiteral("existing_local") : QStringLiteral("joined") } });
    co_return ApiResult<void> {};
}

QCoro::Task<void> BoardViewModel::updateBoard(Board board)
{
    (void)LocalDataService::updateLocalBoard(board, m_context);
    if (auto current = knownBoard(board.id)) {
        current->info = board.info;
        replaceBoard(*current);
    }
    if (!board.syncWithServer)
        co_return;
    const QString info = board.info.value_or(QString());
    // Kept until the service has it: a failure is sent again by the next sync of the board, and a
    // refresh meanwhile does not put the old description back.
    if (auto kept = PendingBoardInfoStore::set(board.id, info, m_context); !kept)
        logLine(kept.error().message);
    co_await sendBoardInfo(board.id, info);
}

QCoro::Task<void> BoardViewModel::sendBoardInfo(QUuid boardId, QString info)
{
    QPointer<BoardViewModel> self(this);
    auto sent = co_await m_boardRepo.updateBoardInfo(boardId, info);
    if (!self)
        co_return;
    if (!sent) {
        handleRevokedBoard(sent.error(), boardId);
        co_return;
    }
    // A newer description written while this one was sent stays pending.
    if (PendingBoardInfoStore::get(boardId, m_context) == info)
        (void)PendingBoardInfoStore::remove(boardId, m_context);
}

QCoro::Task<void> BoardViewModel::renameBoard(Board board)
{
    const std::optional<QString> previousName
        = knownBoard(board.id).transform([](const Board& found) { return found.name; });
    (void)LocalDataService::updateLocalBoard(board, m_context);
    if (auto current = knownBoard(board.id)) {
        current->name = board.name;
        current->updatedAt = board.updatedAt;
        applyBoardUpdate(*current);
    }
    if (!board.syncWithServer)
        co_return;
    QPointer<BoardViewModel> self(this);
    auto sent = co_await m_boardRepo.renameBoard(board.id, board.name);
    if (!self || sent || handleRevokedBoard(sent.error(), board.id))
        co_return;
    // The service keeps the old name, and so does this computer now, while the toast says why: the
    // next refresh would otherwise put it back without a word.
    if (auto current = knownBoard(board.id); current && previousName && current->name == board.name) {
        current->name = *previousName;
        (void)LocalDataService::updateLocalBoard(*current, m_context);
        applyBoardUpdate(*current);
    }
    showError(sent.error().description());
}

QCoro::Task<void> BoardViewModel::setBoardArchived(Board board)
{
    board.isActive = false;
    board.updatedAt = QDateTime::currentDateTimeUtc();
    if (board.syncWithServer) {
        auto sent = co_await m_boardRepo.setBoardActive(board.id, false);
        if (!sent) {
            if (!handleRevokedBoard(sent.error(), board.id))
                showError(sent.error().description());
            co_return;
        }
    }

    (void)LocalDataService::updateLocalBoard(board, m_context);
    // The workspace copy keeps its items and members; only the archive state and time change.
    Board updated = knownBoard(board.id).value_or(board);
    updated.isActive = false;
    updated.updatedAt = board.updatedAt;
    applyBoardUpdate(updated);
    clearBoardHighlight(board.id);
    ensureSelectionAfterLoad();
    showSuccess(quoted(QStringLiteral("Archived board "), board.name));
    track(UsageEvent::boardArchived, storageProperty(board));
}

QCoro::Task<void> BoardViewModel::deleteBoard(Board board)
{
    if (board.syncWithServer) {
        auto sent = co_await m_boardRepo.deleteBoard(board.id);
        if (!sent) {
            if (!handleRevokedBoard(sent.error(), board.id))
                showError(sent.error().description());
            co_return;
        }
    }

    (void)LocalDataService::deleteLocalBoard(board.id, m_context);
    const auto removed = m_boards.removeIf([&](const Board& each) { return each.id == board.id; });
    if (removed > 0)
        Q_EMIT boardsChanged();
    clearBoardHighlight(board.id);
    recomputeBoardSections();
    ensureSelectionAfterLoad();
    showSuccess(quoted(QStringLiteral("Deleted board "), board.name));
    QJsonObject properties = storageProperty(board);
    properties.insert(QStringLiteral("state"), board.isActive ? QStringLiteral("active") : QStringLiteral("archived"));
    track(UsageEvent::boardDeleted, properties);
}

QCoro::Task<ApiResult<void>> BoardViewModel::removeMember(QUuid boardId, BoardUser user)
{
    auto sent = co_await m_boardRepo.removeMember(boardId, user.userId);
    if (!sent) {
        handleRevokedBoard(sent.error(), boardId);
        co_return std::unexpected(sent.error());
    }

    auto withoutMember = [&](Board board) {
        board.users.removeIf([&](const BoardUser& member) { return member.userId == user.userId; });
        return board;
    };
    if (m_selectedBoard.id == boardId)
        setSelectedBoard(withoutMember(m_selectedBoard));
    if (auto current = knownBoard(boardId)) {
        const Board updated = withoutMember(*current);
        const auto it = std::find(m_boards.begin(), m_boards.end(), updated);
        if (it != m_boards.end()) {
            *it = updated;
            Q_EMIT boardsChanged();
        }
    }
    storeSelectedBoardIntoBoards();
    recomputeBoardSections();
    co_return ApiResult<void> {};
}

QCoro::Task<ApiResult<void>> BoardViewModel::transferOwnership(Board board, BoardUser user)
{
    auto sent = co_await m_boardRepo.transferOwnership(board.id, user.userId);
    if (!sent) {
        handleRevokedBoard(sent.error(), board.id);
        co_return std::unexpected(sent.error());
    }
    // The roles live on the service: read them back so owner-only controls follow at once.
    const Board current = knownBoard(board.id).value_or(board);
    co_await refreshBoardDetails(current);
    co_return ApiResult<void> {};
}

QCoro::Task<ApiResult<QString>> BoardViewModel::createInvitation(Board board)
{
    auto invitation = co_await m_boardRepo.createInvitation(board.id);
    if (!invitation) {
        handleRevokedBoard(invitation.error(), board.id);
        co_return std::unexpected(invitation.error());
    }
    co_return invitation->code;
}
