// The colour scheme every window shows, kept under "appearance.selection". The shared instance does
// not let the light scheme be chosen, so the application is always dark; a stored "light" is
// rewritten to "dark" when the controller is made.
#pragma once

#include "store/AppAppearance.h"

#include <QObject>

class LocalStore;

class AppearanceController : public QObject
{
    Q_OBJECT

public:
    AppearanceController(LocalStore& localStore, bool lightModeSelectable, QObject* parent = nullptr);

    // Over the shared preferences, light not selectable.
    static AppearanceController& shared();

    AppAppearance selection() const { return m_selection; }
    bool lightModeSelectable() const { return m_lightModeSelectable; }
    bool isDark() const { return m_selection == AppAppearance::dark; }

    void select(AppAppearance appearance);

Q_SIGNALS:
    void selectionChanged(AppAppearance selection);

private:
    LocalStore& m_localStore;
    const bool m_lightModeSelectable;
    AppAppearance m_selection = AppAppearance::dark;
};
