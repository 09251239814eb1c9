// Asks the service to rewrite an item's text. A failure is offered to the workspace's revoked-board
// check first (a revoked board is removed and nothing is shown); any other failure becomes an error
// toast with the error's own text for 4.0 seconds.
#pragma once

#include "domain/Item.h"

#include <QCoro/QCoroTask>
#include <QPointer>

#include <optional>

class BoardViewModel;
class NetworkService;
class ToastManager;

class ItemTextImprover
{
public:
    // The improved text, or nothing on failure. The three objects outlive the request in the
    // application; a workspace or presenter gone meanwhile is simply not told.
    static QCoro::Task<std::optional<QString>> improve(QPointer<NetworkService> api,
        QPointer<BoardViewModel> workspace, QPointer<ToastManager> toasts, Item item);
};
