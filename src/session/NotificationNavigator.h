// What clicking a notification does: marks it read, finds its board in the workspace, closes the
// popover, selects the board and asks for the column of the item concerned. A member-joined
// notification also asks for the board settings on their users tab. The app answers both requests.
#pragma once

#include "domain/Board.h"
#include "domain/Notification.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUuid>
#include <optional>

class BoardViewModel;
class NotificationViewModel;
class ToastManager;

class NotificationNavigator : public QObject
{
    Q_OBJECT

public:
    static inline const QString missingBoardMessage
        = QStringLiteral("This notification is missing a board reference.");
    static inline const QString boardNotFoundMessage
        = QStringLiteral("We couldn't find that board locally yet.");
    static inline const QString usersTab = QStringLiteral("users");

    NotificationNavigator(NotificationViewModel& notifications, BoardViewModel& workspace,
        ToastManager& toasts, QObject* parent = nullptr);

    // The local board a notification refers to, for the rows' sentences.
    std::optional<Board> boardFor(const NotificationItem& notification) const;

    QCoro::Task<void> open(NotificationItem notification);

Q_SIGNALS:
    // The column of that status should show, after the board was selected.
    void itemColumnRequested(ItemStatus status);
    // The board settings window, on the given tab ("users"), for the board just selected.
    void boardSettingsRequested(const QUuid& boardId, const QString& tab);
    // Board settings, account and dashboard windows should close before the board changes.
    void auxiliaryWindowsCloseRequested();
    // The workspace's boards changed, so the rows' sentences may read differently.
    void boardsChanged();

private:
    NotificationViewModel& m_notifications;
    BoardViewModel& m_workspace;
    ToastManager& m_toasts;
};
