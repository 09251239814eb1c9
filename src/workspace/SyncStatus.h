// What the main window's sync indicator says: whether cloud boards are up to date, syncing, waiting
// to send changes, or offline, with the number of changes that have not reached the service and the
// time the last sync succeeded. Plain state; AutoSync keeps it current.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

class SyncStatus : public QObject
{
    Q_OBJECT

public:
    enum class State { upToDate, syncing, waiting, offline };

    explicit SyncStatus(QObject* parent = nullptr);

    State state() const;
    // Without cloud boards there is nothing to sync and the indicator hides.
    bool hasCloudBoards() const { return m_hasCloudBoards; }
    int waitingChanges() const { return m_waitingChanges; }
    std::optional<QDateTime> lastSuccess() const { return m_lastSuccess; }
    // "Offline — 3 changes waiting", "Syncing…", "Up to date".
    QString text() const;
    // When the last sync succeeded, in the user's locale.
    QString detail() const;

    void setHasCloudBoards(bool has);
    void setOffline(bool offline);
    void setSyncing(bool syncing);
    void setWaitingChanges(int changes);
    void setLastSuccess(const QDateTime& when);

Q_SIGNALS:
    void changed();

private:
    template<typename T> void update(T& field, T value)
    {
        if (field == value)
            return;
        field = std::move(value);
        Q_EMIT changed();
    }

    bool m_hasCloudBoards = false;
    bool m_offline = false;
    bool m_syncing = false;
    int m_waitingChanges = 0;
    std::optional<QDateTime> m_lastSuccess;
};
