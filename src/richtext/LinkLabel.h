// The markdown text that replaces a bare address in an item: "[Title](address)", and for film and
// series pages also the year and the rating.
#pragma once

#include "richtext/LinkMetadata.h"

#include <QString>

#include <optional>

QString linkLabelText(const LinkMetadata& metadata, const QString& address);

// Labels for the local schemes, read from the address itself: an obsidian note's name, a file's
// name. Absent for other schemes or when the address names nothing.
std::optional<QString> localLinkLabelText(const QString& address);
