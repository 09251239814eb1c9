// The order in which exports list a board's items: by column (Todo, In Progress, Done), then by
// order within the column, as the board shows them (the stored order among equals).
#pragma once

#include "domain/Item.h"

#include <QList>

QList<Item> itemsInBoardOrder(QList<Item> items);
