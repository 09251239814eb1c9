// Reads what an export writes out of the store: every board (soft-deleted ones left out), or the
// boards chosen by id or by name, with all their items, the sidebar order of both sections and the
// conflict copies of those boards.
#pragma once

#include "transfer/BoardArchive.h"

#include <QString>
#include <QUuid>

#include <expected>
#include <optional>

class LocalStore;
class StoreContext;

struct ExportSelection
{
    std::optional<QUuid> boardId;
    std::optional<QString> boardName; // every board of that exact name
};

std::expected<BoardArchive, QString> collectArchive(
    StoreContext& context, LocalStore& preferences, const ExportSelection& selection);

// The two halves of collectArchive, for a window that reads the store on another thread (through a
// connection of its own) and the preferences on its own: boards, items and copies, then the layout.
std::expected<BoardArchive, QString> collectBoards(StoreContext& context, const ExportSelection& selection);
void collectSidebarLayout(BoardArchive& archive, LocalStore& preferences, const ExportSelection& selection);
