#include "DemoData.h"

#include "sidebar/SidebarLayoutController.h"
#include "workspace/BoardViewModel.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>

namespace {
const QUuid danaId(QStringLiteral("{6f1c2a8e-0d55-4c4b-9a51-3b1f4e2d7a01}"));
const QUuid samId(QStringLiteral("{6f1c2a8e-0d55-4c4b-9a51-3b1f4e2d7a02}"));

BoardUser member(const QUuid& boardId, const QUuid& id, const QString& email, const QString& name)
{
    BoardUser user;
    user.userId = id;
    user.email = email;
    user.displayName = name;
    user.boardId = boardId;
    return user;
}

std::optional<Board> boardNamed(BoardViewModel& workspace, const QString& name)
{
    for (const Board& board : workspace.boards()) {
        if (board.name == name)
            return board;
    }
    return std::nullopt;
}

Item add(BoardViewModel& workspace, const QUuid& boardId, const QString& content, ItemStatus status,
    std::optional<QUuid> assignee = std::nullopt)
{
    const Board board = workspace.findBoard(boardId).value_or(Board {});
    qint64 order = 0;
    for (const Item& item : board.items)
        order = std::max(order, item.order);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Item item;
    item.id = QUuid::createUuid();
    item.content = content;
    item.status = status;
    item.order = order + 1;
    item.boardId = boardId;
    item.assignee = assignee;
    item.author = QStringLiteral("Dana Reyes");
    item.createdAt = now.addDays(-3);
    item.updatedAt = now.addSecs(-3600);
    QCoro::waitFor(workspace.addItem(item, board));
    return item;
}
}

void DemoData::fill(BoardViewModel& workspace)
{
    for (const QString& name : { QStringLiteral("Product Launch"), QStringLiteral("On This Computer"),
             QStringLiteral("Home Renovation"), QStringLiteral("Reading List"), QStringLiteral("Q3 Planning") })
        QCoro::waitFor(workspace.createBoard(name, StorageOption::local));

    Board launch = *boardNamed(workspace, QStringLiteral("Product Launch"));
    const BoardUser dana = member(launch.id, danaId, QStringLiteral("dana@plenko.net"), QStringLiteral("Dana Reyes"));
    const BoardUser sam = member(launch.id, samId, QStringLiteral("sam@plenko.net"), QStringLiteral("Sam Okafor"));
    launch.users = { dana, sam };
    launch.info = QStringLiteral("Everything for the 2.0 launch. Stand-up on Mondays, demo on Fridays.");
    workspace.applyBoardUpdate(launch);

    add(workspace, launch.id,
        QStringLiteral("Draft the **release notes** for 2.0 and share them with @sam before tomorrow"),
        ItemStatus::todo, dana.userId);
    add(workspace, launch.id,
        QStringLiteral("Landing page checklist:\n- hero copy\n- pricing table\n- [x] screenshots"),
        ItemStatus::todo, sam.userId);
    add(workspace, launch.id, QStringLiteral("Book the launch webinar for next Friday 3pm"), ItemStatus::todo);
    add(workspace, launch.id,
        QStringLiteral("Review the onboarding flow in https://plenko.net/onboarding with *fresh eyes*"),
        ItemStatus::todo, dana.userId);
    add(workspace, launch.id,
        QStringLiteral("Long one: collect feedback from the beta group, sort it by theme, and write a short summary "
                       "for each theme with the three most requested changes, the effort we expect for each, and "
                       "who should own it. Then share the summary in the team channel and ask everybody to add "
                       "anything that is missing before the planning meeting on Monday. Keep it under one page."),
        ItemStatus::todo);
    add(workspace, launch.id, QStringLiteral("Press kit: logos, ~~old~~ new screenshots, founder quotes"),
        ItemStatus::inProgress, sam.userId);
    add(workspace, launch.id, QStringLiteral("Fix the crash when pasting long links"), ItemStatus::inProgress);
    add(workspace, launch.id, QStringLiteral("Set up the status page"), ItemStatus::done);
    add(workspace, launch.id, QStringLiteral("Migrate the docs to the new theme"), ItemStatus::done, dana.userId);
    const Item oldItem = add(workspace, launch.id, QStringLiteral("Pick a launch date"), ItemStatus::done);
    const Item older = add(workspace, launch.id, QStringLiteral("Name the release"), ItemStatus::done);
    for (const Item& item : { oldItem, older }) {
        const std::optional<Board> board = workspace.findBoard(launch.id);
        for (const Item& stored : board->items) {
            if (stored.id == item.id)
                QCoro::waitFor(workspace.setItemArchived(stored, true));
        }
    }

    const Board home = *boardNamed(workspace, QStringLiteral("Home Renovation"));
    add(workspace, home.id, QStringLiteral("Order tiles for the bathroom"), ItemStatus::todo);
    add(workspace, home.id, QStringLiteral("Call the electrician on Tuesday"), ItemStatus::inProgress);

    Board old = *boardNamed(workspace, QStringLiteral("Q3 Planning"));
    QCoro::waitFor(workspace.setBoardArchived(old));

    QCoro::waitFor(workspace.selectBoard(launch.id));
    addMembers(workspace);
}

void DemoData::addMembers(BoardViewModel& workspace)
{
    // Local boards keep no members in the store; the demo board gets its two for mentions and assignees.
    Board shown = workspace.selectedBoard();
    shown.users = { member(shown.id, danaId, QStringLiteral("dana@plenko.net"), QStringLiteral("Dana Reyes")),
        member(shown.id, samId, QStringLiteral("sam@plenko.net"), QStringLiteral("Sam Okafor")) };
    shown.info = QStringLiteral("Everything for the 2.0 launch. Stand-up on Mondays, demo on Fridays.");
    workspace.applyBoardUpdate(shown);
}

bool DemoData::fillService(DemoService& service, const DemoService::Account& dana, const DemoService::Account& sam,
    const DemoService::Account& lee)
{
    QString roadmapId;
    for (const QString& name :
        {QStringLiteral("Team Roadmap"), QStringLiteral("Marketing Site"), QStringLiteral("Customer Support")}) {
        const std::optional<QJsonObject> board
            = service.request("POST", QStringLiteral("/api/boards"), {{QStringLiteral("name"), name}}, dana.accessToken);
        if (!board)
            return false;
        if (roadmapId.isEmpty())
            roadmapId = board->value(QStringLiteral("id")).toString();
    }
    // Codes are used once: one each.
    for (const DemoService::Account* joiner : {&sam, &lee}) {
        const std::optional<QJsonObject> invitation = service.request(
            "POST", QStringLiteral("/api/boards/%1/invitations").arg(roadmapId), {}, dana.accessToken);
        if (!invitation)
            return false;
        const QString code = invitation->value(QStringLiteral("code")).toString();
        if (!service.request("PATCH", QStringLiteral("/api/boards/invitations?code=%1").arg(code), {},
                joiner->accessToken))
            return false;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const struct
    {
        const char* content;
        const char* status;
        bool forDana;
        int daysAgo;
    } items[] = {
        {"Write the Q4 roadmap summary for the all-hands", "TODO", true, 2},
        {"Review the pricing experiment results", "IN_PROGRESS", true, 1},
        {"Sketch the onboarding checklist", "TODO", false, 3},
        {"Ship the export to CSV", "DONE", false, 6},
    };
    qint64 order = 0;
    for (const auto& item : items) {
        QJsonObject body {{QStringLiteral("content"), QString::fromUtf8(item.content)},
            {QStringLiteral("status"), QString::fromLatin1(item.status)}, {QStringLiteral("order"), ++order},
            {QStringLiteral("createdAt"), now.addDays(-item.daysAgo).toString(Qt::ISODate)},
            {QStringLiteral("boardId"), roadmapId}};
        if (item.forDana)
            body.insert(QStringLiteral("assignee"), dana.userId);
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        if (!service.request("POST", QStringLiteral("/api/boards/%1/items/%2").arg(roadmapId, id), body,
                sam.accessToken))
            return false;
    }
    return true;
}

QUuid DemoData::addHistoryBoard(BoardViewModel& workspace)
{
    const QString name = QStringLiteral("Support Desk");
    QCoro::waitFor(workspace.createBoard(name, StorageOption::local));
    const Board board = *boardNamed(workspace, name);
    const QStringList tasks {QStringLiteral("Answer the refund request"), QStringLiteral("Triage new tickets"),
        QStringLiteral("Update the FAQ"), QStringLiteral("Call back about the invoice"),
        QStringLiteral("Reproduce the sync report"), QStringLiteral("Write the weekly summary"),
        QStringLiteral("Close stale tickets"), QStringLiteral("Check the login complaints")};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // A fixed pseudo-random sequence: the same pictures on every run.
    quint32 seed = 20240501;
    const auto next = [&seed](quint32 range) {
        seed = seed * 1664525U + 1013904223U;
        return (seed >> 8) % range;
    };
    QList<Item> items;
    qint64 order = 0;
    for (int day = 730; day >= 0; --day) {
        const QDate date = now.date().addDays(-day);
        // Busier in the spring and autumn, quieter on weekends.
        const int month = date.month();
        const int busy = (month >= 3 && month <= 5) || (month >= 9 && month <= 11) ? 3 : 2;
        const int count = date.dayOfWeek() >= 6 ? int(next(2)) : int(next(busy + 1));
        for (int n = 0; n < count; ++n) {
            Item item;
            item.id = QUuid::createUuid();
            item.content = tasks.at(qsizetype(next(quint32(tasks.size()))));
            item.order = ++order;
            item.boardId = board.id;
            item.author = QStringLiteral("Dana Reyes");
            item.createdAt = QDateTime(date, QTime(8 + int(next(9)), int(next(60))), Qt::UTC);
            const int daysOpen = int(next(12));
            if (day > 14 || daysOpen < day) {
                item.status = ItemStatus::done;
                item.updatedAt = item.createdAt.addDays(daysOpen).addSecs(3600 * qint64(next(6)));
            } else {
                item.status = next(3) == 0 ? ItemStatus::inProgress : ItemStatus::todo;
                item.updatedAt = item.createdAt.addSecs(600);
            }
            if (item.updatedAt > now)
                item.updatedAt = now;
            items.append(item);
        }
    }
    for (const Item& item : items)
        QCoro::waitFor(workspace.addItem(item, *workspace.findBoard(board.id)));
    return board.id;
}

void DemoData::addDividers(SidebarLayoutController& layout)
{
    const struct
    {
        int section; // 0 local, 1 cloud
        qsizetype boardRow;
        SidebarDividerColor color;
    } dividers[] = {
        // Later rows first, so the earlier rows keep their index.
        {0, 3, SidebarDividerColor::green},
        {0, 1, SidebarDividerColor::accent},
        {1, 1, SidebarDividerColor::orange},
        {1, 0, SidebarDividerColor::purple},
    };
    for (const auto& divider : dividers) {
        const QString scope = SidebarLayoutController::scopes().at(divider.section);
        if (layout.insertDivider(scope, divider.boardRow, true))
            layout.recolorDivider(scope, divider.boardRow + 1, divider.color);
    }
}
