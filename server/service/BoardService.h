// Boards and their membership: listing, reading with members, create, rename/describe/archive,
// delete, one-time invitations valid ten minutes, joining, member removal and ownership transfer.
// Every board operation of a non-member (or on a board that does not exist) answers 403
// "BOARD_ACCESS_DENIED", so the client can tell a revoked board from other failures.
#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

class AttemptLimit;
class Clock;
class Database;
class EventOutbox;
class JsonBody;
class NotificationService;
struct Account;

struct BoardRecord
{
    QString id;
    QString name;
    std::optional<QString> info;
    bool active = true;
    QString createdAt;
    QString updatedAt;
    QString createdBy;
    qint64 revision = 0;

    // The RemoteBoard record.
    QJsonObject toJson() const;
};

struct Membership
{
    BoardRecord board;
    QString role; // "OWNER" or "EDITOR"
    bool isOwner() const { return role == QLatin1String("OWNER"); }
};

class BoardService
{
public:
    BoardService(Database& db, const Clock& clock, NotificationService& notifications, EventOutbox& events);
    ~BoardService();

    Membership requireMember(const Account& me, const QString& boardId) const;
    // A member's board that takes changes: 409 "BOARD_ARCHIVED" while it is archived.
    Membership requireWritable(const Account& me, const QString& boardId) const;
    // As requireMember and requireWritable, and the board's row is held until the request's
    // transaction ends, so that item changes of one board (from any server process) take turns: what
    // a change reads and checks stays true until it commits. The board is read as it is once held.
    Membership lockMember(const Account& me, const QString& boardId);
    Membership lockWritable(const Account& me, const QString& boardId);
    bool isMember(const QString& boardId, const QString& userId) const;
    std::optional<BoardRecord> board(const QString& boardId) const;

    QList<BoardRecord> boardsOf(const Account& me) const;
    // RemoteBoardResponse {board, boardOwner, users}.
    QJsonObject details(const Membership& membership) const;

    BoardRecord create(const Account& me, const QString& name);
    // Any member renames; only the owner describes ("info"), archives and unarchives. An archived
    // board takes nothing but being unarchived.
    void update(const Account& me, const QString& boardId, const JsonBody& body);
    void remove(const Account& me, const QString& boardId);

    QString createInvitation(const Account& me, const QString& boardId);
    // Wrong codes are counted per account and per network address; past the limit, 429 with a retry time.
    BoardRecord join(const Account& me, const QString& code, const QString& address);
    void removeMember(const Account& me, const QString& boardId, const QString& userId);
    void transferOwnership(const Account& me, const QString& boardId, const QString& newOwnerId);

    // One more item change on the board: returns the new board revision.
    qint64 advanceRevision(const QString& boardId);

private:
    Membership member(const Account& me, const QString& boardId, bool lock) const;
    QJsonObject boardUserJson(const QString& boardId, const QString& userId) const;

    Database& m_db;
    const Clock& m_clock;
    NotificationService& m_notifications;
    EventOutbox& m_events;
    std::unique_ptr<AttemptLimit> m_wrongCodesOfAccount;
    std::unique_ptr<AttemptLimit> m_wrongCodesOfAddress;
};
