// What the board settings window and its tabs work with: the workspace whose board they edit, the
// toast presenter for outcomes the window reports itself, and who is signed in (absent when nobody).
#pragma once

#include <QUuid>

#include <functional>
#include <optional>

class BoardViewModel;
class ToastManager;

struct BoardSettingsContext
{
    BoardViewModel& workspace;
    ToastManager& toasts;
    std::function<std::optional<QUuid>()> currentUserId;

    std::optional<QUuid> userId() const { return currentUserId ? currentUserId() : std::nullopt; }
};
