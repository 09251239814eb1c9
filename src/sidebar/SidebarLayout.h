// The persisted layout of a sidebar section: the stored order of boards and dividers merged with the
// boards that exist now, kept tidy (no divider at either end, never two in a row) and saved under
// "sidebar.layout." + scope. Every operation is a plain function over the section's entries.
#pragma once

#include "domain/Board.h"
#include "sidebar/SidebarDividerColor.h"
#include "sidebar/SidebarEntry.h"
#include "sidebar/SidebarEntryStorage.h"
#include "store/LocalStoreKey.h"

#include <QList>
#include <QString>
#include <QUuid>

class LocalStore;

LocalStoreKey<QList<SidebarEntryStorage>> sidebarLayoutKey(const QString& scope);

// Boards of one section in the workspace's order. With no boards the result is empty and the stored
// layout is left alone, so a section that is briefly empty (signed out, still loading) keeps it.
QList<SidebarEntry> loadSidebarEntries(
    LocalStore& store, const QList<Board>& boards, const QString& scope, bool persist);

// Drops dividers at the start and the end and all but the first of adjacent dividers.
QList<SidebarEntry> normalizeSidebarEntries(QList<SidebarEntry> entries);

// Normalizes and, when persist is set, saves the result as the section's layout.
QList<SidebarEntry> commitSidebarEntries(
    LocalStore& store, QList<SidebarEntry> entries, const QString& scope, bool persist);

// The operations below change the entries in place, commit them with persistence and return whether
// anything changed; an index outside the entries (or of the wrong kind of row) changes nothing.

// "Add Divider Above" (below false) or "Add Divider Below" the board at the index. Refused when the
// new divider would touch another one.
bool insertSidebarDivider(
    LocalStore& store, QList<SidebarEntry>& entries, qsizetype index, bool below, const QString& scope);

bool recolorSidebarDivider(LocalStore& store, QList<SidebarEntry>& entries, qsizetype index,
    SidebarDividerColor color, const QString& scope);

bool removeSidebarEntry(
    LocalStore& store, QList<SidebarEntry>& entries, qsizetype index, const QString& scope);
