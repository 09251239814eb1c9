#include "FileLimit.h"

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// Listening socket, database files and connections, the relay, standard streams, libraries.
int reserved(const ServerConfig& config)
{
    return 64 + 4 * config.workers;
}

} // namespace

ServerConfig FileLimit::fitted(ServerConfig config)
{
    rlimit files {};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0)
        return config;
    if (files.rlim_cur < files.rlim_max) {
        rlimit raised = files;
        raised.rlim_cur = files.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            files = raised;
    }
    const long long available
        = files.rlim_cur == RLIM_INFINITY ? (1LL << 30) : static_cast<long long>(files.rlim_cur);
    HttpLimits& limits = config.limits;
    const long long forStreams = available - reserved(config) - limits.maxConnections;
    if (forStreams < limits.events.maxStreams) {
        const int fitting = int(std::max(16LL, forStreams));
        std::fprintf(stdout,
            "open-file limit %lld: holding at most %d event streams instead of %d (raise it with "
            "LimitNOFILE=)\n",
            available, fitting, limits.events.maxStreams);
        std::fflush(stdout);
        limits.events.maxStreams = fitting;
    }
    return config;
}
