// The destinations of the main window's rail, and which board list the sidebar shows.
#pragma once

enum class RailSelection { activeBoards, favorites, boardsOverview, archivedBoards };

enum class SidebarMode { active, archived };

// The status tab the item list shows, in status order.
enum class ViewMode { todo, inProgress, done };
