// Reads the request records back from their JSON bodies, by the same strict rules as the responses:
// what a stand-in service, or a test, needs to see exactly what the client sent. Partial updates keep
// their three states: a missing key is unchanged, null is cleared.
#pragma once

#include "domain/WireRecords.h"

#include <QByteArray>
#include <QString>

#include <expected>

// Instantiated for every request record of WireRecords.h.
template<typename T>
std::expected<T, QString> decodeRequestBody(const QByteArray& body);
