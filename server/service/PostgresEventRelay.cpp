#include "PostgresEventRelay.h"

#include "Database.h"
#include "EventHub.h"
#include "EventOutbox.h"
#include "ServiceEvent.h"

#include <chrono>
#include <cstdio>
#include <libpq-fe.h>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A wake-up that got lost (the sending process stopped between its commit and its NOTIFY) delays an
// event by at most this much.
constexpr int readEveryMs = 1000;
constexpr auto readGap = 10ms;
// Rows every relay has long read; a relay away for longer has dropped its streams anyway.
constexpr auto sweepEvery = 60s;
const QString keepRows = QStringLiteral("10 minutes");

// The ids of the transactions running in the reading transaction's snapshot, as "1,2,3".
QString runningTransactions(Database& db)
{
    return db
        .queryOne(QStringLiteral("SELECT coalesce(string_agg(x::text, ','), '') AS running"
                                 " FROM pg_snapshot_xip(pg_current_snapshot()) x"))
        ->text("running");
}

void note(const char* text)
{
    std::fprintf(stdout, "event relay: %s\n", text);
    std::fflush(stdout);
}

} // namespace

PostgresEventRelay::PostgresEventRelay(EventHub& hub)
    : m_hub(hub)
{
}

PostgresEventRelay::~PostgresEventRelay()
{
    stop();
}

void PostgresEventRelay::start(const QString& uri)
{
    m_uri = uri;
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_announceFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_hub.setCommitAnnouncer([this] { announce(); });
    m_thread = std::thread([this] { run(); });
}

void PostgresEventRelay::announce()
{
    // Many commits while the relay is busy make one NOTIFY.
    if (m_announced.exchange(true))
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_announceFd, &one, sizeof one);
}

void PostgresEventRelay::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    m_hub.setCommitAnnouncer({});
    ::close(m_wakeFd);
    ::close(m_announceFd);
    m_wakeFd = -1;
    m_announceFd = -1;
}

bool PostgresEventRelay::pause(int milliseconds)
{
    pollfd wake {m_wakeFd, POLLIN, 0};
    ::poll(&wake, 1, milliseconds);
    return !m_stopping;
}

void PostgresEventRelay::run()
{
    bool lost = false;
    while (!m_stopping) {
        pg_conn* conn = PQconnectdb(m_uri.toUtf8().constData());
        PGresult* listening = nullptr;
        // The wake-ups this connection sends carry no data: their commits need not wait for a flush.
        if (PQstatus(conn) == CONNECTION_OK)
            listening = PQexec(conn,
                (QByteArray("SET synchronous_commit = off; LISTEN ") + EventOutbox::channel).constData());
        const bool ready = listening && PQresultStatus(listening) == PGRES_COMMAND_OK;
        PQclear(listening);
        if (ready) {
            if (lost) {
                // Whatever was sent while the relay was away is lost to it; the clients catch up.
                note("listening again; open streams are asked to reconnect");
                m_hub.dropAll();
            }
            lost = !listenOnce(conn);
        } else {
            lost = true;
        }
        PQfinish(conn);
        if (lost && !m_stopping) {
            note("lost its database connection; connecting again");
            pause(1000);
        }
    }
}

bool PostgresEventRelay::listenOnce(pg_conn* conn)
{
    auto db = std::make_unique<Database>();
    if (db->open(m_uri))
        return false;
    Cursor cursor;
    auto swept = std::chrono::steady_clock::now();
    const QByteArray wakeOthers = QByteArray("NOTIFY ") + EventOutbox::channel;
    try {
        // Events committed before this relay listened are not this process's to deliver: its streams
        // were opened after them, or were dropped and catch up.
        db->retrying(
            [&] {
                cursor.lastSeq
                    = db->queryOne(QStringLiteral("SELECT coalesce(max(seq), 0) AS last FROM event_outbox"))
                          ->integer("last");
                cursor.running = runningTransactions(*db);
            },
            TransactionStart::Reading);
    } catch (...) {
        return false;
    }
    auto readAt = std::chrono::steady_clock::now();
    while (!m_stopping) {
        pollfd watched[3] = {{PQsocket(conn), POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_announceFd, POLLIN, 0}};
        const int ready = ::poll(watched, 3, readEveryMs);
        if (ready < 0)
            continue;
        if (m_stopping)
            return true;
        // Under load, commits come faster than reads are worth making: what arrives meanwhile is
        // read, and announced, together.
        const auto gap = readAt + readGap - std::chrono::steady_clock::now();
        if (ready > 0 && gap > 0ms && !pause(int(std::chrono::ceil<std::chrono::milliseconds>(gap).count())))
            return true;
        if (watched[2].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_announceFd, &count, sizeof count);
        }
        if (m_announced.exchange(false)) {
            PGresult* sent = PQexec(conn, wakeOthers.constData());
            const bool ok = PQresultStatus(sent) == PGRES_COMMAND_OK;
            PQclear(sent);
            if (!ok)
                return false;
        }
        if (PQconsumeInput(conn) == 0)
            return false;
        // This process's own wake-ups come back too; only another's, or a second without a read, is
        // a reason to read (an operator's command commits events without waking anyone).
        bool othersCommitted = std::chrono::steady_clock::now() - readAt >= std::chrono::milliseconds(readEveryMs);
        while (pgNotify* notice = PQnotifies(conn)) {
            othersCommitted = othersCommitted || notice->be_pid != PQbackendPID(conn);
            PQfreemem(notice);
        }
        if (!othersCommitted)
            continue;
        readAt = std::chrono::steady_clock::now();
        try {
            readFrom(*db, cursor);
            if (std::chrono::steady_clock::now() - swept > sweepEvery) {
                swept = std::chrono::steady_clock::now();
                db->execute(QStringLiteral("DELETE FROM event_outbox WHERE created_at < clock_timestamp()"
                                           " - CAST(? AS interval)"),
                    {keepRows});
            }
        } catch (...) {
            return false;
        }
    }
    return true;
}

void PostgresEventRelay::readFrom(Database& db, Cursor& cursor)
{
    // One statement, so one snapshot for both: the rows it shows, and the transactions still running
    // in it. A row numbered below the last one read belongs to one of those, and is read once it
    // commits. The running ones come on every row, and on one without a row when none is new.
    QList<Row> rows;
    db.retrying(
        [&] {
            rows = db.query(
                QStringLiteral("SELECT r.running, o.seq, o.payload FROM (SELECT coalesce(string_agg(x::text,"
                               " ','), '') AS running FROM pg_snapshot_xip(pg_current_snapshot()) x) r"
                               " LEFT JOIN event_outbox o ON o.seq > ? OR o.xid = ANY(CAST(? AS xid8[]))"
                               " ORDER BY o.seq"),
                {cursor.lastSeq, QLatin1Char('{') + cursor.running + QLatin1Char('}')});
        },
        TransactionStart::Autocommit);
    if (!rows.isEmpty())
        cursor.running = rows.first().text("running");
    const bool anyone = m_hub.hasStreams();
    for (const Row& row : rows) {
        if (row.isNull("seq"))
            continue;
        cursor.lastSeq = std::max(cursor.lastSeq, row.integer("seq"));
        QByteArray origin;
        std::optional<ServiceEvent> event = ServiceEvent::fromWire(row.text("payload").toUtf8(), &origin);
        // This process delivered its own events when they committed; with no stream open there is
        // no one to resolve recipients for.
        if (!event || origin == m_hub.origin() || !anyone)
            continue;
        if (event->kind == ServiceEvent::Kind::BoardChanged) {
            const auto board
                = db.queryOne(QStringLiteral("SELECT revision FROM boards WHERE id = ?"), {event->boardId});
            if (!board)
                continue;
            event->checkpoint = board->integer("revision");
        }
        m_hub.deliver(*event, EventOutbox::recipients(db, *event));
    }
}
