#include "BoardService.h"

#include "AttemptLimit.h"
#include "AuthService.h"
#include "Clock.h"
#include "Database.h"
#include "EventOutbox.h"
#include "HttpError.h"
#include "JsonBody.h"
#include "NotificationService.h"
#include "TextLimits.h"
#include "Tokens.h"

#include <QJsonArray>

namespace {

constexpr qint64 invitationSeconds = 10 * 60;
// Wrong invitation codes one account, or one network address, may enter within the window: enough
// for typing mistakes, far too few to guess one of the 32^8 codes.
constexpr int wrongCodesPerAccount = 10;
constexpr int wrongCodesPerAddress = 30;
constexpr qint64 wrongCodeWindowSeconds = 15 * 60;

BoardRecord boardFrom(const Row& row)
{
    return {row.text("id"), row.text("name"), row.optionalText("info"), row.integer("active") != 0,
        row.text("created_at"), row.text("updated_at"), row.text("created_by"), row.integer("revision")};
}

HttpError archived()
{
    return {409, QStringLiteral("BOARD_ARCHIVED"), QStringLiteral("Archived boards are read-only.")};
}

HttpError notOwner()
{
    return {403, QStringLiteral("NOT_BOARD_OWNER"), QStringLiteral("Only the board's owner can do this.")};
}

QString checkedName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw HttpError(400, QStringLiteral("INVALID_NAME"), QStringLiteral("A board needs a name."));
    TextLimits::require(QStringLiteral("name"), trimmed, TextLimits::boardName);
    return trimmed;
}

} // namespace

QJsonObject BoardRecord::toJson() const
{
    QJsonObject json {{QStringLiteral("id"), id}, {QStringLiteral("name"), name},
        {QStringLiteral("createdAt"), createdAt}, {QStringLiteral("updatedAt"), updatedAt},
        {QStringLiteral("createdBy"), createdBy}, {QStringLiteral("active"), active},
        {QStringLiteral("revision"), revision}};
    if (info)
        json.insert(QStringLiteral("info"), *info);
    return json;
}

BoardService::BoardService(
    Database& db, const Clock& clock, NotificationService& notifications, EventOutbox& events)
    : m_db(db)
    , m_clock(clock)
    , m_notifications(notifications)
    , m_events(events)
    , m_wrongCodesOfAccount(std::make_unique<AttemptLimit>(
          db, clock, QStringLiteral("join-account"), wrongCodesPerAccount, wrongCodeWindowSeconds))
    , m_wrongCodesOfAddress(std::make_unique<AttemptLimit>(
          db, clock, QStringLiteral("join-address"), wrongCodesPerAddress, wrongCodeWindowSeconds))
{
}

BoardService::~BoardService() = default;

Membership BoardService::requireWritable(const Account& me, const QString& boardId) const
{
    Membership membership = requireMember(me, boardId);
    if (!membership.board.active)
        throw archived();
    return membership;
}

Membership BoardService::lockWritable(const Account& me, const QString& boardId)
{
    Membership membership = lockMember(me, boardId);
    if (!membership.board.active)
        throw archived();
    return membership;
}

Membership BoardService::requireMember(const Account& me, const QString& boardId) const
{
    return member(me, boardId, false);
}

Membership BoardService::lockMember(const Account& me, const QString& boardId)
{
    return member(me, boardId, true);
}

Membership BoardService::member(const Account& me, const QString& boardId, bool lock) const
{
    // Only a member's row is locked: the join is decided before the lock is taken.
    static const QString sql = QStringLiteral("SELECT b.*, m.role FROM boards b JOIN members m ON m.board_id "
                                              "= b.id WHERE b.id = ? AND m.user_id = ?");
    const auto row
        = m_db.queryOne(lock ? sql + m_db.forUpdateOf(QStringLiteral("b")) : sql, {boardId, me.id});
    if (!row)
        throw HttpError(403, QStringLiteral("BOARD_ACCESS_DENIED"),
            QStringLiteral("You don't have access to this board."));
    return {boardFrom(*row), row->text("role")};
}

bool BoardService::isMember(const QString& boardId, const QString& userId) const
{
    return m_db
        .queryOne(
            QStringLiteral("SELECT 1 FROM members WHERE board_id = ? AND user_id = ?"), {boardId, userId})
        .has_value();
}

std::optional<BoardRecord> BoardService::board(const QString& boardId) const
{
    if (auto row = m_db.queryOne(QStringLiteral("SELECT * FROM boards WHERE id = ?"), {boardId}))
        return boardFrom(*row);
    return std::nullopt;
}

QList<BoardRecord> BoardService::boardsOf(const Account& me) const
{
    QList<BoardRecord> boards;
    for (const Row& row :
        m_db.query(QStringLiteral("SELECT b.* FROM boards b JOIN members m ON m.board_id = b.id"
                                  " WHERE m.user_id = ? ORDER BY b.created_at, b.rowid"),
            {me.id}))
        boards.append(boardFrom(row));
    return boards;
}

QJsonObject BoardService::boardUserJson(const QString& boardId, const QString& userId) const
{
    const auto row = m_db.queryOne(
        QStringLiteral("SELECT m.role, m.granted_at, a.email, a.display_name FROM members m"
                       " JOIN accounts a ON a.id = m.user_id WHERE m.board_id = ? AND m.user_id = ?"),
        {boardId, userId});
    if (!row)
        return {};
    QJsonObject user {{QStringLiteral("userId"), userId}, {QStringLiteral("email"), row->text("email")},
        {QStringLiteral("grantedAt"), row->text("granted_at")}, {QStringLiteral("role"), row->text("role")},
        {QStringLiteral("boardId"), boardId}};
    if (auto name = row->optionalText("display_name"))
        user.insert(QStringLiteral("displayName"), *name);
    return user;
}

QJsonObject BoardService::details(const Membership& membership) const
{
    const QString boardId = membership.board.id;
    QJsonArray users;
    QJsonObject owner;
    for (const Row& row : m_db.query(QStringLiteral("SELECT user_id, role FROM members WHERE board_id = ?"
                                                    " ORDER BY role = 'OWNER' DESC, granted_at, rowid"),
             {boardId})) {
        const QJsonObject user = boardUserJson(boardId, row.text("user_id"));
        users.append(user);
        if (row.text("role") == QLatin1String("OWNER"))
            owner = user;
    }
    return {{QStringLiteral("board"), membership.board.toJson()}, {QStringLiteral("boardOwner"), owner},
        {QStringLiteral("users"), users}};
}

BoardRecord BoardService::create(const Account& me, const QString& name)
{
    const QString now = m_clock.isoNow();
    BoardRecord board {Tokens::newUuid(), checkedName(name), std::nullopt, true, now, now, me.id, 0};
    m_db.transaction([&] {
        m_db.execute(QStringLiteral(
                         "INSERT INTO boards (id, name, active, created_at, updated_at, created_by, revision)"
                         " VALUES (?, ?, 1, ?, ?, ?, 0)"),
            {board.id, board.name, now, now, me.id});
        m_db.execute(
            QStringLiteral(
                "INSERT INTO members (board_id, user_id, role, granted_at) VALUES (?, ?, 'OWNER', ?)"),
            {board.id, me.id, now});
    });
    m_events.boardsChanged(board.id);
    return board;
}

void BoardService::update(const Account& me, const QString& boardId, const JsonBody& body)
{
    const Membership membership = requireMember(me, boardId);
    const std::optional<QString> name = body.optionalString(QStringLiteral("name"));
    const std::optional<QString> info = body.optionalString(QStringLiteral("info"));
    const std::optional<bool> active = body.optionalBool(QStringLiteral("active"));
    if (!name && !info && !active)
        throw HttpError::badRequest(
            QStringLiteral("Nothing to change: send \"name\", \"info\" or \"active\"."));
    // The description is the owner's, as the application offers it; any member may rename.
    if ((active || info) && !membership.isOwner())
        throw notOwner();
    // Its name and description stay as they were while it is archived; bringing it back in the
    // same request lets them change.
    if (!membership.board.active && !active.value_or(false) && (name || info))
        throw archived();
    const std::optional<QString> newName = name ? std::optional(checkedName(*name)) : std::nullopt;
    if (info)
        TextLimits::require(QStringLiteral("info"), *info, TextLimits::boardInfo);
    m_db.transaction([&] {
        if (newName)
            m_db.execute(QStringLiteral("UPDATE boards SET name = ? WHERE id = ?"), {*newName, boardId});
        if (info)
            m_db.execute(QStringLiteral("UPDATE boards SET info = ? WHERE id = ?"), {*info, boardId});
        if (active)
            m_db.execute(
                QStringLiteral("UPDATE boards SET active = ? WHERE id = ?"), {*active ? 1 : 0, boardId});
        m_db.execute(
            QStringLiteral("UPDATE boards SET updated_at = ? WHERE id = ?"), {m_clock.isoNow(), boardId});
    });
    m_events.boardsChanged(boardId);
}

void BoardService::remove(const Account& me, const QString& boardId)
{
    if (!requireMember(me, boardId).isOwner())
        throw notOwner();
    // Its members are gone with it once it commits: they are named now.
    QStringList members;
    for (const Row& row :
        m_db.query(QStringLiteral("SELECT user_id FROM members WHERE board_id = ?"), {boardId}))
        members.append(row.text("user_id"));
    m_db.execute(QStringLiteral("DELETE FROM boards WHERE id = ?"), {boardId});
    m_events.boardsChanged(QString(), members);
}

QString BoardService::createInvitation(const Account& me, const QString& boardId)
{
    const Membership membership = requireMember(me, boardId);
    if (!membership.isOwner())
        throw notOwner();
    if (!membership.board.active)
        throw archived();
    const QString code = Tokens::invitationCode();
    m_db.execute(QStringLiteral(
                     "INSERT INTO invitations (code, board_id, created_by, expires_at) VALUES (?, ?, ?, ?)"),
        {code, boardId, me.id, m_clock.epochSeconds() + invitationSeconds});
    return code;
}

BoardRecord BoardService::join(const Account& me, const QString& code, const QString& address)
{
    const QString normalised = code.trimmed().toUpper();
    if (normalised.isEmpty())
        throw HttpError::badRequest(QStringLiteral("An invitation code is required."));
    TextLimits::require(QStringLiteral("code"), normalised, TextLimits::invitationCode);
    const QString tooMany = QStringLiteral("Too many wrong invitation codes. Try again in %1.");
    m_wrongCodesOfAccount->require(me.id, QStringLiteral("TOO_MANY_INVITATION_CODES"), tooMany);
    m_wrongCodesOfAddress->require(address, QStringLiteral("TOO_MANY_INVITATION_CODES"), tooMany);
    const auto invitation
        = m_db.queryOne(QStringLiteral("SELECT * FROM invitations WHERE code = ?"), {normalised});
    if (!invitation) {
        // Kept although the request is refused: the router commits what a refusal wrote.
        m_wrongCodesOfAccount->record(me.id);
        m_wrongCodesOfAddress->record(address);
        throw HttpError(404, QStringLiteral("INVITATION_NOT_FOUND"),
            QStringLiteral("This invitation code is not valid."));
    }
    const QString boardId = invitation->text("board_id");
    // A member who enters a code of their own board gets the board and leaves the code unused.
    if (isMember(boardId, me.id))
        return *board(boardId);
    if (!invitation->isNull("used_by"))
        throw HttpError(410, QStringLiteral("INVITATION_USED"),
            QStringLiteral("This invitation code has already been used."));
    if (invitation->integer("expires_at") < m_clock.epochSeconds())
        throw HttpError(
            410, QStringLiteral("INVITATION_EXPIRED"), QStringLiteral("This invitation code has expired."));

    m_db.transaction([&] {
        // Another server process may have used the code meanwhile: only one join wins.
        if (m_db.execute(
                QStringLiteral("UPDATE invitations SET used_by = ? WHERE code = ? AND used_by IS NULL"),
                {me.id, normalised})
            == 0)
            throw HttpError(410, QStringLiteral("INVITATION_USED"),
                QStringLiteral("This invitation code has already been used."));
        const QList<Row> others
            = m_db.query(QStringLiteral("SELECT user_id FROM members WHERE board_id = ?"), {boardId});
        m_db.execute(
            QStringLiteral(
                "INSERT INTO members (board_id, user_id, role, granted_at) VALUES (?, ?, 'EDITOR', ?)"),
            {boardId, me.id, m_clock.isoNow()});
        for (const Row& other : others)
            m_notifications.notify(
                other.text("user_id"), QStringLiteral("BoardMemberJoined"), boardId, std::nullopt, me);
        m_events.boardsChanged(boardId);
    });
    return *board(boardId);
}

void BoardService::removeMember(const Account& me, const QString& boardId, const QString& userId)
{
    const Membership membership = requireMember(me, boardId);
    const auto target = m_db.queryOne(
        QStringLiteral("SELECT role FROM members WHERE board_id = ? AND user_id = ?"), {boardId, userId});
    if (!target)
        throw HttpError(404, QStringLiteral("MEMBER_NOT_FOUND"),
            QStringLiteral("This person is not a member of the board."));
    if (userId == me.id) {
        if (membership.isOwner())
            throw HttpError(409, QStringLiteral("OWNER_CANNOT_LEAVE"),
                QStringLiteral("Transfer the ownership to another member before leaving the board."));
    } else if (!membership.isOwner()) {
        throw notOwner();
    }
    m_db.execute(QStringLiteral("DELETE FROM members WHERE board_id = ? AND user_id = ?"), {boardId, userId});
    m_events.boardsChanged(boardId, {userId});
}

void BoardService::transferOwnership(const Account& me, const QString& boardId, const QString& newOwnerId)
{
    if (!requireMember(me, boardId).isOwner())
        throw notOwner();
    if (newOwnerId == me.id)
        throw HttpError::badRequest(QStringLiteral("You already own this board."));
    if (!isMember(boardId, newOwnerId))
        throw HttpError(404, QStringLiteral("MEMBER_NOT_FOUND"),
            QStringLiteral("The new owner must be a member of the board."));
    m_db.transaction([&] {
        m_db.execute(QStringLiteral("UPDATE members SET role = 'EDITOR' WHERE board_id = ? AND user_id = ?"),
            {boardId, me.id});
        m_db.execute(QStringLiteral("UPDATE members SET role = 'OWNER' WHERE board_id = ? AND user_id = ?"),
            {boardId, newOwnerId});
    });
    m_events.boardsChanged(boardId);
}

qint64 BoardService::advanceRevision(const QString& boardId)
{
    // One statement: a sync of many pending items advances the revision once per item.
    const qint64 revision
        = m_db.queryOne(
                  QStringLiteral("UPDATE boards SET revision = revision + 1, updated_at = ? WHERE id = ?"
                                 " RETURNING revision"),
                  {m_clock.isoNow(), boardId})
              ->integer("revision");
    m_events.boardChanged(boardId, revision);
    return revision;
}
