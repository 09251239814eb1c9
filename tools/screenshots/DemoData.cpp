#include "DemoData.h"

#include "workspace/BoardViewModel.h"

#include <QCoro/QCoroTask>

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
    for (const QString& name : { QStringLiteral("Product Launch"), QStringLiteral("On My Mac"),
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
