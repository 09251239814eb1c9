#include "transfer/CsvReader.h"

#include "domain/Ids.h"
#include "transfer/ArchiveDates.h"
#include "transfer/CsvTable.h"
#include "transfer/ImportIds.h"
#include "transfer/SpreadsheetText.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <array>

namespace {

enum class Column { content, status, order, assignee, author, created, updated, archived, board, id };

QString normalizedName(const QString& text)
{
    QString name;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            name.append(c.toLower());
    }
    return name;
}

std::optional<Column> columnFor(const QString& header)
{
    static const QHash<QString, Column> names {
        {QStringLiteral("content"), Column::content}, {QStringLiteral("text"), Column::content},
        {QStringLiteral("title"), Column::content}, {QStringLiteral("name"), Column::content},
        {QStringLiteral("task"), Column::content}, {QStringLiteral("item"), Column::content},
        {QStringLiteral("status"), Column::status}, {QStringLiteral("column"), Column::status},
        {QStringLiteral("list"), Column::status}, {QStringLiteral("state"), Column::status},
        {QStringLiteral("order"), Column::order}, {QStringLiteral("position"), Column::order},
        {QStringLiteral("assignee"), Column::assignee}, {QStringLiteral("author"), Column::author},
        {QStringLiteral("created"), Column::created}, {QStringLiteral("createdat"), Column::created},
        {QStringLiteral("updated"), Column::updated}, {QStringLiteral("updatedat"), Column::updated},
        {QStringLiteral("archived"), Column::archived}, {QStringLiteral("archivedat"), Column::archived},
        {QStringLiteral("board"), Column::board}, {QStringLiteral("id"), Column::id},
    };
    const auto found = names.constFind(normalizedName(header));
    if (found == names.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<ItemStatus> statusFromCell(const QString& cell)
{
    const QString name = normalizedName(cell);
    if (name.isEmpty() || name == QLatin1String("todo"))
        return ItemStatus::todo;
    if (name == QLatin1String("inprogress") || name == QLatin1String("doing"))
        return ItemStatus::inProgress;
    if (name == QLatin1String("done"))
        return ItemStatus::done;
    return std::nullopt;
}

class RowReader
{
public:
    RowReader(const CsvRecord& record, const QHash<Column, qsizetype>& columns, const QStringList& headers)
        : m_record(record)
        , m_columns(columns)
        , m_headers(headers)
    {
    }

    bool has(Column column) const { return m_columns.contains(column); }
    QString cell(Column column) const
    {
        const auto at = m_columns.constFind(column);
        return at == m_columns.constEnd() ? QString() : m_record.fields.at(*at);
    }
    FileFormatError error(Column column, const QString& problem) const
    {
        return FileFormatError::atLine(m_record.line,
            QStringLiteral("column \"%1\": %2").arg(m_headers.at(m_columns.value(column)), problem));
    }

private:
    const CsvRecord& m_record;
    const QHash<Column, qsizetype>& m_columns;
    const QStringList& m_headers;
};

std::expected<std::optional<QDateTime>, FileFormatError> dateCell(const RowReader& row, Column column)
{
    const QString text = row.cell(column).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const auto date = parseArchiveDate(text);
    if (!date)
        return std::unexpected(row.error(column, QStringLiteral("\"%1\" is not a date (like 2024-05-01 or 2024-05-01T12:30:00Z)").arg(text.left(40))));
    return date;
}

struct BoardInProgress
{
    Board board;
    std::array<qint64, 3> largestOrder {};
};

}

std::expected<ImportPlan, FileFormatError> readCsvImport(
    const QByteArray& bytes, const QString& defaultBoardName, const QDateTime& now)
{
    auto records = readCsv(bytes);
    if (!records)
        return std::unexpected(records.error());
    if (records->isEmpty())
        return std::unexpected(FileFormatError::atLine(1, QStringLiteral("the file has no header row")));

    const QStringList headers = records->first().fields;
    QHash<Column, qsizetype> columns;
    for (qsizetype i = 0; i < headers.size(); ++i) {
        if (const auto column = columnFor(headers.at(i)); column && !columns.contains(*column))
            columns.insert(*column, i);
    }
    if (!columns.contains(Column::content))
        return std::unexpected(FileFormatError::atLine(records->first().line,
            QStringLiteral("no column for the item's text (Content, Text, Title, Name or Task)")));

    ImportPlan plan;
    QList<BoardInProgress> boards;
    QHash<QString, qsizetype> boardIndex;
    QSet<QUuid> itemIds;
    for (qsizetype r = 1; r < records->size(); ++r) {
        const CsvRecord& record = records->at(r);
        if (record.fields.size() != headers.size())
            return std::unexpected(FileFormatError::atLine(record.line,
                QStringLiteral("%1 fields where the header row has %2").arg(record.fields.size()).arg(headers.size())));
        if (std::all_of(record.fields.cbegin(), record.fields.cend(), [](const QString& f) { return f.trimmed().isEmpty(); }))
            continue;
        const RowReader row(record, columns, headers);

        const QString content = unguardedSpreadsheetText(row.cell(Column::content));
        if (content.trimmed().isEmpty())
            return std::unexpected(row.error(Column::content, QStringLiteral("the item has no text")));
        const auto status = statusFromCell(row.cell(Column::status));
        if (!status)
            return std::unexpected(row.error(Column::status,
                QStringLiteral("\"%1\" is not Todo, In Progress or Done").arg(row.cell(Column::status).left(40))));

        QString boardName = unguardedSpreadsheetText(row.cell(Column::board)).trimmed();
        if (boardName.isEmpty())
            boardName = defaultBoardName;
        if (!boardIndex.contains(boardName)) {
            BoardInProgress next;
            next.board.id = importedId(QUuid(), QStringLiteral("csv-board/") + boardName);
            next.board.name = boardName;
            next.board.createdAt = now;
            next.board.updatedAt = now;
            next.board.createdBy = QStringLiteral("n/a");
            boardIndex.insert(boardName, boards.size());
            boards.append(std::move(next));
        }
        BoardInProgress& target = boards[boardIndex.value(boardName)];

        Item item;
        item.boardId = target.board.id;
        item.status = *status;
        bool shortened = false;
        item.content = fittedItemText(content, shortened);
        if (shortened)
            plan.shortenedItems << content.left(40).simplified();

        const QString idText = row.cell(Column::id).trimmed();
        if (!idText.isEmpty()) {
            const auto id = uuidFromText(idText);
            if (!id || id->isNull())
                return std::unexpected(row.error(Column::id, QStringLiteral("\"%1\" is not an id").arg(idText.left(40))));
            item.id = *id;
        } else {
            item.id = importedId(target.board.id, QStringLiteral("row/%1/%2").arg(record.line).arg(content));
        }
        if (itemIds.contains(item.id))
            return std::unexpected(row.has(Column::id) && !idText.isEmpty()
                    ? row.error(Column::id, QStringLiteral("the id %1 appears twice").arg(uuidText(item.id)))
                    : FileFormatError::atLine(record.line, QStringLiteral("the same row appears twice")));
        itemIds.insert(item.id);

        const QString orderText = row.cell(Column::order).trimmed();
        if (orderText.isEmpty()) {
            item.order = target.largestOrder.at(size_t(item.status)) + 1;
        } else {
            bool ok = false;
            item.order = orderText.toLongLong(&ok);
            if (!ok)
                return std::unexpected(row.error(Column::order, QStringLiteral("\"%1\" is not a whole number").arg(orderText.left(40))));
        }
        qint64& largest = target.largestOrder.at(size_t(item.status));
        largest = std::max(largest, item.order);

        const QString assignee = row.cell(Column::assignee).trimmed();
        if (!assignee.isEmpty()) {
            const auto id = uuidFromText(assignee);
            if (!id)
                return std::unexpected(row.error(Column::assignee, QStringLiteral("\"%1\" is not a member id").arg(assignee.left(40))));
            item.assignee = id;
        }
        const QString author = unguardedSpreadsheetText(row.cell(Column::author)).trimmed();
        if (!author.isEmpty())
            item.author = author;

        const auto created = dateCell(row, Column::created);
        if (!created)
            return std::unexpected(created.error());
        const auto updated = dateCell(row, Column::updated);
        if (!updated)
            return std::unexpected(updated.error());
        item.createdAt = created->value_or(now);
        item.updatedAt = updated->value_or(item.createdAt);

        const QString archived = row.cell(Column::archived).trimmed();
        const QString archivedName = normalizedName(archived);
        if (archivedName == QLatin1String("yes") || archivedName == QLatin1String("true") || archivedName == QLatin1String("x")) {
            item.archivedAt = item.updatedAt;
        } else if (!archived.isEmpty() && archivedName != QLatin1String("no") && archivedName != QLatin1String("false")) {
            const auto archivedAt = dateCell(row, Column::archived);
            if (!archivedAt)
                return std::unexpected(archivedAt.error());
            item.archivedAt = *archivedAt;
        }
        target.board.items.append(std::move(item));
    }
    for (BoardInProgress& board : boards)
        plan.archive.boards.append(std::move(board.board));
    if (plan.archive.boards.isEmpty())
        return std::unexpected(FileFormatError::atLine(records->first().line + 1, QStringLiteral("the file has no rows under its header")));
    return plan;
}
