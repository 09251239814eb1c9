// Every operation of the five endpoint repositories as the scripted server received it: method, path
// (upper-case ids), query, JSON content type, body keys, and the decoded answer.
#include "ScriptedHttpServer.h"
#include "domain/IsoDate.h"
#include "net/AuthRepository.h"
#include "net/BoardRepository.h"
#include "net/FeedbackRepository.h"
#include "net/MemoryTokenStore.h"
#include "net/NotificationRepository.h"
#include "net/UserRepository.h"
#include "wirecodec/ResponseEncoder.h"

#include <QCoro/QCoroTask>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>

#include <functional>

namespace {
const QUuid boardId = QUuid::fromString(QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
const QUuid itemId = QUuid::fromString(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e"));
const QUuid userId = QUuid::fromString(QStringLiteral("7c9e6679-7425-40de-944b-e07fc1f90ae7"));
const QString board = QStringLiteral("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
const QString item = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");
const QString user = QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7");

RemoteBoard sampleBoard()
{
    RemoteBoard remote;
    remote.id = boardId;
    remote.name = QStringLiteral("Plans");
    remote.createdAt = QStringLiteral("2024-05-01T12:30:00Z");
    remote.updatedAt = QStringLiteral("2024-05-01T12:30:00Z");
    remote.createdBy = user;
    remote.revision = 3;
    return remote;
}

User sampleUser()
{
    User profile;
    profile.id = userId;
    profile.email = QStringLiteral("ada@example.test");
    profile.updatedAt = QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC);
    return profile;
}

QByteArray boardResponseBody()
{
    BoardUser owner;
    owner.userId = userId;
    owner.email = QStringLiteral("ada@example.test");
    owner.grantedAt = QStringLiteral("2024-05-01T12:30:00Z");
    owner.boardId = boardId;
    return encodeBody(RemoteBoardResponse { sampleBoard(), owner, { owner } });
}

QByteArray itemResponseBody()
{
    return encodeBody(ItemResponse { itemId, 4, QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC) });
}

// One row: the call (true when it returned a value), and what the server must have received.
struct Operation
{
    std::function<bool(NetworkService*)> call;
    QByteArray reply;
    QByteArray method;
    QString target; // path and query as sent
    bool json;
    QByteArray body; // empty: no body at all
};

template<typename Task>
bool succeeds(Task task)
{
    return QCoro::waitFor(std::move(task)).has_value();
}

QMap<QString, Operation> operations()
{
    UpsertItemRequest upsert;
    upsert.content = QStringLiteral("Write the report");
    upsert.status = QStringLiteral("TODO");
    upsert.order = 2;
    upsert.createdAt = QStringLiteral("2024-05-01T12:30:00Z");
    upsert.boardId = boardId;

    UpdateItemRequest move;
    move.order = 5;
    move.revision = 7;
    UpdateItemRequest clear;
    clear.assignee = FieldUpdate<QUuid>::cleared();
    clear.archivedAt = FieldUpdate<QString>::cleared();
    clear.revision = 8;

    const QString boards = QStringLiteral("/api/boards/") + board;
    const QString items = boards + QStringLiteral("/items/") + item;
    const QByteArray none;

    return {
        { "startLogin",
            { [](NetworkService* s) { return succeeds(AuthRepository(s).startLogin(QStringLiteral("ABC123"))); },
                encodeBody(StartLoginResponse { QStringLiteral("http://h.test/login") }), "GET",
                "/auth/google/start?deviceNonce=ABC123", false, none } },
        { "completeLogin",
            { [](NetworkService* s) {
                 return succeeds(AuthRepository(s).completeLogin(QStringLiteral("ABC123"), QStringLiteral("o t")));
             },
                encodeBody(LoginTokens { QStringLiteral("a"), QStringLiteral("r") }), "POST", "/auth/login", true,
                R"({"deviceNonce":"ABC123","ott":"o t"})" } },
        { "fetchBoards",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).fetchBoards()); },
                encodeBody(QList<RemoteBoard> { sampleBoard() }), "GET", "/api/boards", false, none } },
        { "fetchBoard",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).fetchBoard(boardId)); }, boardResponseBody(),
                "GET", boards, false, none } },
        { "createBoard",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).createBoard(QStringLiteral("Plans"))); },
                encodeBody(sampleBoard()), "POST", "/api/boards", true, R"({"name":"Plans"})" } },
        { "renameBoard (any 2xx body)",
            { [](NetworkService* s) {
                 return succeeds(BoardRepository(s).renameBoard(boardId, QStringLiteral("New name")));
             },
                "not json at all", "PATCH", boards, true, R"({"name":"New name"})" } },
        { "updateBoardInfo",
            { [](NetworkService* s) {
                 return succeeds(BoardRepository(s).updateBoardInfo(boardId, QStringLiteral("About")));
             },
                "", "PATCH", boards, true, R"({"info":"About"})" } },
        { "setBoardActive false",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).setBoardActive(boardId, false)); }, "",
                "PATCH", boards, true, R"({"active":false})" } },
        { "deleteBoard",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).deleteBoard(boardId)); }, "", "DELETE", boards,
                false, none } },
        { "syncBoard",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).syncBoard(boardId, SyncRequest { 42, {} })); },
                encodeBody(SyncResponse { QStringLiteral("Plans"), 43, {}, {}, {}, {} }), "POST",
                boards + QStringLiteral("/sync"), true, R"({"checkpoint":42,"items":[]})" } },
        { "joinBoard",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).joinBoard(QStringLiteral("AB C&D=+"))); },
                encodeBody(sampleBoard()), "PATCH", "/api/boards/invitations?code=AB%20C%26D%3D%2B", false, none } },
        { "createInvitation",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).createInvitation(boardId)); },
                encodeBody(InvitationResponse { QStringLiteral("XYZ") }), "POST", boards + QStringLiteral("/invitations"),
                false, none } },
        { "removeMember",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).removeMember(boardId, userId)); }, "",
                "DELETE", boards + QStringLiteral("/users?userId=") + user, false, none } },
        { "transferOwnership",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).transferOwnership(boardId, userId)); }, "",
                "POST", boards + QStringLiteral("/users/transfer-ownership"), true,
                QStringLiteral(R"({"newOwnerId":"%1"})").arg(user).toUtf8() } },
        { "addItem",
            { [upsert](NetworkService* s) { return succeeds(BoardRepository(s).addItem(boardId, itemId, upsert)); },
                itemResponseBody(), "POST", items, true,
                QStringLiteral(R"({"boardId":"%1","content":"Write the report","createdAt":"2024-05-01T12:30:00Z","order":2,"status":"TODO"})")
                    .arg(board)
                    .toUtf8() } },
        { "updateItem moving",
            { [move](NetworkService* s) { return succeeds(BoardRepository(s).updateItem(boardId, itemId, move)); },
                itemResponseBody(), "PATCH", items, true, R"({"order":5,"revision":7})" } },
        { "updateItem clearing",
            { [clear](NetworkService* s) { return succeeds(BoardRepository(s).updateItem(boardId, itemId, clear)); },
                itemResponseBody(), "PATCH", items, true, R"({"archivedAt":null,"assignee":null,"revision":8})" } },
        { "deleteItem",
            { [](NetworkService* s) { return succeeds(BoardRepository(s).deleteItem(boardId, itemId)); },
                itemResponseBody(), "DELETE", items, false, none } },
        { "improveText",
            { [](NetworkService* s) {
                 return succeeds(BoardRepository(s).improveText(boardId, itemId, QStringLiteral("fix ths")));
             },
                encodeBody(ImproveTextResponse { QStringLiteral("fix ths"), QStringLiteral("Fix this.") }), "POST",
                items + QStringLiteral("/improve"), true, R"({"content":"fix ths"})" } },
        { "sendFeedback",
            { [](NetworkService* s) { return succeeds(FeedbackRepository(s).sendFeedback(QStringLiteral("Nice"))); },
                "", "POST", "/api/feedback", true, R"({"text":"Nice"})" } },
        { "fetchNotifications",
            { [](NetworkService* s) { return succeeds(NotificationRepository(s).fetchNotifications()); },
                encodeBody(NotificationFeedResponse { {}, 2 }), "GET", "/api/notifications?readOnly=true", false,
                none } },
        { "markAllNotificationsRead",
            { [](NetworkService* s) { return succeeds(NotificationRepository(s).markAllNotificationsRead()); }, "",
                "POST", "/api/notifications/read-all", true, none } },
        { "markNotificationRead",
            { [](NetworkService* s) { return succeeds(NotificationRepository(s).markNotificationRead(itemId)); }, "",
                "POST", QStringLiteral("/api/notifications/%1/read").arg(item), true,
                QStringLiteral(R"({"id":"%1"})").arg(item).toUtf8() } },
        { "fetchCurrentUser",
            { [](NetworkService* s) { return succeeds(UserRepository(s).fetchCurrentUser()); },
                encodeBody(CurrentUserResponse { sampleUser() }), "GET", "/api/users/me", true, none } },
    };
}
}

class RepositoriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void operation_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList names = operations().keys();
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }

    void operation()
    {
        QFETCH(QString, name);
        const Operation op = operations().value(name);
        ScriptedHttpServer server;
        server.script({ ScriptedReply::json(200, op.reply) });
        NetworkService service(server.baseUrl(), std::make_shared<MemoryTokenStore>());

        QVERIFY(op.call(&service));
        QCOMPARE(server.requests().size(), 1);
        const RecordedRequest& sent = server.requests().constFirst();
        QCOMPARE(sent.method, op.method);
        QCOMPARE(QString::fromUtf8(sent.target), op.target);
        QCOMPARE(sent.hasHeader("Content-Type"), op.json);
        if (op.json)
            QCOMPARE(sent.header("Content-Type"), QByteArray("application/json"));
        if (op.body.isEmpty()) {
            QVERIFY(sent.body.isEmpty());
        } else {
            const QJsonDocument received = QJsonDocument::fromJson(sent.body);
            QVERIFY2(received.isObject(), sent.body.constData());
            QCOMPARE(received, QJsonDocument::fromJson(op.body));
        }
    }

    // A repository hands the transport's error through unchanged.
    void errorsPassThrough()
    {
        ScriptedHttpServer server;
        server.script({ ScriptedReply::json(403, R"({"code":"BOARD_ACCESS_DENIED","message":"Gone"})") });
        NetworkService service(server.baseUrl(), std::make_shared<MemoryTokenStore>());
        const ApiResult<SyncResponse> result = QCoro::waitFor(BoardRepository(&service).syncBoard(boardId, {}));
        QVERIFY(!result);
        QCOMPARE(result.error().status, 403);
        QCOMPARE(result.error().code, QStringLiteral("BOARD_ACCESS_DENIED"));
        QCOMPARE(result.error().message, QStringLiteral("Gone"));
        QCOMPARE(result.error().path, QStringLiteral("/api/boards/") + board + QStringLiteral("/sync"));
    }

    void notificationFeedIsConverted()
    {
        RemoteNotificationResponse remote;
        remote.id = itemId;
        remote.type = QStringLiteral("BoardMemberJoined");
        remote.createdAt = QDateTime(QDate(2024, 5, 1), QTime(12, 30), Qt::UTC);
        ScriptedHttpServer server;
        server.script({ ScriptedReply::json(200, encodeBody(NotificationFeedResponse { { remote }, 5 })) });
        NetworkService service(server.baseUrl(), std::make_shared<MemoryTokenStore>());
        const ApiResult<NotificationFeed> feed = QCoro::waitFor(NotificationRepository(&service).fetchNotifications());
        QVERIFY(feed);
        QCOMPARE(feed->unreadCount, qint64(5));
        QCOMPARE(feed->items.size(), 1);
        QCOMPARE(feed->items.constFirst().id, itemId);
    }
};

QTEST_GUILESS_MAIN(RepositoriesTest)
#include "RepositoriesTest.moc"
