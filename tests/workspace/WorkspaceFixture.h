// One client of the stand-in service for workspace tests: a real store file and preference file in
// a temporary folder, its own toast presenter, usage events queued in the folder (never uploaded),
// a NetworkService signed in as a fresh account, and the BoardViewModel over all of it.
#pragma once

#include "analytics/UsageAnalytics.h"
#include "net/NetworkService.h"
#include "store/LocalStore.h"
#include "store/StoreContext.h"
#include "support/DevServer.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"
#include "workspace/undo/ItemHistory.h"

#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <memory>

struct TrackedEvent
{
    QString name;
    QJsonObject properties;
};

class WorkspaceClient
{
public:
    // Signs in as a new account of the server (or stays signed out when server is null).
    WorkspaceClient(DevServer* server, const QString& email);
    // Signed in to any service at that address with an account made there already.
    WorkspaceClient(const QUrl& serviceUrl, DevServer::Account account);
    ~WorkspaceClient();

    bool isValid() const { return m_valid; }
    QString errorString() const { return m_error; }

    BoardViewModel& workspace() { return *m_workspace; }
    ItemHistory& history() { return ItemHistory::of(*m_workspace); }
    StoreContext& store() { return *m_store; }
    LocalStore& preferences() { return *m_preferences; }
    ToastManager& toasts() { return m_toasts; }
    NetworkService& api() { return *m_api; }
    UsageAnalytics& analytics() { return *m_analytics; }
    const DevServer::Account& account() const { return m_account; }
    QUuid userId() const { return QUuid::fromString(m_account.userId); }

    // The usage events recorded so far, oldest first.
    QList<TrackedEvent> events() const;
    std::optional<TrackedEvent> lastEvent() const;
    // The text of the last toast and its type, or absent when none was shown.
    std::optional<Toast> lastToast() const { return m_toasts.toast(); }
    QString toastText() const { return lastToast().value_or(Toast {}).message; }
    std::optional<ToastType> toastType() const
    {
        const auto toast = lastToast();
        return toast ? std::optional(toast->type) : std::nullopt;
    }

    // Opens the same store and preference files again, as a restarted application would.
    void reopen();

    // A new item for a board: order one past the largest, creator this account.
    Item newItem(const Board& board, const QString& content, ItemStatus status = ItemStatus::todo) const;
    // Creates a board through the workspace and gives it back as the workspace now holds it (an
    // empty board when it did not appear).
    Board createBoard(const QString& name, StorageOption storage = StorageOption::local);
    // The same, then selected as the user would.
    Board createSelectedBoard(const QString& name, StorageOption storage = StorageOption::local);
    std::optional<Board> boardNamed(const QString& name);
    // Adds a new item through the workspace (waiting for the service on a cloud board); the item as
    // the board then shows it, or an empty item when it does not show.
    Item addItem(const QUuid& boardId, const QString& content, ItemStatus status = ItemStatus::todo);
    // The board as the workspace now holds it, or an empty board.
    Board board(const QUuid& boardId);
    // The item as the workspace's copy of the board shows it.
    std::optional<Item> shownItem(const QUuid& boardId, const QUuid& itemId);
    // The item's record in the store, deleted or not.
    std::optional<Item> storedItem(const QUuid& itemId);
    // The board as the workspace's list holds it, without reading its items.
    std::optional<Board> heldBoard(const QUuid& boardId) const;
    // Writes a record straight to the store, as an earlier run or an offline edit left it; whether
    // the save went through.
    bool storeBoard(const Board& board);
    bool storeItem(const Item& item);
    // A new board record written straight to the store; an empty board when the save failed.
    Board storeNewBoard(const QString& name, bool cloud = false, bool active = true);
    // The board's items the service has not taken yet (tombstones included), or -1 on a failed read.
    qsizetype pendingCount(const QUuid& boardId);
    // The last usage event's name and one of its properties (empty when there is none).
    QString lastEventName() const;
    QJsonValue lastEventProperty(const QString& key) const;

private:
    void open();

    QTemporaryDir m_dir;
    DevServer* m_server = nullptr;
    QUrl m_serviceUrl;
    DevServer::Account m_account;
    bool m_valid = false;
    QString m_error;
    ToastManager m_toasts;
    std::unique_ptr<StoreContext> m_store;
    std::unique_ptr<LocalStore> m_preferences;
    std::unique_ptr<UsageAnalytics> m_analytics;
    std::unique_ptr<NetworkService> m_api;
    std::unique_ptr<BoardViewModel> m_workspace;
};

// The owner invites, the member joins; the board as the member now holds it.
std::optional<Board> shareBoard(WorkspaceClient& owner, WorkspaceClient& member, const Board& board);

// The service's path of a board.
QString serviceBoardPath(const QUuid& boardId);

// The boards' names, in their order.
QStringList boardNames(const QList<Board>& boards);

// A board record that is in no store yet, created now by nobody in particular.
Board boardRecord(const QString& name, bool cloud = false, bool active = true);

// An item the account adds on the service directly, past the client's workspace: its id, or a
// null id when the service refused it.
QUuid addOnService(DevServer& server, const WorkspaceClient& client, const QUuid& boardId,
    const QString& content = QStringLiteral("from elsewhere"));

// The owner takes the member off the board; whether the service agreed.
bool removeMember(DevServer& server, const WorkspaceClient& owner, const QUuid& boardId, const QUuid& memberId);

// Everything the service holds for a board, as the client's account sees it.
using ServiceBoard = DevServer::BoardContents;
inline ServiceBoard serviceBoard(DevServer& server, const WorkspaceClient& client, const QUuid& boardId)
{
    return server.boardContents(boardId, client.account().accessToken);
}
