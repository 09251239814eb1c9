// Tells the user a newer release exists: its version against the running one, its release notes,
// and "Download", which opens the release's download page in the browser.
#pragma once

#include "session/AppcastItem.h"

#include <QDialog>

class UpdaterViewModel;

class UpdateAvailableDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateAvailableDialog(const AppcastItem& release, UpdaterViewModel& updater, QWidget* parent = nullptr);

    static QString summary(const AppcastItem& release, const QString& currentVersion);
};
