#include "SidebarTestData.h"

#include "sidebar/SidebarLayout.h"
#include "store/LocalStore.h"

#include <QSettings>

QUuid boardIdFor(QChar letter)
{
    return QUuid(
        0x5ea0b000u + letter.unicode(), 0x1111, 0x4222, 0x83, 0x33, 0, 0, 0, 0, 0, letter.unicode() & 0xff);
}

Board boardNamed(QChar letter, bool cloud, bool active)
{
    Board board;
    board.id = boardIdFor(letter);
    board.name = QString(letter);
    board.syncWithServer = cloud;
    board.isActive = active;
    return board;
}

QList<Board> boardsNamed(const QString& letters, bool cloud)
{
    QList<Board> boards;
    for (QChar letter : letters)
        boards.append(boardNamed(letter, cloud));
    return boards;
}

QList<SidebarEntry> entriesFrom(const QString& notation, bool cloud)
{
    QList<SidebarEntry> entries;
    for (QChar symbol : notation) {
        if (symbol == QLatin1Char('|'))
            entries.append(SidebarDivider::make());
        else
            entries.append(boardNamed(symbol, cloud));
    }
    return entries;
}

QList<SidebarEntryStorage> storageFrom(const QString& notation)
{
    QList<SidebarEntryStorage> layout;
    for (QChar symbol : notation) {
        if (symbol == QLatin1Char('|'))
            layout.append(SidebarEntryStorage::divider(SidebarDivider::make()));
        else
            layout.append(SidebarEntryStorage::board(boardIdFor(symbol)));
    }
    return layout;
}

QString notationOf(const QList<SidebarEntry>& entries)
{
    QString notation;
    for (const SidebarEntry& entry : entries)
        notation += entry.isDivider() ? QStringLiteral("|") : entry.board()->name;
    return notation;
}

QString notationOf(const QList<SidebarEntryStorage>& layout)
{
    QString notation;
    for (const SidebarEntryStorage& stored : layout) {
        if (!stored.isBoard()) {
            notation += QLatin1Char('|');
            continue;
        }
        QChar letter = QLatin1Char('?');
        for (char candidate = 'A'; candidate <= 'Z'; ++candidate) {
            if (boardIdFor(QLatin1Char(candidate)) == *stored.boardId())
                letter = QLatin1Char(candidate);
        }
        notation += letter;
    }
    return notation;
}

TemporaryPreferences::TemporaryPreferences()
{
    reopen();
}

TemporaryPreferences::~TemporaryPreferences() = default;

QString TemporaryPreferences::filePath() const
{
    return m_folder.filePath(QStringLiteral("preferences.ini"));
}

void TemporaryPreferences::reopen()
{
    m_store.reset();
    m_store = std::make_unique<LocalStore>(filePath());
}

void TemporaryPreferences::writeRaw(const QString& key, const QByteArray& bytes)
{
    m_store->defaults().setValue(key, bytes);
    m_store->defaults().sync();
}

QString TemporaryPreferences::storedLayoutNotation(const QString& scope)
{
    return notationOf(m_store->get(sidebarLayoutKey(scope)));
}

bool TemporaryPreferences::contains(const QString& key)
{
    return m_store->contains(key);
}
