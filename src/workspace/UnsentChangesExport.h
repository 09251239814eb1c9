// The file that keeps what would otherwise be lost when cloud data leaves this computer: unsent
// item changes, board descriptions and conflict copies, as Markdown grouped by board.
#pragma once

#include "domain/ConflictCopy.h"
#include "domain/Item.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <expected>

namespace UnsentChangesExport {
// Boards are named by boardNames, else by the copies' own board names, else "Unknown board".
// `descriptions` are board descriptions the service has not accepted, by board.
QString markdown(const QList<Item>& items, const QList<ConflictCopy>& copies,
    const QHash<QUuid, QString>& descriptions, const QHash<QUuid, QString>& boardNames, const QDateTime& savedAt);
// Writes the text to a new file in the folder (created when missing); gives its path.
std::expected<QString, QString> write(const QString& folder, const QString& text, const QDateTime& savedAt);
}
