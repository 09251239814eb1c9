// Reads one board's undeleted items as the store file holds them, through a read-only connection of
// its own: a worker thread can read a large board while the window's thread goes on with its
// context. Changes a context has not saved are not in it, nor what its deferred saves hold
// uncommitted (commit them first); the caller tells whether that matters.
#pragma once

#include "domain/Item.h"
#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <expected>

// Newest first, in the order the context's board fetch gives them.
std::expected<QList<Item>, StoreError> readSavedBoardItems(const QString& fileName, const QUuid& boardId);
