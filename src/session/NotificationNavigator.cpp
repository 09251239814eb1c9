#include "session/NotificationNavigator.h"

#include "session/NotificationText.h"
#include "session/NotificationViewModel.h"
#include "workspace/BoardViewModel.h"
#include "workspace/ToastManager.h"

#include <QPointer>

NotificationNavigator::NotificationNavigator(
    NotificationViewModel& notifications, BoardViewModel& workspace, ToastManager& toasts, QObject* parent)
    : QObject(parent)
    , m_notifications(notifications)
    , m_workspace(workspace)
    , m_toasts(toasts)
{
    connect(&m_workspace, &BoardViewModel::boardsChanged, this, &NotificationNavigator::boardsChanged);
}

std::optional<Board> NotificationNavigator::boardFor(const NotificationItem& notification) const
{
    if (!notification.boardId)
        return std::nullopt;
    return m_workspace.findBoard(*notification.boardId);
}

QCoro::Task<void> NotificationNavigator::open(NotificationItem notification)
{
    if (!notification.boardId) {
        m_toasts.showToast(ToastType::error, missingBoardMessage, ToastManager::errorSeconds);
        co_return;
    }
    m_notifications.markRead(notification);

    const std::optional<Board> board = boardFor(notification);
    if (!board) {
        m_toasts.showToast(ToastType::error, boardNotFoundMessage, ToastManager::errorSeconds);
        co_return;
    }
    const std::optional<ItemStatus> status = [&]() -> std::optional<ItemStatus> {
        if (const std::optional<Item> item = NotificationText::findItem(notification, board))
            return item->status;
        return std::nullopt;
    }();

    QPointer<NotificationNavigator> self(this);
    m_notifications.setPopoverPresented(false);
    Q_EMIT auxiliaryWindowsCloseRequested();
    co_await m_workspace.selectBoard(board->id);
    if (!self)
        co_return;
    // After the selection, so the main window does not reset the column when the board changes.
    if (status)
        Q_EMIT itemColumnRequested(*status);
    if (notification.type.kind() == NotificationType::Kind::boardMemberJoined)
        Q_EMIT boardSettingsRequested(board->id, usersTab);
}
