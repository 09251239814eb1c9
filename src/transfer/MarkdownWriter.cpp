#include "transfer/MarkdownWriter.h"

#include "transfer/ItemOrdering.h"

namespace {

// Continuation lines are indented under the list marker so that a multi-line item stays one entry;
// blank lines stay blank.
QString listEntry(const Item& item)
{
    QStringList lines = item.content.trimmed().split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines.at(i).trimmed().isEmpty())
            lines[i].prepend(QStringLiteral("  "));
    }
    const QString text = lines.join(QLatin1Char('\n'));
    QString entry = (item.status == ItemStatus::done ? QStringLiteral("- [x] ") : QStringLiteral("- [ ] ")) + text;
    if (item.isArchived())
        entry += QStringLiteral(" *(archived)*");
    return entry + QLatin1Char('\n');
}

}

QByteArray writeMarkdown(const QList<Board>& boards)
{
    QString out;
    for (const Board& board : boards) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        out += QStringLiteral("# ") + board.name.simplified() + QLatin1Char('\n');
        if (!board.isActive)
            out += QStringLiteral("\n*Archived board*\n");
        if (board.info && !board.info->trimmed().isEmpty())
            out += QLatin1Char('\n') + board.info->trimmed() + QLatin1Char('\n');
        const QList<Item> items = itemsInBoardOrder(board.items);
        for (const ItemStatus status : allItemStatuses) {
            out += QStringLiteral("\n## ") + itemStatusTitle(status) + QStringLiteral("\n\n");
            for (const Item& item : items) {
                if (item.status == status && !item.isDeleted())
                    out += listEntry(item);
            }
        }
    }
    return out.toUtf8();
}
