// Writes a BoardArchive as the versioned JSON archive (docs/archive-format.md). Pure: no store, no
// files, so it can run off the UI thread.
#pragma once

#include "transfer/BoardArchive.h"

#include <QByteArray>
#include <QDateTime>

QByteArray writeArchive(const BoardArchive& archive, const QDateTime& exportedAt);
