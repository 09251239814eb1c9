#include "workspace/UnsentChangesExport.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>

namespace {
QString columnName(ItemStatus status)
{
    switch (status) {
    case ItemStatus::todo:
        return QStringLiteral("To Do");
    case ItemStatus::inProgress:
        return QStringLiteral("In Progress");
    case ItemStatus::done:
        return QStringLiteral("Done");
    }
    return {};
}

// Each line of the text as a quoted block, so the item's own Markdown cannot break the file's
// headings apart.
QString quoted(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = line.isEmpty() ? QStringLiteral(">") : QStringLiteral("> ") + line;
    return lines.join(QLatin1Char('\n'));
}

QString stamp(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

struct Entry
{
    QString heading;
    QString text;
};
}

QString UnsentChangesExport::markdown(const QList<Item>& items, const QList<ConflictCopy>& copies,
    const QHash<QUuid, QString>& descriptions, const QHash<QUuid, QString>& boardNames, const QDateTime& savedAt)
{
    QHash<QUuid, QString> names = boardNames;
    for (const ConflictCopy& copy : copies) {
        if (!names.contains(copy.boardId) && !copy.boardName.isEmpty())
            names.insert(copy.boardId, copy.boardName);
    }
    // Boards in order of name, so the file reads the same however the store ordered them.
    QMap<QString, QList<Entry>> byBoard;
    auto boardTitle = [&](const QUuid& id) {
        return names.value(id, QStringLiteral("Unknown board")) + QStringLiteral(" (") + id.toString(QUuid::WithoutBraces) + QLatin1Char(')');
    };
    for (const Item& item : items) {
        const QString heading = item.isDeleted()
            ? QStringLiteral("Deleted here, not yet on the service")
            : QStringLiteral("Not yet on the service · %1 · changed %2").arg(columnName(item.status), stamp(item.updatedAt));
        byBoard[boardTitle(item.boardId)].append({heading, item.content});
    }
    for (auto description = descriptions.cbegin(); description != descriptions.cend(); ++description) {
        byBoard[boardTitle(description.key())].append(
            {QStringLiteral("Board description, not yet on the service"), description.value()});
    }
    for (const ConflictCopy& copy : copies) {
        const QString heading = QStringLiteral("Conflict copy · %1 · kept %2 · %3")
                                    .arg(columnName(copy.status), stamp(copy.savedAt), conflictReasonDescription(copy.reason));
        byBoard[boardTitle(copy.boardId)].append({heading, copy.content});
    }

    QString text = QStringLiteral("# Unsent changes\n\nSaved %1 when signing out. These changes had not reached "
                                  "the service; copy any of them back into a board to keep working on them.\n")
                       .arg(stamp(savedAt));
    for (auto board = byBoard.cbegin(); board != byBoard.cend(); ++board) {
        text += QStringLiteral("\n## ") + board.key() + QLatin1Char('\n');
        for (const Entry& entry : *board)
            text += QStringLiteral("\n### ") + entry.heading + QStringLiteral("\n\n") + quoted(entry.text) + QLatin1Char('\n');
    }
    return text;
}

std::expected<QString, QString> UnsentChangesExport::write(const QString& folder, const QString& text, const QDateTime& savedAt)
{
    if (!QDir().mkpath(folder))
        return std::unexpected(QStringLiteral("Couldn't create the folder ") + folder);
    const QString base = QStringLiteral("Unsent changes %1").arg(savedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    QString path = QDir(folder).filePath(base + QStringLiteral(".md"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 (%2).md").arg(base).arg(n));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return std::unexpected(QStringLiteral("Couldn't write ") + path + QStringLiteral(": ") + file.errorString());
    return path;
}
