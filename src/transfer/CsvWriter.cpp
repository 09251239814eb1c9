#include "transfer/CsvWriter.h"

#include "domain/Ids.h"
#include "transfer/ArchiveDates.h"
#include "transfer/CsvTable.h"
#include "transfer/ItemOrdering.h"
#include "transfer/SpreadsheetText.h"

QByteArray writeCsv(const QList<Board>& boards)
{
    QByteArray out;
    appendCsvRecord(out,
        {QStringLiteral("Board"), QStringLiteral("Id"), QStringLiteral("Content"), QStringLiteral("Status"),
            QStringLiteral("Order"), QStringLiteral("Assignee"), QStringLiteral("Author"),
            QStringLiteral("Created"), QStringLiteral("Updated"), QStringLiteral("Archived")});
    for (const Board& board : boards) {
        for (const Item& item : itemsInBoardOrder(board.items)) {
            if (item.isDeleted())
                continue;
            appendCsvRecord(out,
                {guardedSpreadsheetText(board.name), uuidText(item.id), guardedSpreadsheetText(item.content),
                    itemStatusText(item.status), QString::number(item.order),
                    item.assignee ? uuidText(*item.assignee) : QString(),
                    guardedSpreadsheetText(item.author.value_or(QString())), archiveDateText(item.createdAt),
                    archiveDateText(item.updatedAt),
                    item.archivedAt ? archiveDateText(*item.archivedAt) : QString()});
        }
    }
    return out;
}
