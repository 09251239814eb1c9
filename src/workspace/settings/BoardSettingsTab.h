// The three tabs of the board settings window, and which one a caller's value opens.
#pragma once

#include <QString>

#include <optional>

enum class BoardSettingsTab { general, users, advanced };

// "users" opens the Users tab; any other value, or none, the General tab.
BoardSettingsTab boardSettingsTabFromValue(const std::optional<QString>& value);
