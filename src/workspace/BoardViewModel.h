// The board workspace: every board the application knows with its items, the selected board, the
// sidebar's derived lists, and every board and item operation, local and cloud (checkpoint sync,
// revoked boards, highlights). One instance, on the UI thread; views read its state and call its
// operations. The implementation is split by concern:
//   BoardViewModel.cpp            state, setters, toasts and usage-event helpers
//   BoardViewModelLoading.cpp     loading, selection, sections, quick capture
//   BoardViewModelHighlights.cpp  revision highlights
//   BoardViewModelSync.cpp        checkpoint sync, board list refresh, revoked boards, sign-out
//   BoardViewModelItems.cpp       item operations
//   BoardViewModelLifecycle.cpp   create, join, rename, archive, delete, members, invitations
//   BoardViewModelConflicts.cpp   conflict copies (restore, discard) and unsent changes at sign-out
//
// Every coroutine re-reads the board and the item after each co_await and writes only its own
// change onto what it finds then: it never writes back a copy taken before a suspension, and never
// keeps an index or a pointer into m_boards across one, so an item changed, moved or deleted
// meanwhile keeps that change. The store context is the application's one context, held for the
// workspace's lifetime.
#pragma once

#include "analytics/UsageEvent.h"
#include "domain/Board.h"
#include "domain/StorageOption.h"
#include "net/BoardRepository.h"
#include "store/StoreError.h"
#include "workspace/BoardRefreshState.h"
#include "workspace/ConflictCopies.h"
#include "workspace/RevisionHighlightController.h"
#include "workspace/ToastManager.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <expected>
#include <memory>
#include <optional>

class LocalItem;
class LocalStore;
class NetworkService;
class QTimer;
class StoreContext;
class SyncedBoardItems;
class UsageAnalytics;

class BoardViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool shouldHighlightRefresh READ shouldHighlightRefresh NOTIFY shouldHighlightRefreshChanged)
    Q_PROPERTY(bool isArchivedSectionCollapsed READ isArchivedSectionCollapsed WRITE setArchivedSectionCollapsed
            NOTIFY archivedSectionCollapsedChanged)
    Q_PROPERTY(QString searchQuery READ searchQuery WRITE setSearchQuery NOTIFY searchQueryChanged)

public:
    struct Services
    {
        StoreContext& context;
        NetworkService& api;
        LocalStore& localStore;
        ToastManager& toasts;
        UsageAnalytics& analytics;
    };

    explicit BoardViewModel(Services services, QObject* parent = nullptr);
    ~BoardViewModel() override;

    // ---- observable state ----
    const QList<Board>& boards() const { return m_boards; }
    const Board& selectedBoard() const { return m_selectedBoard; }
    const QSet<QUuid>& highlightedBoards() const { return m_highlightedBoards; }
    std::optional<QUuid> recentlyUpdatedItemId() const { return m_recentlyUpdatedItemId; }
    bool shouldHighlightRefresh() const { return m_shouldHighlightRefresh; }
    const QSet<QUuid>& syncingBoards() const { return m_syncingBoards; }
    const QHash<QUuid, BoardRefreshState>& boardRefreshStates() const { return m_boardRefreshStates; }
    const QList<Board>& displayedBoards() const { return m_displayedBoards; }
    const QList<Board>& archivedBoards() const { return m_archivedBoards; }
    bool isArchivedSectionCollapsed() const { return m_isArchivedSectionCollapsed; }
    QString searchQuery() const { return m_searchQuery; }
    std::optional<QUuid> quickCaptureBoardId() const { return m_quickCaptureBoardId; }
    // The user's versions that the service replaced or refused.
    ConflictCopies& conflictCopies() { return m_conflictCopies; }
    const ConflictCopies& conflictCopies() const { return m_conflictCopies; }

    void setArchivedSectionCollapsed(bool collapsed);
    void setSearchQuery(const QString& query);

    // ---- loading, selection, sections, quick capture ----
    // Fills the workspace from the local store; signed out, cloud boards are left out. Only the
    // selected board's items are read; the others carry their tallies until they are needed.
    void loadBoards(bool signedIn);
    // Re-reads the board's items and shows it; a cloud board then refreshes its details.
    QCoro::Task<void> selectBoard(QUuid boardId);
    void applyBoardUpdate(Board board, std::optional<qint64> revision = std::nullopt);
    void recomputeBoardSections();
    void storeSelectedBoardIntoBoards();
    void ensureSelectionAfterLoad();
    // The board with all its items, read from the store first when they were not loaded yet (or only
    // its first page was). Views that need only the board's own fields ask knownBoard.
    std::optional<Board> findBoard(const QUuid& boardId);
    // The board as the workspace holds it; its items may still be in the store only (storedTally).
    std::optional<Board> knownBoard(const QUuid& boardId) const;
    // The service's checkpoint this store holds every change up to, for a cloud board synced before.
    std::optional<qint64> heldCheckpoint(const QUuid& boardId) const;
    std::optional<Board> reloadBoardItems(const QUuid& boardId);
    void validateQuickCaptureBoard();
    void setQuickCaptureBoard(const std::optional<Board>& board);
    bool isQuickCaptureBoard(const QUuid& boardId) const;
    std::optional<Board> quickCaptureBoard() const;

    // ---- revision highlights ----
    void updateShouldHighlightRefresh();
    void clearBoardHighlight(const QUuid& boardId);
    void setBoardHighlight(const QUuid& boardId);
    void evaluateSelectedBoardRevision(std::optional<qint64> revision);

    // ---- cloud sync ----
    // One sync per board: a quiet sync (no toast) asked for while one runs is turned away (false);
    // a sync the user asked for (showToast, or queueBehindRunning) waits for it and runs after.
    QCoro::Task<bool> syncBoard(Board board, bool showToast, bool queueBehindRunning = false);
    // The most of a sync answer's items one transaction writes (fewer when writing them takes long);
    // the event loop runs between two.
    void setSyncChunkItems(qsizetype items) { m_syncChunkItems = std::max<qsizetype>(items, 1); }
    // A board selected with at least `boardItems` items shows the first `perColumn` live and archived
    // items of each column at once and takes the rest from a worker thread (hasFirstPageOnly() until
    // then).
    void setFirstPage(qsizetype boardItems, int perColumn)
    {
        m_firstPageThreshold = std::max<qsizetype>(boardItems, 1);
        m_firstPageItems = std::max(perColumn, 1);
    }
    // The cloud boards of that activity one after another; without one, every cloud board.
    QCoro::Task<void> syncAllCloudBoards(std::optional<bool> active);
    QCoro::Task<void> refreshBoardsFromServer(bool showToast);
    QCoro::Task<void> refreshBoardDetails(Board board);
    void setRefreshState(std::optional<BoardRefreshState> state, const QUuid& boardId,
        std::optional<double> resetDelaySeconds = std::nullopt);
    // True when the error says access to the board was revoked; the board is then removed.
    bool handleRevokedBoard(const ApiError& error, const QUuid& boardId);
    void clearCloudDataAfterSignOut();

    // ---- item operations ----
    QCoro::Task<void> addItem(Item item, Board board);
    QCoro::Task<MoveOutcome> moveItem(Item item, ItemStatus status);
    QCoro::Task<void> updateItem(Item item);
    QCoro::Task<void> deleteItem(Item item);
    QCoro::Task<void> setItemArchived(Item item, bool archived);
    QCoro::Task<void> mergeItems(Item source, Item destination);
    QCoro::Task<MoveOutcome> moveItemToBoard(Item item, Board target);
    void markItemUpdated(const QUuid& itemId);

    // ---- conflict copies and unsent changes ----
    // Sends the copy's text, column and assignee as a fresh edit of the item on top of the service's
    // current revision (or as a new item on `boardId` when the item is gone), then drops the copy.
    QCoro::Task<void> restoreConflictCopy(QUuid copyId, QUuid boardId);
    void discardConflictCopy(const QUuid& copyId);
    // Changes of cloud boards that have not reached the service, and conflict copies that sign-out
    // would remove.
    struct UnsentChanges
    {
        int items = 0;
        int conflictCopies = 0;
        int boardDescriptions = 0;
        bool isEmpty() const { return items == 0 && conflictCopies == 0 && boardDescriptions == 0; }
    };
    UnsentChanges unsentChanges() const;
    // Writes them to a Markdown file in the folder; gives the file's path, or the reason it failed.
    std::expected<QString, QString> exportUnsentChanges(const QString& folder) const;

    // ---- board lifecycle and membership ----
    QCoro::Task<void> createBoard(QString name, StorageOption storage);
    // Failures are handed back to the caller, which shows them.
    QCoro::Task<ApiResult<void>> joinBoard(QString code);
    // The board description; failures are silent.
    QCoro::Task<void> updateBoard(Board board);
    QCoro::Task<void> renameBoard(Board board);
    QCoro::Task<void> setBoardArchived(Board board);
    QCoro::Task<void> deleteBoard(Board board);
    // The caller shows the outcome ("Removed " + e-mail, or the error).
    QCoro::Task<ApiResult<void>> removeMember(QUuid boardId, BoardUser user);
    QCoro::Task<ApiResult<void>> transferOwnership(Board board, BoardUser user);
    QCoro::Task<ApiResult<QString>> createInvitation(Board board);

Q_SIGNALS:
    void boardsChanged();
    void selectedBoardChanged();
    void highlightedBoardsChanged();
    void recentlyUpdatedItemIdChanged();
    void shouldHighlightRefreshChanged(bool highlight);
    void syncingBoardsChanged();
    void boardRefreshStatesChanged();
    void displayedBoardsChanged();
    void archivedBoardsChanged();
    void archivedSectionCollapsedChanged(bool collapsed);
    void searchQueryChanged(const QString& query);
    void quickCaptureBoardIdChanged();
    // A sync has written `done` of its answer's `total` items and lets the event loop run.
    void syncProgress(const QUuid& boardId, qsizetype done, qsizetype total);
    // The read of the rest of a board shown by its first page has ended. The board now holds all its
    // items (read apart or, after a save meanwhile, by the context), unless reading failed (logged)
    // or it was read whole or left the workspace meanwhile (the read is then dropped).
    void restOfBoardRead(const QUuid& boardId);

private:
    // Setters that publish the change.
    void setBoards(QList<Board> boards);
    void setSelectedBoard(Board board);
    void setHighlightedBoards(QSet<QUuid> ids);
    void setShouldHighlightRefresh(bool highlight);
    void setSyncing(const QUuid& boardId, bool syncing);
    void setQuickCaptureBoardId(std::optional<QUuid> boardId);

    // Replaces the board of that id in m_boards (and the selected copy) or does nothing.
    void replaceBoard(const Board& board);
    void removeBoardFromWorkspace(const QUuid& boardId);
    // The board with its undeleted items from the store (storedTally cleared); unchanged when the
    // fetch fails.
    Board withStoredItems(Board board);
    // The board, not loaded, with its tally as the store has it now.
    Board withStoredTally(Board board);
    // A large board to be shown: each column's first page and the board's counts, the rest read on
    // a worker thread. Read whole when it is small, when the store has unsaved changes, or when the
    // first page cannot be read.
    Board withItemsToShow(Board board);
    // Reads the rest of a board shown by its first page, and takes it when nothing was saved
    // meanwhile; otherwise reads the board through the context.
    QCoro::Task<void> readRestOfBoard(QUuid boardId);
    // After a sync wrote these items (and these left the store): a loaded board takes them in place
    // of re-reading every item.
    void refreshSyncedItems(Board board, SyncedBoardItems& synced);
    struct SyncOutcome
    {
        std::expected<void, StoreError> result;
        // The board left (deleted, revoked, signed out) or the workspace went while it ran.
        bool stopped = false;
    };
    // Stores a sync's answer a chunk at a time, letting the event loop run between two.
    QCoro::Task<SyncOutcome> applySyncAnswer(Board board, SyncRequest request, SyncResponse response);
    // The workspace's boards from the store, as loadBoards steps 3 to 6 do.
    void reloadWorkspaceFromStore(bool signedIn);
    void cancelRefreshReset(const QUuid& boardId);
    // The board that takes the selection's place when its board is gone: the first active one (or
    // else the first archived one).
    std::optional<Board> selectionCandidate() const;
    // lifecycle:
    void insertBoardRecord(const Board& board);
    // Sends a board description; it stays pending until the service has it.
    QCoro::Task<void> sendBoardInfo(QUuid boardId, QString info);
    // conflicts: keeps the user's version of the item, naming its board while it is known.
    void keepConflictCopy(const Item& item, ConflictReason reason);
    // The service's current copy of one item, fetched at once (by a sync of its board).
    QCoro::Task<void> fetchServiceCopy(QUuid boardId);

    void showSuccess(const QString& message) { m_toasts.showSuccess(message); }
    void showInfo(const QString& message) { m_toasts.showInfo(message); }
    void showError(const QString& message) { m_toasts.showError(message); }
    void track(UsageEvent event, const QJsonObject& properties);

    StoreContext& m_context;
    NetworkService& m_api;
    LocalStore& m_localStore;
    ToastManager& m_toasts;
    UsageAnalytics& m_analytics;
    BoardRepository m_boardRepo;
    RevisionHighlightController m_revisionHighlightController;
    ConflictCopies m_conflictCopies;

    QList<Board> m_boards;
    Board m_selectedBoard;
    bool m_hasSelectedBoard = false; // false while selectedBoard is the placeholder
    // The selected board's items were read from the store and nothing has been saved since.
    bool m_selectedItemsFresh = false;
    QSet<QUuid> m_highlightedBoards;
    std::optional<QUuid> m_recentlyUpdatedItemId;
    bool m_shouldHighlightRefresh = false;
    QSet<QUuid> m_syncingBoards;
    QHash<QUuid, BoardRefreshState> m_boardRefreshStates;
    QList<Board> m_displayedBoards;
    QList<Board> m_archivedBoards;
    bool m_isArchivedSectionCollapsed = true;
    QString m_searchQuery;
    std::optional<QUuid> m_quickCaptureBoardId;
    QHash<QUuid, QTimer*> m_refreshStateResetTasks;
    qsizetype m_syncChunkItems = 5000;
    // 2,000 items read whole take about 15 ms; the first page (six sections of 100) about 2 ms.
    qsizetype m_firstPageThreshold = 2000;
    int m_firstPageItems = 100;
    // The store's saves so far: a read made apart from the context is stale once this moves.
    quint64 m_storeSaves = 0;
};
