#include "app/AuxiliaryScenes.h"

#include "app/AuxiliaryWindows.h"
#include "insights/BoardDashboardWindow.h"
#include "session/AccountDetailsView.h"
#include "session/AuthState.h"
#include "workspace/BoardViewModel.h"
#include "workspace/settings/BoardSettingsWindow.h"

#include <QPointer>

namespace {
QWidget* makeBoardSettings(
    BoardViewModel& workspace, AuthState& auth, ToastManager& toasts, const QString& value)
{
    QPointer<AuthState> signIn(&auth);
    BoardSettingsContext context {workspace, toasts, [signIn]() -> std::optional<QUuid> {
                                      if (!signIn || !signIn->currentUser())
                                          return std::nullopt;
                                      return signIn->currentUser()->id;
                                  }};
    return new BoardSettingsWindow(
        std::move(context), workspace.selectedBoard(), value.isEmpty() ? std::nullopt : std::optional(value));
}

// The board with all its items: one shown by its first page is read whole first, since charts of
// that page alone would be wrong.
std::optional<Board> wholeBoard(BoardViewModel& workspace, const QUuid& boardId)
{
    const Board& selected = workspace.selectedBoard();
    if (selected.id == boardId && selected.hasItemsLoaded())
        return selected;
    return workspace.findBoard(boardId);
}

QWidget* makeBoardDashboard(BoardViewModel& workspace)
{
    const QUuid boardId = workspace.selectedBoard().id;
    auto* window = new BoardDashboardWindow(wholeBoard(workspace, boardId).value_or(workspace.selectedBoard()));
    // The charts follow the board's items while the window is open.
    const auto follow = [window, &workspace, boardId] {
        if (const std::optional<Board> board = wholeBoard(workspace, boardId))
            window->setBoard(*board);
    };
    QObject::connect(&workspace, &BoardViewModel::selectedBoardChanged, window, follow);
    QObject::connect(&workspace, &BoardViewModel::boardsChanged, window, follow);
    return window;
}
}

void AuxiliaryScenes::registerIn(AuxiliaryWindows& windows) const
{
    windows.add(BoardSettingsWindow::identifier(),
        {BoardSettingsWindow::title(), BoardSettingsWindow::defaultSize(),
            [&workspace = workspace, &auth = auth, &toasts = toasts](
                const QString& value) { return makeBoardSettings(workspace, auth, toasts, value); }});
    windows.add(QString::fromLatin1(BoardDashboardWindow::identifier),
        {QStringLiteral("Board Dashboard"), QSize(1100, 700),
            [&workspace = workspace](const QString&) { return makeBoardDashboard(workspace); }});
    windows.add(AccountDetailsView::windowIdentifier,
        {QStringLiteral("Account"), QSize(520, 520),
            [make = makeAccountDetails](const QString&) { return make ? make() : nullptr; }});
}
