// The persisted form of a board (its items are LocalItem records that name it by id). Owned by a
// StoreContext like LocalItem: changes are announced at once and written by the next save.
#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

class StoreContext;

struct LocalBoardFields
{
    QUuid id;
    QString name;
    QDateTime createdAt;
    bool syncWithServer = false;
    QDateTime updatedAt;
    std::optional<QDateTime> deletedAt; // a board with this set is hidden from every fetch of the service
    QString createdBy = QStringLiteral("n/a");
    std::optional<QString> info;
    bool isActive = true;
    qint64 revision = 0;
};

class LocalBoard
{
public:
    explicit LocalBoard(LocalBoardFields fields)
        : m_fields(std::move(fields))
    {
    }
    LocalBoard(const LocalBoard&) = delete;
    LocalBoard& operator=(const LocalBoard&) = delete;

    const LocalBoardFields& fields() const { return m_fields; }
    const QUuid& id() const { return m_fields.id; }
    const QString& name() const { return m_fields.name; }
    const QDateTime& createdAt() const { return m_fields.createdAt; }
    bool syncWithServer() const { return m_fields.syncWithServer; }
    const QDateTime& updatedAt() const { return m_fields.updatedAt; }
    const std::optional<QDateTime>& deletedAt() const { return m_fields.deletedAt; }
    const QString& createdBy() const { return m_fields.createdBy; }
    const std::optional<QString>& info() const { return m_fields.info; }
    bool isActive() const { return m_fields.isActive; }
    qint64 revision() const { return m_fields.revision; }

    void setName(const QString& value) { assign(m_fields.name, value); }
    void setCreatedAt(const QDateTime& value) { assign(m_fields.createdAt, value); }
    void setSyncWithServer(bool value) { assign(m_fields.syncWithServer, value); }
    void setUpdatedAt(const QDateTime& value) { assign(m_fields.updatedAt, value); }
    void setDeletedAt(const std::optional<QDateTime>& value) { assign(m_fields.deletedAt, value); }
    void setCreatedBy(const QString& value) { assign(m_fields.createdBy, value); }
    void setInfo(const std::optional<QString>& value) { assign(m_fields.info, value); }
    void setIsActive(bool value) { assign(m_fields.isActive, value); }
    void setRevision(qint64 value) { assign(m_fields.revision, value); }

    StoreContext* context() const { return m_context; }
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

    LocalBoardFields m_fields;
    StoreContext* m_context = nullptr;
    bool m_pending = false;
    bool m_deleted = false;
    bool m_inFile = false; // known to have a row, so a save can update it in place
};
