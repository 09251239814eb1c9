// The records that travel to and from the service. Requests are written with plain camelCase keys;
// responses are read through the service decoder (ServiceDecoder.h).
#pragma once

#include "domain/BoardUser.h"
#include "domain/RemoteItem.h"
#include "domain/User.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// ---- requests ----

struct CompleteLoginRequest
{
    QString deviceNonce;
    QString ott;
};

struct RefreshRequest
{
    QString refreshToken;
};

struct LogoutRequest
{
    QString refreshToken;
};

struct RemoteBoardRequest
{
    std::optional<QString> name;
    std::optional<QString> info;
    std::optional<bool> active;
};

struct ChangeBoardOwnerRequest
{
    QUuid newOwnerId;
};

struct SyncRequest
{
    // The most pending items the service takes in one sync; a larger pending set goes in parts.
    static constexpr qsizetype maxItems = 1000;

    qint64 checkpoint = 0;
    QList<RemoteItem> items;
};

struct UpsertItemRequest
{
    QString content;
    QString status;
    qint64 order = 0;
    QString createdAt;
    QUuid boardId;
    std::optional<QUuid> assignee;
};

// A field of a partial update that can be left unchanged, cleared, or set: the JSON key is left out,
// written as null, or written with the value.
template<typename T>
class FieldUpdate
{
public:
    static FieldUpdate unchanged() { return FieldUpdate(State::unchanged, {}); }
    static FieldUpdate cleared() { return FieldUpdate(State::cleared, {}); }
    static FieldUpdate set(T value) { return FieldUpdate(State::set, std::move(value)); }

    bool isUnchanged() const { return m_state == State::unchanged; }
    bool isCleared() const { return m_state == State::cleared; }
    bool isSet() const { return m_state == State::set; }
    const T& value() const { return m_value; }

private:
    enum class State { unchanged, cleared, set };
    FieldUpdate(State state, T value)
        : m_state(state)
        , m_value(std::move(value))
    {
    }
    State m_state;
    T m_value;
};

struct UpdateItemRequest
{
    std::optional<QString> content;
    std::optional<QString> status;
    std::optional<qint64> order;
    std::optional<QUuid> boardId;
    FieldUpdate<QUuid> assignee = FieldUpdate<QUuid>::unchanged();
    FieldUpdate<QString> archivedAt = FieldUpdate<QString>::unchanged(); // shared ISO text when set
    qint64 revision = 0;
};

struct ImproveTextRequest
{
    QString content;
};

struct FeedbackRequest
{
    QString text;
};

struct MarkNotificationReadRequest
{
    QUuid id;
};

// ---- responses ----

struct StartLoginResponse
{
    QString loginUrl;
};

struct LoginTokens
{
    QString accessToken;
    QString refreshToken;
};

struct CurrentUserResponse
{
    User user;
};

struct RemoteBoard
{
    QUuid id;
    QString name;
    QString createdAt;
    QString updatedAt;
    QString createdBy;
    std::optional<QString> info;
    std::optional<bool> active;
    qint64 revision = 0;
};

struct RemoteBoardResponse
{
    RemoteBoard board;
    BoardUser boardOwner;
    QList<BoardUser> users;
};

struct SyncResponse
{
    QString boardName;
    qint64 latestCheckpoint = 0;
    QList<RemoteItem> newItems;
    QList<QUuid> deletedItems;
    QList<RemoteItem> modifiedItems;
    QList<QUuid> conflictedItems;
};

struct ItemResponse
{
    QUuid id;
    qint64 revision = 0;
    QDateTime updatedAt;
};

struct InvitationResponse
{
    QString code;
};

struct ImproveTextResponse
{
    QString original;
    QString improved;
};

struct RemoteNotificationResponse
{
    QUuid id;
    QString type;
    std::optional<QUuid> boardId;
    std::optional<QUuid> itemId;
    std::optional<QUuid> actorId;
    std::optional<QString> actorDisplayName;
    QDateTime createdAt;
    std::optional<QDateTime> readAt;
};

struct NotificationFeedResponse
{
    QList<RemoteNotificationResponse> items;
    qint64 unreadCount7d = 0;
};
