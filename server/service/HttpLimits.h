// What one client may cost the HTTP front: sizes, waits and connections. Defaults suit a team's
// service on a small machine; plenko-server reads each from its config file.
#pragma once

#include <cstddef>

// The long-lived GET /api/events streams: they hold no worker and are counted apart from the
// ordinary connections, so neither can crowd out the other.
struct EventStreamLimits
{
    // Streams at once in this process (503 past it), per account and per client address (429 past
    // either). The address cap keeps one host with many accounts from taking the process's streams;
    // it is high enough for an office behind one address.
    int maxStreams = 4096;
    int maxStreamsPerAccount = 8;
    int maxStreamsPerAddress = 256;
    // Frames waiting for one client; a client that falls further behind is dropped.
    int queueFrames = 64;
    // A comment line this often keeps proxies and clients from taking a quiet stream for a dead one.
    int heartbeatSeconds = 20;
    // A client that takes no bytes for this long is dropped.
    int writeTimeoutMs = 15'000;
    // The kernel's send buffer of each stream: small, as frames are, so thousands of streams (and a
    // client that stops reading) cost little memory.
    int sendBufferBytes = 16 * 1024;
};

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
    EventStreamLimits events;
};
