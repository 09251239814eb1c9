#include "transfer/TransferFiles.h"

#include "transfer/ArchiveReader.h"
#include "transfer/ArchiveWriter.h"
#include "transfer/CsvReader.h"
#include "transfer/CsvWriter.h"
#include "transfer/JsonFieldReader.h"
#include "transfer/MarkdownWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::expected<ExportFormat, QString> exportFormatForFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("json"))
        return ExportFormat::archive;
    if (suffix == QLatin1String("md") || suffix == QLatin1String("markdown"))
        return ExportFormat::markdown;
    if (suffix == QLatin1String("csv"))
        return ExportFormat::csv;
    return std::unexpected(
        QStringLiteral("Plenko exports to .json (a full archive), .md (Markdown) or .csv files, not \"%1\".")
            .arg(QFileInfo(fileName).fileName()));
}

QByteArray encodeExport(const BoardArchive& archive, ExportFormat format, const QDateTime& now)
{
    switch (format) {
    case ExportFormat::archive:
        return writeArchive(archive, now);
    case ExportFormat::markdown:
        return writeMarkdown(archive.boards);
    case ExportFormat::csv:
        return writeCsv(archive.boards);
    }
    return {};
}

std::expected<void, QString> writeWholeFile(const QString& fileName, const QByteArray& bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return std::unexpected(QStringLiteral("Could not write %1: %2").arg(fileName, file.errorString()));
    return {};
}

std::expected<QByteArray, QString> readWholeFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("Could not open %1: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

std::expected<ImportFile, FileFormatError> readImportFile(
    const QByteArray& bytes, const QString& fileName, const QDateTime& now)
{
    const QFileInfo info(fileName);
    const QString suffix = info.suffix().toLower();
    ImportFile file;
    if (suffix == QLatin1String("csv")) {
        auto plan = readCsvImport(bytes, info.completeBaseName(), now);
        if (!plan)
            return std::unexpected(plan.error());
        file.plan = std::move(*plan);
        return file;
    }
    if (suffix != QLatin1String("json"))
        return std::unexpected(FileFormatError {
            QStringLiteral("Plenko imports .json files (a Plenko archive or a Trello board) and .csv files, not \"%1\".")
                .arg(info.fileName())});
    const auto root = readJsonObject(bytes);
    if (!root)
        return std::unexpected(root.error());
    if (isBoardArchive(*root)) {
        auto archive = readArchive(*root);
        if (!archive)
            return std::unexpected(archive.error());
        file.plan = ImportPlan {std::move(*archive), {}, 0};
        return file;
    }
    if (looksLikeTrelloBoard(*root)) {
        auto board = readTrelloBoard(*root);
        if (!board)
            return std::unexpected(board.error());
        file.trello = std::move(*board);
        return file;
    }
    return std::unexpected(FileFormatError::atLine(
        1, QStringLiteral("this JSON file is neither a Plenko archive (\"format\": \"plenko-archive\") nor a Trello board export (\"lists\" and \"cards\")")));
}
