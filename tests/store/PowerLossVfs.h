// What a store file would hold after a power cut: a SQLite VFS over the system's own that keeps,
// for every file, its content as of its last sync. Writes reach the real file at once (the test
// runs against the real store); only a sync makes them part of the image. Losing every unsynced
// write is one outcome a power cut may have, and the one that shows a missing sync.
#pragma once

#include <QString>

namespace PowerLossVfs {
// Makes the VFS the default for connections opened from now on (idempotent).
void install();

// How many syncs the files whose path ends with `suffix` (e.g. "-wal") have had so far, from any
// thread or only from the calling one.
enum class Threads { any, this_ };
int syncCount(const QString& suffix, Threads threads = Threads::any);

// Writes the store at `storePath` (and its write-ahead log) as a power cut now would leave them to
// `imagePath` (and `imagePath`-wal), so that opening it runs SQLite's recovery on the synced part.
void writeImage(const QString& storePath, const QString& imagePath);
}
