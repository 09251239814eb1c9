#include "EventOutbox.h"

#include "Database.h"
#include "EventHub.h"
#include "HttpError.h"
#include "TerminalText.h"

#include <QSet>
#include <cstdio>
#include <utility>

namespace {

// NOTIFY carries at most 8000 bytes; a deleted board's member list is cut to what fits.
constexpr int maxWireAccounts = 150;

} // namespace

EventOutbox::EventOutbox(Database& db, EventHub* hub)
    : m_db(db)
    , m_hub(hub)
{
}

void EventOutbox::setActingSession(const QString& sessionId)
{
    m_actingTag = ServiceEvent::sessionTag(sessionId);
}

void EventOutbox::beginRequest()
{
    m_actingTag.clear();
    m_committed.clear();
    m_shared = false;
}

void EventOutbox::boardChanged(const QString& boardId, qint64 checkpoint)
{
    post({ServiceEvent::Kind::BoardChanged, boardId, checkpoint, m_actingTag, {}, {}});
}

void EventOutbox::boardsChanged(const QString& boardId, const QStringList& extraAccounts)
{
    post({ServiceEvent::Kind::BoardsChanged, boardId, 0, m_actingTag, extraAccounts, {}});
}

void EventOutbox::notificationFor(const QString& accountId)
{
    post({ServiceEvent::Kind::Notification, {}, 0, {}, {accountId}, {}});
}

void EventOutbox::sessionEnded(const QString& accountId, const QString& sessionId)
{
    post({ServiceEvent::Kind::SessionEnded, {}, 0, {}, {accountId}, sessionId});
}

void EventOutbox::post(ServiceEvent event)
{
    if (!m_hub)
        return;
    // Not for the devserver on PostgreSQL: no relay would read the rows, nor sweep them.
    if (m_db.engine() == Database::Engine::Postgres && m_hub->sharesWithOthers()) {
        ServiceEvent wire = event;
        // The receiving process reads the board's checkpoint itself, so a sync of many items leaves
        // one row: the same text twice in one transaction is written once.
        if (wire.kind == ServiceEvent::Kind::BoardChanged)
            wire.checkpoint = 0;
        if (wire.accounts.size() > maxWireAccounts)
            wire.accounts.resize(maxWireAccounts);
        // A row in the writing transaction, not a NOTIFY: PostgreSQL lets only one notifying
        // transaction commit at a time, each waiting for its own flush. Every event is posted after
        // the change it reports was written, so the transaction already has the id the row keeps.
        const QString text = QString::fromUtf8(wire.toWire(m_hub->origin()));
        m_db.executeLater(
            QStringLiteral("INSERT INTO event_outbox (payload) SELECT ? WHERE NOT EXISTS (SELECT 1"
                           " FROM event_outbox WHERE xid = pg_current_xact_id() AND payload = ?)"),
            {text, text});
        m_db.afterCommit([this] { m_shared = true; });
    }
    m_db.afterCommit([this, event = std::move(event)] { m_committed.append(event); });
}

void EventOutbox::flush()
{
    if (!m_hub || m_committed.isEmpty())
        return;
    if (std::exchange(m_shared, false))
        m_hub->announceCommitted();
    QList<ServiceEvent> merged;
    for (ServiceEvent& event : m_committed) {
        // A board's item changes in one request reach its streams as one event, at the last checkpoint.
        bool folded = false;
        for (ServiceEvent& earlier : merged) {
            if (earlier.kind == ServiceEvent::Kind::BoardChanged && event.kind == earlier.kind
                && earlier.boardId == event.boardId) {
                earlier.checkpoint = std::max(earlier.checkpoint, event.checkpoint);
                folded = true;
            } else if (earlier == event) {
                folded = true;
            }
        }
        if (!folded)
            merged.append(std::move(event));
    }
    m_committed.clear();
    // Who should hear of it is read only when someone here could: other processes read it themselves.
    if (!m_hub->hasStreams())
        return;
    try {
        for (const ServiceEvent& event : merged)
            m_hub->deliver(event, recipients(m_db, event));
    } catch (const HttpError& error) {
        // The change itself is committed and answered. Who should hear of it is unknown, so every
        // stream reconnects and catches up: a missed event must not become a missed change.
        std::fprintf(stdout, "events of a committed change not delivered, streams reconnect: %s\n",
            TerminalText::escaped(error.logText()).constData());
        std::fflush(stdout);
        m_hub->dropAll();
    }
}

QStringList EventOutbox::recipients(Database& db, const ServiceEvent& event)
{
    QSet<QString> seen;
    QStringList result;
    const auto add = [&](const QString& account) {
        if (!seen.contains(account)) {
            seen.insert(account);
            result.append(account);
        }
    };
    for (const QString& account : event.accounts)
        add(account);
    if (!event.boardId.isEmpty()
        && (event.kind == ServiceEvent::Kind::BoardChanged
            || event.kind == ServiceEvent::Kind::BoardsChanged)) {
        for (const Row& row :
            db.query(QStringLiteral("SELECT user_id FROM members WHERE board_id = ?"), {event.boardId}))
            add(row.text("user_id"));
    }
    return result;
}
