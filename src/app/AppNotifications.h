// The application notification names: how menu commands and global shortcuts reach the windows.
#pragma once

#include <QLatin1StringView>

namespace AppNotification {
inline constexpr QLatin1StringView requestNewItemEditor { "net.plenko.requestNewItemEditor" };
inline constexpr QLatin1StringView requestBoardRefresh { "net.plenko.requestBoardRefresh" };
inline constexpr QLatin1StringView requestAllBoardsRefresh { "net.plenko.requestAllBoardsRefresh" };
inline constexpr QLatin1StringView requestTodoTab { "net.plenko.requestTodoTab" };
inline constexpr QLatin1StringView requestInProgressTab { "net.plenko.requestInProgressTab" };
inline constexpr QLatin1StringView requestDoneTab { "net.plenko.requestDoneTab" };
inline constexpr QLatin1StringView requestEditorSave { "net.plenko.requestEditorSave" };
inline constexpr QLatin1StringView requestSidebarToggle { "net.plenko.requestSidebarToggle" };
}
