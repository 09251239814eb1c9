// Persistence of conflict copies. Unlike boards and items they are written at once, each in its
// own statement, and not left pending in the context: a copy is the last place the user's text
// lives, so it must not wait for a save that may fail or never come.
#pragma once

#include "domain/ConflictCopy.h"
#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QList>
#include <QUuid>

#include <expected>

class ConflictCopyStore
{
public:
    using Result = std::expected<void, StoreError>;

    // Oldest first.
    static std::expected<QList<ConflictCopy>, StoreError> fetchAll(StoreContext& context);
    // Overwrites a copy with the same id.
    static Result insert(const ConflictCopy& copy, StoreContext& context);
    static Result remove(const QUuid& copyId, StoreContext& context);
    static Result removeAll(const QList<QUuid>& copyIds, StoreContext& context);
};
