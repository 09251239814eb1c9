#include "WorkspaceFixture.h"

#include "domain/Ids.h"
#include "net/MemoryTokenStore.h"
#include "store/LocalDataService.h"
#include "store/LocalRecordConversions.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QJsonArray>
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

ServiceBoard serviceBoard(DevServer& server, const WorkspaceClient& client, const QUuid& boardId)
{
    const auto reply = server.request("POST", serviceBoardPath(boardId) + QStringLiteral("/sync"),
        QByteArray(R"({"checkpoint":0,"items":[]})"), client.account().accessToken);
    ServiceBoard board;
    if (reply.status != 200)
        return board;
    const QJsonObject answer = reply.object();
    for (const QJsonValue& item : answer.value(QStringLiteral("newItems")).toArray())
        board.live.insert(QUuid::fromString(item[QStringLiteral("id")].toString()), item.toObject());
    for (const QJsonValue& id : answer.value(QStringLiteral("deletedItems")).toArray())
        board.deleted.insert(QUuid::fromString(id.toString()));
    board.checkpoint = answer.value(QStringLiteral("latestCheckpoint")).toInteger(-1);
    return board;
}
