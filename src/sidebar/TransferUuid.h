// Reading ids out of drag payloads. Stricter than the general id reader: the text must be exactly a
// hyphenated UUID (either letter case), with nothing before or after it.
#pragma once

#include <QString>
#include <QUuid>
#include <optional>

std::optional<QUuid> transferUuidFromText(const QString& text);
