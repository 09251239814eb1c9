#include "workspace/SyncStatus.h"

#include <QLocale>

namespace {
QString changesWaiting(int changes)
{
    return changes == 1 ? QStringLiteral("1 change waiting")
                        : QStringLiteral("%1 changes waiting").arg(changes);
}
}

SyncStatus::SyncStatus(QObject* parent)
    : QObject(parent)
{
}

SyncStatus::State SyncStatus::state() const
{
    if (m_offline)
        return State::offline;
    if (m_syncing)
        return State::syncing;
    return m_waitingChanges > 0 ? State::waiting : State::upToDate;
}

QString SyncStatus::text() const
{
    switch (state()) {
    case State::offline:
        return m_waitingChanges > 0 ? QStringLiteral("Offline — ") + changesWaiting(m_waitingChanges)
                                    : QStringLiteral("Offline");
    case State::syncing:
        return QStringLiteral("Syncing…");
    case State::waiting:
        return changesWaiting(m_waitingChanges);
    case State::upToDate:
        break;
    }
    return QStringLiteral("Up to date");
}

QString SyncStatus::detail() const
{
    if (!m_lastSuccess)
        return QStringLiteral("No sync has succeeded since Plenko started.");
    return QStringLiteral("Last synced %1.")
        .arg(QLocale::system().toString(m_lastSuccess->toLocalTime(), QLocale::ShortFormat));
}

void SyncStatus::setHasCloudBoards(bool has)
{
    update(m_hasCloudBoards, has);
}
void SyncStatus::setOffline(bool offline)
{
    update(m_offline, offline);
}
void SyncStatus::setSyncing(bool syncing)
{
    update(m_syncing, syncing);
}
void SyncStatus::setWaitingChanges(int changes)
{
    update(m_waitingChanges, changes);
}
void SyncStatus::setLastSuccess(const QDateTime& when)
{
    update(m_lastSuccess, std::optional<QDateTime>(when));
}
