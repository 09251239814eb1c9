// The config of a plenko-server a benchmark loads: open sign-up without a per-address limit (every
// account of a run signs up from 127.0.0.1) and access tokens that outlast a run; more follows in
// the [accounts] section and may open sections of its own.
#pragma once

#include "support/ServerProcess.h"

inline QString benchServerConfig(const QString& database, const QString& more = {})
{
    return ServerProcess::config(
        database, QStringLiteral("maxSignUpsPerAddress=100000\naccessTokenSeconds=86400\n") + more);
}
