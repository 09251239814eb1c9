#include "transfer/TrelloImport.h"

#include "transfer/ImportIds.h"
#include "workspace/ItemMerge.h"

#include <algorithm>
#include <array>

namespace {

bool fits(const QString& text)
{
    return itemTextPrefix(text, maxItemCharacters).size() == text.size();
}

QStringList extraBlocks(const TrelloCard& card)
{
    QStringList blocks;
    if (!card.labels.isEmpty())
        blocks << QStringLiteral("Labels: ") + card.labels.join(QStringLiteral(", "));
    if (!card.members.isEmpty())
        blocks << QStringLiteral("Members: ") + card.members.join(QStringLiteral(", "));
    for (const TrelloChecklist& checklist : card.checklists) {
        QStringList lines;
        if (!checklist.name.isEmpty())
            lines << checklist.name + QLatin1Char(':');
        for (const auto& entry : checklist.entries)
            lines << (entry.complete ? QStringLiteral("- [x] ") : QStringLiteral("- [ ] ")) + entry.name;
        blocks << lines.join(QLatin1Char('\n'));
    }
    return blocks;
}

}

std::optional<ItemStatus> statusForListName(const QString& name)
{
    QString key;
    for (const QChar c : name) {
        if (c.isLetterOrNumber())
            key.append(c.toLower());
    }
    if (key == QLatin1String("todo"))
        return ItemStatus::todo;
    if (key == QLatin1String("inprogress") || key == QLatin1String("doing"))
        return ItemStatus::inProgress;
    if (key == QLatin1String("done"))
        return ItemStatus::done;
    return std::nullopt;
}

QList<TrelloList> listsNeedingStatus(const TrelloBoard& board)
{
    QList<TrelloList> lists;
    for (const TrelloList& list : board.lists) {
        if (!statusForListName(list.name))
            lists.append(list);
    }
    return lists;
}

ImportPlan planTrelloImport(const TrelloBoard& trello, const QHash<QString, ItemStatus>& chosen, const QDateTime& now)
{
    ImportPlan plan;
    Board board;
    board.id = importedId(QUuid(), QStringLiteral("trello-board/") + trello.id);
    board.name = trello.name;
    board.createdAt = now;
    board.updatedAt = now;
    board.createdBy = QStringLiteral("n/a");
    board.isActive = !trello.closed;
    if (!trello.description.trimmed().isEmpty())
        board.info = trello.description;

    QHash<QString, qsizetype> listRank;
    QHash<QString, const TrelloList*> listOfId;
    for (qsizetype i = 0; i < trello.lists.size(); ++i) {
        listRank.insert(trello.lists.at(i).id, i);
        listOfId.insert(trello.lists.at(i).id, &trello.lists.at(i));
    }
    QList<const TrelloCard*> cards;
    for (const TrelloCard& card : trello.cards)
        cards.append(&card);
    std::stable_sort(cards.begin(), cards.end(), [&listRank](const TrelloCard* a, const TrelloCard* b) {
        const qsizetype rankA = listRank.value(a->listId);
        const qsizetype rankB = listRank.value(b->listId);
        return rankA != rankB ? rankA < rankB : a->pos < b->pos;
    });

    std::array<qint64, 3> nextOrder {1, 1, 1};
    for (const TrelloCard* card : std::as_const(cards)) {
        const TrelloList* list = listOfId.value(card->listId);
        Item item;
        item.id = importedId(board.id, QStringLiteral("card/") + card->id);
        item.boardId = board.id;
        item.status = list ? statusForListName(list->name).value_or(chosen.value(list->id, ItemStatus::todo))
                           : ItemStatus::todo;
        item.order = nextOrder.at(size_t(item.status))++;
        item.createdAt = card->created.value_or(now);
        item.updatedAt = card->lastActivity.value_or(item.createdAt);
        if (card->closed || (list && list->closed))
            item.archivedAt = item.updatedAt;

        QString text = card->name.trimmed();
        if (!card->description.trimmed().isEmpty())
            text += QStringLiteral("\n\n") + card->description.trimmed();
        if (text.isEmpty())
            text = QStringLiteral("Untitled card");
        bool shortened = false;
        text = fittedItemText(text, shortened);
        if (shortened)
            plan.shortenedItems << card->name.left(40).simplified();
        for (const QString& block : extraBlocks(*card)) {
            const QString longer = text + QStringLiteral("\n\n") + block;
            if (fits(longer))
                text = longer;
            else
                ++plan.extrasLeftOut;
        }
        item.content = text;
        board.items.append(std::move(item));
    }
    plan.archive.boards.append(std::move(board));
    return plan;
}
