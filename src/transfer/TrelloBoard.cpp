#include "transfer/TrelloBoard.h"

#include "transfer/JsonFieldReader.h"

#include <QHash>

#include <algorithm>

namespace {

// Trello ids are MongoDB object ids: 24 hex digits, the first 8 the creation time in Unix seconds.
std::optional<QDateTime> creationOfId(const QString& id)
{
    if (id.size() != 24)
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = id.left(8).toLongLong(&ok, 16);
    if (!ok)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

QHash<QString, QString> namesById(JsonFieldReader& root, const QString& key, const QString& nameKey,
    const QString& fallbackKey)
{
    QHash<QString, QString> names;
    const QJsonArray entries = root.array(key, false);
    for (qsizetype i = 0; i < entries.size() && !root.failed(); ++i) {
        JsonFieldReader entry = root.element(entries, key, i);
        const QString id = entry.string(QStringLiteral("id"));
        QString name = entry.optionalString(nameKey).value_or(QString());
        if (name.isEmpty())
            name = entry.optionalString(fallbackKey).value_or(QString());
        names.insert(id, name);
    }
    return names;
}

QStringList textList(JsonFieldReader& reader, const QString& key)
{
    QStringList texts;
    const QJsonArray values = reader.array(key, false);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!values.at(i).isString()) {
            reader.fail(QStringLiteral("%1[%2]").arg(key).arg(i), QStringLiteral("expected text"));
            break;
        }
        texts << values.at(i).toString();
    }
    return texts;
}

}

bool looksLikeTrelloBoard(const QJsonObject& root)
{
    return root.value(QStringLiteral("lists")).isArray() && root.value(QStringLiteral("cards")).isArray();
}

std::expected<TrelloBoard, FileFormatError> readTrelloBoard(const QJsonObject& root)
{
    JsonFieldReader reader(root, {});
    TrelloBoard board;
    board.id = reader.string(QStringLiteral("id"));
    board.name = reader.string(QStringLiteral("name"));
    board.description = reader.optionalString(QStringLiteral("desc")).value_or(QString());
    board.closed = reader.optionalBoolean(QStringLiteral("closed")).value_or(false);

    const QHash<QString, QString> labelNames
        = namesById(reader, QStringLiteral("labels"), QStringLiteral("name"), QStringLiteral("color"));
    const QHash<QString, QString> memberNames
        = namesById(reader, QStringLiteral("members"), QStringLiteral("fullName"), QStringLiteral("username"));

    const QString listsKey = QStringLiteral("lists");
    const QJsonArray lists = reader.array(listsKey);
    QHash<QString, qsizetype> listIndex;
    for (qsizetype i = 0; i < lists.size() && !reader.failed(); ++i) {
        JsonFieldReader entry = reader.element(lists, listsKey, i);
        TrelloList list;
        list.id = entry.string(QStringLiteral("id"));
        list.name = entry.string(QStringLiteral("name"));
        list.closed = entry.optionalBoolean(QStringLiteral("closed")).value_or(false);
        list.pos = entry.number(QStringLiteral("pos"), double(i));
        listIndex.insert(list.id, i);
        board.lists.append(list);
    }
    std::stable_sort(board.lists.begin(), board.lists.end(),
        [](const TrelloList& a, const TrelloList& b) { return a.pos < b.pos; });

    const QString checklistsKey = QStringLiteral("checklists");
    const QJsonArray checklists = reader.array(checklistsKey, false);
    QHash<QString, QList<TrelloChecklist>> checklistsOfCard;
    for (qsizetype i = 0; i < checklists.size() && !reader.failed(); ++i) {
        JsonFieldReader entry = reader.element(checklists, checklistsKey, i);
        TrelloChecklist checklist;
        const QString cardId = entry.string(QStringLiteral("idCard"));
        checklist.name = entry.optionalString(QStringLiteral("name")).value_or(QString());
        checklist.pos = entry.number(QStringLiteral("pos"), double(i));
        const QString itemsKey = QStringLiteral("checkItems");
        const QJsonArray items = entry.array(itemsKey, false);
        for (qsizetype j = 0; j < items.size() && !reader.failed(); ++j) {
            JsonFieldReader item = entry.element(items, itemsKey, j);
            TrelloChecklist::Entry checkItem;
            checkItem.name = item.string(QStringLiteral("name"));
            checkItem.complete = item.optionalString(QStringLiteral("state")) == QStringLiteral("complete");
            checkItem.pos = item.number(QStringLiteral("pos"), double(j));
            checklist.entries.append(checkItem);
        }
        std::stable_sort(checklist.entries.begin(), checklist.entries.end(),
            [](const auto& a, const auto& b) { return a.pos < b.pos; });
        checklistsOfCard[cardId].append(checklist);
    }

    const QString cardsKey = QStringLiteral("cards");
    const QJsonArray cards = reader.array(cardsKey);
    for (qsizetype i = 0; i < cards.size() && !reader.failed(); ++i) {
        JsonFieldReader entry = reader.element(cards, cardsKey, i);
        TrelloCard card;
        card.id = entry.string(QStringLiteral("id"));
        card.name = entry.string(QStringLiteral("name"));
        card.description = entry.optionalString(QStringLiteral("desc")).value_or(QString());
        card.listId = entry.string(QStringLiteral("idList"));
        if (!reader.failed() && !listIndex.contains(card.listId))
            entry.fail(QStringLiteral("idList"), QStringLiteral("no list has the id \"%1\"").arg(card.listId.left(40)));
        card.closed = entry.optionalBoolean(QStringLiteral("closed")).value_or(false);
        card.pos = entry.number(QStringLiteral("pos"), double(i));
        card.lastActivity = entry.optionalDate(QStringLiteral("dateLastActivity"));
        card.created = creationOfId(card.id);
        if (cards.at(i).toObject().contains(QStringLiteral("labels"))) {
            const QString labelsKey = QStringLiteral("labels");
            const QJsonArray labels = entry.array(labelsKey, false);
            for (qsizetype j = 0; j < labels.size() && !reader.failed(); ++j) {
                JsonFieldReader label = entry.element(labels, labelsKey, j);
                QString name = label.optionalString(QStringLiteral("name")).value_or(QString());
                if (name.isEmpty())
                    name = label.optionalString(QStringLiteral("color")).value_or(QString());
                if (!name.isEmpty())
                    card.labels << name;
            }
        } else {
            for (const QString& id : textList(entry, QStringLiteral("idLabels"))) {
                if (const QString name = labelNames.value(id); !name.isEmpty())
                    card.labels << name;
            }
        }
        for (const QString& id : textList(entry, QStringLiteral("idMembers"))) {
            if (const QString name = memberNames.value(id); !name.isEmpty())
                card.members << name;
        }
        card.checklists = checklistsOfCard.value(card.id);
        std::stable_sort(card.checklists.begin(), card.checklists.end(),
            [](const auto& a, const auto& b) { return a.pos < b.pos; });
        board.cards.append(card);
    }
    if (reader.failed())
        return std::unexpected(reader.error());
    return board;
}
