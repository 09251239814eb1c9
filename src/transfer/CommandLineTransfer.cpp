#include "transfer/CommandLineTransfer.h"

#include "transfer/ArchiveCollector.h"
#include "transfer/ImportApplier.h"
#include "transfer/TransferFiles.h"
#include "transfer/TrelloImport.h"

#include <QCommandLineParser>
#include <QLockFile>

namespace {

const QString exportOption = QStringLiteral("export");
const QString importOption = QStringLiteral("import");
const QString boardOption = QStringLiteral("board");
const QString listStatusOption = QStringLiteral("list-status");

std::optional<ItemStatus> statusFromWords(const QString& words)
{
    if (const auto exact = itemStatusFromText(words.trimmed()))
        return exact;
    return statusForListName(words);
}

// "LIST=STATUS" options: the status for each list of a Trello board that is not named after one.
std::expected<QHash<QString, ItemStatus>, QString> chosenStatuses(const TrelloBoard& board, const QStringList& options)
{
    QHash<QString, ItemStatus> byName;
    for (const QString& option : options) {
        const qsizetype equals = option.lastIndexOf(QLatin1Char('='));
        const auto status = equals > 0 ? statusFromWords(option.sliced(equals + 1)) : std::nullopt;
        if (!status)
            return std::unexpected(QStringLiteral(
                "--list-status \"%1\" is not LIST=STATUS with a status of Todo, In Progress or Done.").arg(option));
        byName.insert(option.first(equals), *status);
    }
    QHash<QString, ItemStatus> chosen;
    for (const TrelloList& list : listsNeedingStatus(board)) {
        if (!byName.contains(list.name))
            return std::unexpected(QStringLiteral("The list \"%1\" is not named after a status. Say where its cards go "
                                                  "with --list-status \"%1=Todo\" (or In Progress, or Done).")
                    .arg(list.name));
        chosen.insert(list.id, byName.value(list.name));
    }
    return chosen;
}

int exportBoards(const QCommandLineParser& parser, const CommandLineTransfer::Places& places, QTextStream& out,
    QTextStream& err)
{
    const QString fileName = parser.value(exportOption);
    const auto format = exportFormatForFile(fileName);
    if (!format) {
        err << format.error() << Qt::endl;
        return CommandLineTransfer::usageError;
    }
    auto store = places.openStore();
    if (!store) {
        err << store.error().message << Qt::endl;
        return CommandLineTransfer::failed;
    }
    ExportSelection selection;
    if (parser.isSet(boardOption))
        selection.boardName = parser.value(boardOption);
    const auto archive = collectArchive(**store, places.preferences, selection);
    if (!archive) {
        err << archive.error() << Qt::endl;
        return CommandLineTransfer::failed;
    }
    if (auto written = writeWholeFile(fileName, encodeExport(*archive, *format, QDateTime::currentDateTimeUtc()));
        !written) {
        err << written.error() << Qt::endl;
        return CommandLineTransfer::failed;
    }
    out << QStringLiteral("Exported %1 board(s) with %2 item(s) to %3.")
               .arg(archive->boards.size())
               .arg(archive->itemCount())
               .arg(fileName)
        << Qt::endl;
    return 0;
}

int importFile(const QCommandLineParser& parser, const CommandLineTransfer::Places& places, QTextStream& out,
    QTextStream& err)
{
    const QString fileName = parser.value(importOption);
    QLockFile lock(places.instanceLock);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        err << QStringLiteral("Plenko is running: quit it first, or use File › Import… in its window.") << Qt::endl;
        return CommandLineTransfer::failed;
    }
    const auto bytes = readWholeFile(fileName);
    if (!bytes) {
        err << bytes.error() << Qt::endl;
        return CommandLineTransfer::failed;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto file = readImportFile(*bytes, fileName, now);
    if (!file) {
        err << fileName << QStringLiteral(": ") << file.error().message << Qt::endl;
        return CommandLineTransfer::failed;
    }
    ImportPlan plan;
    if (file->trello) {
        const auto chosen = chosenStatuses(*file->trello, parser.values(listStatusOption));
        if (!chosen) {
            err << chosen.error() << Qt::endl;
            return CommandLineTransfer::failed;
        }
        plan = planTrelloImport(*file->trello, *chosen, now);
    } else {
        plan = std::move(*file->plan);
    }
    auto store = places.openStore();
    if (!store) {
        err << store.error().message << Qt::endl;
        return CommandLineTransfer::failed;
    }
    const auto report = applyImport(std::move(plan), **store, places.preferences);
    if (!report) {
        err << report.error() << Qt::endl;
        return CommandLineTransfer::failed;
    }
    out << report->text() << Qt::endl;
    return 0;
}

}

bool CommandLineTransfer::isRequested(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--export") || argument == QLatin1String("--import")
            || argument.startsWith(QLatin1String("--export=")) || argument.startsWith(QLatin1String("--import=")))
            return true;
    }
    return false;
}

int CommandLineTransfer::run(const QStringList& arguments, const Places& places, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.addOption({exportOption, QStringLiteral("Export to FILE (.json archive, .md or .csv)."), QStringLiteral("FILE")});
    parser.addOption({importOption, QStringLiteral("Import FILE (.json archive or Trello board, .csv)."), QStringLiteral("FILE")});
    parser.addOption({boardOption, QStringLiteral("Export only the boards named NAME."), QStringLiteral("NAME")});
    parser.addOption({listStatusOption, QStringLiteral("Put the cards of a Trello list in a status."),
        QStringLiteral("LIST=STATUS")});
    if (!parser.parse(QStringList {QStringLiteral("plenko")} + arguments)) {
        err << parser.errorText() << Qt::endl;
        return usageError;
    }
    const bool exporting = parser.isSet(exportOption);
    const bool importing = parser.isSet(importOption);
    if (exporting == importing || !parser.positionalArguments().isEmpty()
        || (importing && parser.isSet(boardOption)) || (exporting && parser.isSet(listStatusOption))) {
        err << QStringLiteral("Usage: plenko --export FILE [--board NAME]\n"
                              "       plenko --import FILE [--list-status \"LIST=STATUS\"]...")
            << Qt::endl;
        return usageError;
    }
    return exporting ? exportBoards(parser, places, out, err) : importFile(parser, places, out, err);
}
