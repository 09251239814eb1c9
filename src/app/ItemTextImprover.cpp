#include "app/ItemTextImprover.h"

#include "net/BoardRepository.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

QCoro::Task<std::optional<QString>> ItemTextImprover::improve(QPointer<NetworkService> api,
    QPointer<BoardViewModel> workspace, QPointer<ToastManager> toasts, Item item)
{
    if (!api)
        co_return std::nullopt;
    const BoardRepository repository(api.data());
    const ApiResult<ImproveTextResponse> result = co_await repository.improveText(item.boardId, item.id, item.content);
    if (result)
        co_return result->improved;
    if (workspace && workspace->handleRevokedBoard(result.error(), item.boardId))
        co_return std::nullopt;
    if (toasts)
        toasts->showToast(ToastType::error, result.error().description(), ToastManager::errorSeconds);
    co_return std::nullopt;
}
