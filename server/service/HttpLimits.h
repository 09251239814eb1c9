// What one client may cost the HTTP front: sizes, waits and connections. Defaults suit a team's
// service on a small machine; plenko-server reads each from its config file.
#pragma once

#include <cstddef>

struct HttpLimits
{
    // Bodies above these are refused with 413 before a byte of them is read: the sync route carries
    // whole batches of items, every other route a small JSON document or form.
    std::size_t jsonBodyBytes = 64 * 1024;
    std::size_t syncBodyBytes = 4 * 1024 * 1024;
    // The request line and headers together; above it: 431.
    std::size_t headerBytes = 16 * 1024;
    // From a request's first byte to its last (and for a new connection's first byte): a client
    // that sends slowly is cut off here, whatever it sends.
    int readTimeoutMs = 10'000;
    // How long a kept-alive connection may wait for its next request.
    int idleTimeoutMs = 30'000;
    int tlsHandshakeTimeoutMs = 10'000;
    // Open connections at once; the next one is answered 503 and closed.
    int maxConnections = 512;
    // Threads that move bytes; the database work runs on the worker pool, never on these.
    int networkThreads = 1;
};
