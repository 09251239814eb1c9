// The item writes of a board: add (an upsert by the client's id), partial update with the revision
// the client saw, and delete (which leaves a tombstone that later syncs report). Each answers with
// ItemResponse {id, revision, updatedAt}; the revision is the board's new revision. Assigning an
// item to someone else notifies them ("ItemAssigned").
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

class BoardService;
class ItemStore;
class JsonBody;
class NotificationService;
struct Account;
struct ItemRecord;

class ItemService
{
public:
    ItemService(BoardService& boards, ItemStore& items, NotificationService& notifications);

    QJsonObject add(const Account& me, const QString& boardId, const QString& itemId, const JsonBody& body);
    QJsonObject update(
        const Account& me, const QString& boardId, const QString& itemId, const JsonBody& body);
    QJsonObject remove(const Account& me, const QString& boardId, const QString& itemId);

    // Notifies the new assignee when an item goes to someone other than the person changing it.
    void notifyAssignment(
        const Account& me, const ItemRecord& item, const std::optional<QString>& previousAssignee);

private:
    ItemRecord requireItem(const QString& boardId, const QString& itemId) const;
    void checkAssignee(const QString& boardId, const std::optional<QString>& assignee) const;

    BoardService& m_boards;
    ItemStore& m_items;
    NotificationService& m_notifications;
};
