#include "app/AppearanceController.h"

#include "store/LocalStore.h"
#include "store/PreferenceKeys.h"

AppearanceController::AppearanceController(LocalStore& localStore, bool lightModeSelectable, QObject* parent)
    : QObject(parent)
    , m_localStore(localStore)
    , m_lightModeSelectable(lightModeSelectable)
{
    const AppAppearance stored = m_localStore.get(PreferenceKeys::appearanceSelection());
    if (stored == AppAppearance::light && m_lightModeSelectable) {
        m_selection = AppAppearance::light;
    } else if (stored == AppAppearance::light) {
        m_selection = AppAppearance::dark;
        m_localStore.set(AppAppearance::dark, PreferenceKeys::appearanceSelection());
    }
}

AppearanceController& AppearanceController::shared()
{
    static AppearanceController* instance = new AppearanceController(LocalStore::shared(), false);
    return *instance;
}

void AppearanceController::select(AppAppearance appearance)
{
    if (appearance == m_selection)
        return;
    if (appearance == AppAppearance::light && !m_lightModeSelectable)
        return;
    m_selection = appearance;
    Q_EMIT selectionChanged(m_selection);
    m_localStore.set(m_selection, PreferenceKeys::appearanceSelection());
}
