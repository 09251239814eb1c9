// Turns a Trello board into one of our boards. Lists map to the three statuses: by name where the
// name is a status ("To Do", "Doing", "In Progress", "Done", in any letter case), otherwise as the
// user chose. A card becomes an item whose text is its name and description, cut to the item length
// with a note of each cut; its labels, members and checklists follow in the text while they fit.
// Closed cards, and the cards of closed lists, are archived.
#pragma once

#include "domain/ItemStatus.h"
#include "transfer/ImportPlan.h"
#include "transfer/TrelloBoard.h"

#include <QDateTime>
#include <QHash>
#include <QList>

#include <optional>

std::optional<ItemStatus> statusForListName(const QString& name);

// The lists whose names are no status, in board order: the ones to ask about.
QList<TrelloList> listsNeedingStatus(const TrelloBoard& board);

// `chosen` gives the status of every list that listsNeedingStatus returned, by list id; a list
// missing from it goes to Todo.
ImportPlan planTrelloImport(const TrelloBoard& board, const QHash<QString, ItemStatus>& chosen, const QDateTime& now);
