// What export and import do with files, shared by the command line and the window: the format
// follows the file's extension, an export is written whole or not at all (never a half file over an
// older one), and an import file is read whole before anything is stored. Pure apart from the file
// itself, so it can run off the UI thread.
#pragma once

#include "transfer/BoardArchive.h"
#include "transfer/FileFormatError.h"
#include "transfer/ImportPlan.h"
#include "transfer/TrelloBoard.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <expected>
#include <optional>

enum class ExportFormat { archive, markdown, csv };

// .json, .md (or .markdown) and .csv, in any letter case.
std::expected<ExportFormat, QString> exportFormatForFile(const QString& fileName);
QByteArray encodeExport(const BoardArchive& archive, ExportFormat format, const QDateTime& now);
std::expected<void, QString> writeWholeFile(const QString& fileName, const QByteArray& bytes);

// An import file, read: either a plan ready to apply (an archive, a CSV file) or a Trello board,
// whose lists may first need a status each (TrelloImport).
struct ImportFile
{
    std::optional<ImportPlan> plan;
    std::optional<TrelloBoard> trello;
};

std::expected<QByteArray, QString> readWholeFile(const QString& fileName);
std::expected<ImportFile, FileFormatError> readImportFile(
    const QByteArray& bytes, const QString& fileName, const QDateTime& now);
