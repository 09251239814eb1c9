#include "WorkspaceFixture.h"

#include "domain/Ids.h"
#include "net/MemoryTokenStore.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>

WorkspaceClient::WorkspaceClient(DevServer* server, const QString& email)
    : m_server(server)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    if (m_server) {
        m_account = m_server->createAccount(email, email.section(QLatin1Char('@'), 0, 0));
        if (!m_account.isValid()) {
            m_error = QStringLiteral("account not created: ") + m_server->errorString();
            return;
        }
    }
    open();
}

WorkspaceClient::WorkspaceClient(const QUrl& serviceUrl, DevServer::Account account)
    : m_serviceUrl(serviceUrl)
    , m_account(std::move(account))
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    open();
}

WorkspaceClient::~WorkspaceClient()
{
    m_workspace.reset();
}

void WorkspaceClient::open()
{
    m_workspace.reset();
    m_api.reset();
    m_analytics.reset();
    m_preferences.reset();
    m_store.reset();

    auto store = StoreContext::open(m_dir.filePath(QStringLiteral("default.store")));
    if (!store) {
        m_error = store.error().message;
        return;
    }
    m_store = std::move(*store);
    m_preferences = std::make_unique<LocalStore>(m_dir.filePath(QStringLiteral("preferences.ini")));

    AnalyticsSettings settings;
    settings.token = QStringLiteral("test-token");
    settings.endpoint = QUrl(QStringLiteral("http://127.0.0.1:9/track")); // never reached: no flush runs
    settings.queueDirectory = m_dir.filePath(QStringLiteral("analytics"));
    settings.flushInterval = std::chrono::hours(24);
    m_analytics = std::make_unique<UsageAnalytics>(settings);
    m_analytics->initialize();

    const QString baseUrl = m_server ? m_server->baseUrl().toString()
        : m_serviceUrl.isValid()     ? m_serviceUrl.toString()
                                     : QStringLiteral("http://127.0.0.1:9");
    m_api = std::make_unique<NetworkService>(baseUrl, std::make_shared<MemoryTokenStore>());
    m_api->setRequestTimeout(std::chrono::seconds(5));
    if (m_account.isValid())
        QCoro::waitFor(m_api->setTokens(LoginTokens { m_account.accessToken, m_account.refreshToken }));

    m_workspace = std::make_unique<BoardViewModel>(
        BoardViewModel::Services { *m_store, *m_api, *m_preferences, m_toasts, *m_analytics });
    new ItemHistory(*m_workspace, *m_store, *m_api, m_toasts);
    m_valid = true;
}

void WorkspaceClient::reopen()
{
    open();
}

QList<TrackedEvent> WorkspaceClient::events() const
{
    QList<TrackedEvent> events;
    if (!m_analytics || !m_analytics->client())
        return events;
    QFile file(m_dir.filePath(QStringLiteral("analytics/events.jsonl")));
    if (!file.open(QIODevice::ReadOnly))
        return events;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (!event.isEmpty())
            events.append({ event.value(QStringLiteral("event")).toString(),
                event.value(QStringLiteral("properties")).toObject() });
    }
    return events;
}

std::optional<TrackedEvent> WorkspaceClient::lastEvent() const
{
    const auto all = events();
    if (all.isEmpty())
        return std::nullopt;
    return all.last();
}

Board WorkspaceClient::createBoard(const QString& name, StorageOption storage)
{
    QCoro::waitFor(m_workspace->createBoard(name, storage));
    return boardNamed(name).value_or(Board {});
}

Board WorkspaceClient::createSelectedBoard(const QString& name, StorageOption storage)
{
    const Board board = createBoard(name, storage);
    QCoro::waitFor(m_workspace->selectBoard(board.id));
    return board;
}

Item WorkspaceClient::addItem(const QUuid& boardId, const QString& content, ItemStatus status)
{
    const Board shown = board(boardId);
    const Item item = newItem(shown, content, status);
    QCoro::waitFor(m_workspace->addItem(item, shown));
    return shownItem(boardId, item.id).value_or(Item {});
}

std::optional<Board> WorkspaceClient::boardNamed(const QString& name)
{
    for (const Board& board : m_workspace->boards()) {
        if (board.name == name)
            return board;
    }
    return std::nullopt;
}

Board WorkspaceClient::board(const QUuid& boardId)
{
    return m_workspace->findBoard(boardId).value_or(Board {});
}

std::optional<Item> WorkspaceClient::shownItem(const QUuid& boardId, const QUuid& itemId)
{
    const auto board = m_workspace->findBoard(boardId);
    if (!board)
        return std::nullopt;
    for (const Item& item : board->items) {
        if (item.id == itemId)
            return item;
    }
    return std::nullopt;
}

std::optional<Item> WorkspaceClient::storedItem(const QUuid& itemId)
{
    const auto record = LocalDataService::fetchLocalItem(itemId, *m_store);
    return record ? std::optional(toItem(*record)) : std::nullopt;
}

std::optional<Board> WorkspaceClient::heldBoard(const QUuid& boardId) const
{
    for (const Board& board : m_workspace->boards()) {
        if (board.id == boardId)
            return board;
    }
    return std::nullopt;
}

bool WorkspaceClient::storeBoard(const Board& board)
{
    m_store->insert(makeLocalBoard(board));
    return m_store->save().has_value();
}

Board WorkspaceClient::storeNewBoard(const QString& name, bool cloud, bool active)
{
    const Board board = boardRecord(name, cloud, active);
    return storeBoard(board) ? board : Board {};
}

bool WorkspaceClient::storeItem(const Item& item)
{
    m_store->insert(makeLocalItem(item));
    return m_store->save().has_value();
}

qsizetype WorkspaceClient::pendingCount(const QUuid& boardId)
{
    return m_store->countItems(LocalDataService::unsyncedItemsQuery(boardId)).value_or(-1);
}

QString WorkspaceClient::lastEventName() const
{
    const auto event = lastEvent();
    return event ? event->name : QString();
}

QJsonValue WorkspaceClient::lastEventProperty(const QString& key) const
{
    const auto event = lastEvent();
    return event ? event->properties.value(key) : QJsonValue(QJsonValue::Undefined);
}

std::optional<Board> shareBoard(WorkspaceClient& owner, WorkspaceClient& member, const Board& board)
{
    const auto code = QCoro::waitFor(owner.workspace().createInvitation(board));
    if (!code || !QCoro::waitFor(member.workspace().joinBoard(*code)))
        return std::nullopt;
    return member.workspace().findBoard(board.id);
}

Item WorkspaceClient::newItem(const Board& board, const QString& content, ItemStatus status) const
{
    Item item;
    item.id = QUuid::createUuid();
    item.content = content;
    item.status = status;
    qint64 largest = 0;
    for (const Item& existing : board.items)
        largest = std::max(largest, existing.order);
    item.order = largest + 1;
    item.boardId = board.id;
    item.createdBy = m_account.isValid() ? userId() : QUuid();
    item.createdAt = QDateTime::currentDateTimeUtc();
    item.updatedAt = item.createdAt;
    return item;
}

QString serviceBoardPath(const QUuid& boardId)
{
    return QStringLiteral("/api/boards/") + uuidText(boardId);
}

QStringList boardNames(const QList<Board>& boards)
{
    QStringList names;
    for (const Board& board : boards)
        names << board.name;
    return names;
}

Board boardRecord(const QString& name, bool cloud, bool active)
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = name;
    board.createdAt = QDateTime::currentDateTimeUtc();
    board.updatedAt = board.createdAt;
    board.syncWithServer = cloud;
    board.createdBy = QStringLiteral("n/a");
    board.isActive = active;
    return board;
}

QUuid addOnService(DevServer& server, const WorkspaceClient& client, const QUuid& boardId, const QString& content)
{
    const QUuid id = QUuid::createUuid();
    const QJsonObject body {{"content", content}, {"status", "TODO"}, {"order", 1},
        {"createdAt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}, {"boardId", uuidText(boardId)}};
    const auto reply = server.request("POST",
        serviceBoardPath(boardId) + QStringLiteral("/items/") + uuidText(id),
        QJsonDocument(body).toJson(), client.account().accessToken);
    return reply.status == 200 ? id : QUuid();
}

bool removeMember(DevServer& server, const WorkspaceClient& owner, const QUuid& boardId, const QUuid& memberId)
{
    return server
               .request("DELETE", serviceBoardPath(boardId) + QStringLiteral("/users?userId=") + uuidText(memberId),
                   std::nullopt, owner.account().accessToken)
               .status
        == 204;
}
