#include "workspace/settings/BoardSettingsTab.h"

BoardSettingsTab boardSettingsTabFromValue(const std::optional<QString>& value)
{
    return value == QStringLiteral("users") ? BoardSettingsTab::users : BoardSettingsTab::general;
}
