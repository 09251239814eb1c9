#include "store/WalCheckpointer.h"

#include <sqlite3.h>

namespace {
// SQLite's own default for its automatic checkpoints: the log stays about as large as before.
constexpr int checkpointPages = 1000;
}

std::unique_ptr<WalCheckpointer> WalCheckpointer::start(sqlite3* watched, const QString& fileName)
{
    sqlite3* own = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(fileName.toUtf8().constData(), &own, flags, nullptr) != SQLITE_OK
        || sqlite3_exec(own, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(own);
        return nullptr;
    }
    return std::unique_ptr<WalCheckpointer>(new WalCheckpointer(watched, own));
}

WalCheckpointer::WalCheckpointer(sqlite3* watched, sqlite3* own)
    : m_watched(watched)
    , m_own(own)
{
    m_thread = std::thread([this] { run(); });
    // Replaces the automatic checkpoint, which is itself a log hook.
    sqlite3_wal_hook(m_watched, &WalCheckpointer::logGrew, this);
}

WalCheckpointer::~WalCheckpointer()
{
    sqlite3_wal_autocheckpoint(m_watched, checkpointPages);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    sqlite3_close_v2(m_own);
}

int WalCheckpointer::logGrew(void* self, sqlite3*, const char*, int pages)
{
    if (pages >= checkpointPages) {
        auto* checkpointer = static_cast<WalCheckpointer*>(self);
        {
            std::lock_guard lock(checkpointer->m_mutex);
            checkpointer->m_due = true;
        }
        checkpointer->m_wake.notify_one();
    }
    return SQLITE_OK;
}

void WalCheckpointer::run()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_due || m_stopping; });
            if (m_stopping)
                return;
            m_due = false;
        }
        // A failure (another checkpoint running, a full disk) leaves the log as it is: the next
        // commit past the threshold asks again, and closing the store checkpoints what is left.
        (void)sqlite3_wal_checkpoint_v2(m_own, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
}
