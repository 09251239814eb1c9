// The CSV export: one row per item (deletion tombstones left out) with its board, text, status,
// order, assignee, author, dates and archive date, under a header row. Columns are the ones
// CsvReader knows, so a CSV export imports back into the same items.
#pragma once

#include "domain/Board.h"

#include <QByteArray>
#include <QList>

QByteArray writeCsv(const QList<Board>& boards);
