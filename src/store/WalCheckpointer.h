// Copies the write-ahead log into the store file on a thread of its own, through a connection of
// its own, so that no commit on the window's thread waits for a checkpoint (copying the log's
// pages into the file and syncing both). The watched connection reports the log's size after each
// commit; past SQLite's usual threshold the thread copies what no reader still needs (a passive
// checkpoint, which never blocks a reader or a writer). A checkpoint syncs the log before it
// copies and the file after, so it never makes a commit less durable.
#pragma once

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

struct sqlite3;

class WalCheckpointer
{
public:
    // Takes the checkpoints over from `watched` (its own automatic ones stop). Null when the
    // thread's connection cannot be opened: `watched` then goes on checkpointing by itself.
    static std::unique_ptr<WalCheckpointer> start(sqlite3* watched, const QString& fileName);
    // Stops the thread and gives `watched` its automatic checkpoints back.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer&) = delete;
    WalCheckpointer& operator=(const WalCheckpointer&) = delete;

private:
    WalCheckpointer(sqlite3* watched, sqlite3* own);
    static int logGrew(void* self, sqlite3* db, const char* name, int pages);
    void run();

    sqlite3* m_watched;
    sqlite3* m_own;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_due = false;
    bool m_stopping = false;
    std::thread m_thread;
};
