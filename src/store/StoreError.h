// A failure of the local store, as text fit for the log or a message. Fetches and saves return it.
#pragma once

#include <QString>

struct StoreError
{
    QString message;

    // "<doing>: <reason>", the form every failed store operation reports.
    static StoreError of(const QString& doing, const QString& reason)
    {
        return StoreError {QStringLiteral("%1: %2").arg(doing, reason)};
    }
};
