// The Markdown export, for reading and for pasting elsewhere: a heading per board with its
// description, a heading per status, and the items as task-list entries ("- [x]" for Done), archived
// ones marked so. Deletion tombstones are left out. Not read back: the archive is for that.
#pragma once

#include "domain/Board.h"

#include <QByteArray>
#include <QList>

QByteArray writeMarkdown(const QList<Board>& boards);
