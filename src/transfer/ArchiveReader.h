// Reads the JSON archive that ArchiveWriter writes, strictly: a missing or mistyped field, an unknown
// status, a repeated id or a newer version is an error naming the field, and nothing is returned.
#pragma once

#include "transfer/BoardArchive.h"
#include "transfer/FileFormatError.h"

#include <QByteArray>
#include <QJsonObject>

#include <expected>

// Whether a parsed JSON file says it is our archive (any version).
bool isBoardArchive(const QJsonObject& root);

std::expected<BoardArchive, FileFormatError> readArchive(const QJsonObject& root);
