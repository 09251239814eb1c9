// Board descriptions written here that the service has not accepted yet, one per board. Like
// conflict copies they are written at once, apart from the unit of work: a description the user
// wrote must survive until the service has it, whatever a refresh brings meanwhile.
#pragma once

#include "store/StoreContext.h"
#include "store/StoreError.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <expected>
#include <optional>

class PendingBoardInfoStore
{
public:
    using Result = std::expected<void, StoreError>;

    // None when nothing is pending or the read fails.
    static std::optional<QString> get(const QUuid& boardId, StoreContext& context);
    static Result set(const QUuid& boardId, const QString& info, StoreContext& context);
    static Result remove(const QUuid& boardId, StoreContext& context);
    // The boards that have a description pending.
    static std::expected<QList<QUuid>, StoreError> boards(StoreContext& context);
};
