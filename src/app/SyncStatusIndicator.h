// The main window's sync indicator: one line of text ("Up to date", "Syncing…", "Offline — 3 changes
// waiting") with the time of the last successful sync as its tooltip and accessible description.
// Reachable with Tab, so Orca reads it on request, and it tells assistive technology when it changes.
#pragma once

#include <QLabel>

class SyncStatus;

class SyncStatusIndicator : public QLabel
{
    Q_OBJECT

public:
    explicit SyncStatusIndicator(SyncStatus& status, QWidget* parent = nullptr);

private:
    void showStatus();

    SyncStatus& m_status;
};
