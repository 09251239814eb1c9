// The persisted form of an item. Once inserted into (or fetched from) a StoreContext the record
// belongs to that context: setters change it in memory, the context announces the change at once
// and writes it with its next save. Records are compared by identity, never by field values.
#pragma once

#include "domain/ItemStatus.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

class StoreContext;

struct LocalItemFields
{
    QUuid id;
    QString content;
    ItemStatus status = ItemStatus::todo;
    QUuid boardId;
    QUuid createdBy;
    std::optional<QUuid> assignee;
    std::optional<QString> author;
    QDateTime createdAt;
    qint64 order = 0;
    QDateTime updatedAt;
    std::optional<QDateTime> deletedAt;
    std::optional<QDateTime> archivedAt;
    qint64 revision = 0;
    bool didSync = false;
};

class LocalItem
{
public:
    explicit LocalItem(LocalItemFields fields)
        : m_fields(std::move(fields))
    {
    }
    LocalItem(const LocalItem&) = delete;
    LocalItem& operator=(const LocalItem&) = delete;

    const LocalItemFields& fields() const { return m_fields; }
    // The id is fixed for the record's life: the context keeps one record per id.
    const QUuid& id() const { return m_fields.id; }
    const QString& content() const { return m_fields.content; }
    ItemStatus status() const { return m_fields.status; }
    const QUuid& boardId() const { return m_fields.boardId; }
    const QUuid& createdBy() const { return m_fields.createdBy; }
    const std::optional<QUuid>& assignee() const { return m_fields.assignee; }
    const std::optional<QString>& author() const { return m_fields.author; }
    const QDateTime& createdAt() const { return m_fields.createdAt; }
    qint64 order() const { return m_fields.order; }
    const QDateTime& updatedAt() const { return m_fields.updatedAt; }
    const std::optional<QDateTime>& deletedAt() const { return m_fields.deletedAt; }
    const std::optional<QDateTime>& archivedAt() const { return m_fields.archivedAt; }
    qint64 revision() const { return m_fields.revision; }
    bool didSync() const { return m_fields.didSync; }

    void setContent(const QString& value) { assign(m_fields.content, value); }
    void setStatus(ItemStatus value) { assign(m_fields.status, value); }
    void setBoardId(const QUuid& value) { assign(m_fields.boardId, value); }
    void setCreatedBy(const QUuid& value) { assign(m_fields.createdBy, value); }
    void setAssignee(const std::optional<QUuid>& value) { assign(m_fields.assignee, value); }
    void setAuthor(const std::optional<QString>& value) { assign(m_fields.author, value); }
    void setCreatedAt(const QDateTime& value) { assign(m_fields.createdAt, value); }
    void setOrder(qint64 value) { assign(m_fields.order, value); }
    void setUpdatedAt(const QDateTime& value) { assign(m_fields.updatedAt, value); }
    void setDeletedAt(const std::optional<QDateTime>& value) { assign(m_fields.deletedAt, value); }
    void setArchivedAt(const std::optional<QDateTime>& value) { assign(m_fields.archivedAt, value); }
    void setRevision(qint64 value) { assign(m_fields.revision, value); }
    void setDidSync(bool value) { assign(m_fields.didSync, value); }

    // The context that owns the record; none before insertion and after a saved deletion.
    StoreContext* context() const { return m_context; }
    // Deleted in its context, whether or not the deletion has been saved yet.
    bool isDeleted() const { return m_deleted; }

private:
    friend class StoreContext;

    template<typename T>
    void assign(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        announceChange();
    }
    void announceChange();

    LocalItemFields m_fields;
    StoreContext* m_context = nullptr;
    bool m_pending = false; // in the context's list of changes to write
    bool m_deleted = false;
    bool m_inFile = false; // known to have a row, so a save can update it in place
};
