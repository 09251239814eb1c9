#include "PostgresEventRelay.h"

#include "Database.h"
#include "EventHub.h"
#include "EventOutbox.h"
#include "ServiceEvent.h"

#include <cstdio>
#include <libpq-fe.h>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

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
    m_thread = std::thread([this] { run(); });
}

void PostgresEventRelay::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
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
        if (PQstatus(conn) == CONNECTION_OK)
            listening = PQexec(conn, (QByteArray("LISTEN ") + EventOutbox::channel).constData());
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
    while (!m_stopping) {
        pollfd watched[2] = {{PQsocket(conn), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(watched, 2, 30'000) < 0)
            continue;
        if (m_stopping)
            return true;
        if (PQconsumeInput(conn) == 0)
            return false;
        while (pgNotify* notice = PQnotifies(conn)) {
            QByteArray origin;
            std::optional<ServiceEvent> event = ServiceEvent::fromWire(QByteArray(notice->extra), &origin);
            PQfreemem(notice);
            // This process delivered its own events when they committed.
            if (!event || origin == m_hub.origin())
                continue;
            try {
                if (event->kind == ServiceEvent::Kind::BoardChanged) {
                    const auto board = db->queryOne(
                        QStringLiteral("SELECT revision FROM boards WHERE id = ?"), {event->boardId});
                    if (!board)
                        continue;
                    event->checkpoint = board->integer("revision");
                }
                m_hub.deliver(*event, EventOutbox::recipients(*db, *event));
            } catch (...) {
                return false;
            }
        }
    }
    return true;
}
