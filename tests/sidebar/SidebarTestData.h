// Sidebar sections written as short strings: a letter is the board of that name, "|" a divider.
// "A|BC" is board A, a divider, boards B and C. Boards get fixed ids derived from their letter.
#pragma once

#include "domain/Board.h"
#include "sidebar/SidebarEntry.h"
#include "sidebar/SidebarEntryStorage.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>
#include <memory>

class LocalStore;

QUuid boardIdFor(QChar letter);
Board boardNamed(QChar letter, bool cloud = false, bool active = true);
QList<Board> boardsNamed(const QString& letters, bool cloud = false);

// Dividers in the notation get fresh ids.
QList<SidebarEntry> entriesFrom(const QString& notation, bool cloud = false);
QList<SidebarEntryStorage> storageFrom(const QString& notation);

QString notationOf(const QList<SidebarEntry>& entries);
// Ids that name no lettered board are written as "?".
QString notationOf(const QList<SidebarEntryStorage>& layout);

// A preference file in its own temporary folder, reopened at will as after a restart.
class TemporaryPreferences
{
public:
    TemporaryPreferences();
    ~TemporaryPreferences();

    LocalStore& store() { return *m_store; }
    void reopen();
    QString filePath() const;
    // The raw bytes under a key, as another writer might have left them.
    void writeRaw(const QString& key, const QByteArray& bytes);
    QString storedLayoutNotation(const QString& scope);
    bool contains(const QString& key);

private:
    QTemporaryDir m_folder;
    std::unique_ptr<LocalStore> m_store;
};
