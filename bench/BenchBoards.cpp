#include "BenchBoards.h"

#include "domain/Ids.h"
#include "domain/WireConversions.h"
#include "store/LocalRecordConversions.h"
#include "store/StoreContext.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QDateTime origin = QDateTime(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);

QString contentOf(int index)
{
    // Different words per item so a search narrows the list the way real texts do.
    static const char* const topics[] = {"release", "invoice", "design review", "onboarding", "backup",
        "roadmap", "customer call", "budget", "hiring", "migration", "security audit", "newsletter"};
    const QString topic = QString::fromLatin1(topics[index % 12]);
    return QStringLiteral("**%1 #%2**: follow up with @alice about the *%1* by %3/06/2024, see "
                          "https://plenko.net/notes/%2 and ~~the old list~~")
        .arg(topic)
        .arg(index)
        .arg(1 + index % 28, 2, 10, QLatin1Char('0'));
}
}

QList<QUuid> BenchBoards::members()
{
    static const QList<QUuid> ids {QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid(),
        QUuid::createUuid()};
    return ids;
}

Board BenchBoards::localBoard(int index)
{
    Board board;
    board.id = QUuid::createUuid();
    board.name = QStringLiteral("Board %1").arg(index + 1);
    board.createdAt = origin.addDays(index);
    board.updatedAt = board.createdAt;
    board.createdBy = QStringLiteral("bench");
    return board;
}

Board BenchBoards::cloudBoard(const QUuid& id)
{
    Board board = localBoard(0);
    board.id = id;
    board.name = QStringLiteral("Team");
    board.syncWithServer = true;
    return board;
}

QByteArray BenchBoards::boardDetailsBody(const QUuid& boardId)
{
    const QString board = uuidText(boardId);
    const QString owner = uuidText(members().first());
    const QJsonObject ownerUser {{QStringLiteral("userId"), owner}, {QStringLiteral("email"), QStringLiteral("owner@example.com")},
        {QStringLiteral("grantedAt"), QStringLiteral("2024-05-01T10:00:00Z")}, {QStringLiteral("role"), QStringLiteral("OWNER")},
        {QStringLiteral("boardId"), board}};
    const QJsonObject details {{QStringLiteral("board"),
                                   QJsonObject {{QStringLiteral("id"), board}, {QStringLiteral("name"), QStringLiteral("Team")},
                                       {QStringLiteral("createdAt"), QStringLiteral("2024-05-01T10:00:00Z")},
                                       {QStringLiteral("updatedAt"), QStringLiteral("2024-05-01T10:00:00Z")},
                                       {QStringLiteral("createdBy"), QStringLiteral("owner@example.com")},
                                       {QStringLiteral("revision"), 0}}},
        {QStringLiteral("boardOwner"), ownerUser}, {QStringLiteral("users"), QJsonArray {ownerUser}}};
    return QJsonDocument(details).toJson(QJsonDocument::Compact);
}

SyncResponse BenchBoards::syncAnswer(const QUuid& boardId, int count)
{
    SyncResponse response;
    response.boardName = QStringLiteral("Team");
    response.latestCheckpoint = count;
    for (int i = 0; i < count; ++i)
        response.newItems.append(remoteItem(boardId, i));
    return response;
}

Item BenchBoards::item(const QUuid& boardId, int index)
{
    Item item;
    item.id = QUuid::createUuid();
    item.content = contentOf(index);
    item.status = allItemStatuses.at(static_cast<size_t>(index % 3));
    item.order = index;
    item.boardId = boardId;
    item.createdBy = members().at(0);
    if (index % 3 != 0)
        item.assignee = members().at(index % 4);
    item.createdAt = origin.addSecs(index * 60);
    item.updatedAt = item.createdAt.addSecs(30);
    if (index % 10 == 9)
        item.archivedAt = item.updatedAt;
    item.revision = index + 1;
    item.didSync = true;
    return item;
}

RemoteItem BenchBoards::remoteItem(const QUuid& boardId, int index)
{
    return remoteFromItem(item(boardId, index));
}

QList<Board> BenchBoards::fill(StoreContext& store, int boardCount, int itemCount, int firstBoardItems)
{
    QList<Board> boards;
    const int others = boardCount > 1 ? (itemCount - firstBoardItems) / (boardCount - 1) : 0;
    int remaining = itemCount;
    for (int b = 0; b < boardCount; ++b) {
        Board board = localBoard(b);
        int count = b == 0 ? firstBoardItems : (b == boardCount - 1 ? remaining : others);
        remaining -= count;
        store.insert(makeLocalBoard(board));
        for (int i = 0; i < count; ++i) {
            board.items.append(item(board.id, i));
            store.insert(makeLocalItem(board.items.last()));
        }
        boards.append(board);
    }
    if (auto saved = store.save(); !saved)
        qFatal("bench data not stored: %s", qPrintable(saved.error().message));
    return boards;
}
