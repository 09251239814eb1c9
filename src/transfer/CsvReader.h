// Imports items from a CSV file, columns chosen by the header row in any letter case: the text
// (Content, Text, Title, Name, Task), Status (Todo, In Progress or Doing, Done, in any letter case
// and spacing, so the wire names pass too; empty for Todo), Order, Assignee (an id), Author,
// Created, Updated, Archived (a date, or yes/true/no/false), Board and Id. Other columns are
// ignored. Rows without a Board go to a board named after the file. Every problem is an error
// naming the line and the column.
#pragma once

#include "transfer/FileFormatError.h"
#include "transfer/ImportPlan.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <expected>

std::expected<ImportPlan, FileFormatError> readCsvImport(
    const QByteArray& bytes, const QString& defaultBoardName, const QDateTime& now);
