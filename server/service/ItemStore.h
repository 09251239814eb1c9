// Items and the per-board change log. Every write is one change of the item's board: the board's
// revision goes up by one, the item's revision becomes that new board revision, and the change log
// remembers at which revision each item last changed on that board. A sync's checkpoint is a board
// revision, so "everything after the checkpoint" is a range of the change log, as long as the
// changes it answers with.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class BoardService;
class Clock;
class Database;

struct ItemRecord
{
    QString id;
    QString boardId;
    QString content;
    QString status;
    qint64 order = 0;
    QString createdBy;
    std::optional<QString> assignee;
    std::optional<QString> author;
    QString createdAt;
    QString updatedAt;
    std::optional<QString> deletedAt;
    std::optional<QString> archivedAt;
    qint64 revision = 0;
    qint64 addedSeq = 0; // the board revision at which the item joined its current board

    bool isDeleted() const { return deletedAt.has_value(); }
    // The RemoteItem record.
    QJsonObject toJson() const;
    // ItemResponse {id, revision, updatedAt}.
    QJsonObject toResponseJson() const;
};

enum class ChangeKind { Upsert, Remove };

// The last change of one item on a board, as a sync answers with it.
struct ItemChange
{
    QString itemId;
    ChangeKind kind = ChangeKind::Upsert;
    // The board revision of this change.
    qint64 seq = 0;
    // The item is stored, on this board and not deleted.
    bool live = false;
    // The board revision at which the item joined this board.
    qint64 addedSeq = 0;
    // The item's RemoteItem record as JSON text (what ItemRecord::toJson gives), when live.
    QByteArray json;
};

class ItemStore
{
public:
    ItemStore(Database& db, const Clock& clock, BoardService& boards);

    std::optional<ItemRecord> find(const QString& itemId) const;

    // Each returns the new revision, which is also stored in the record.
    qint64 insert(ItemRecord& item);
    qint64 save(ItemRecord& item);
    qint64 tombstone(ItemRecord& item);
    // Leaves the current board (a removal there) and joins the target (an addition there).
    qint64 moveToBoard(ItemRecord& item, const QString& targetBoardId);

    // The last change of each item changed after the checkpoint, in the order of those changes.
    // The database writes each item's JSON: a board's first sync answers with all of its items.
    QList<ItemChange> changesSince(const QString& boardId, qint64 checkpoint) const;

    // Refusal text for content or status that the service does not store; absent when fine.
    static std::optional<QString> contentProblem(const QString& content);
    static std::optional<QString> statusProblem(const QString& status);

private:
    // Runs the work in a transaction unless one is already open.
    void atomically(const std::function<void()>& work);
    void write(const ItemRecord& item, bool insert);
    void logChange(const QString& boardId, qint64 seq, const QString& itemId, ChangeKind kind);

    Database& m_db;
    const Clock& m_clock;
    BoardService& m_boards;
};
