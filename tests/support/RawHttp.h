// One request written as raw bytes on a new connection to 127.0.0.1, for what a well-behaved HTTP
// client would never send: the answer's bytes and status, and whether the server closed the
// connection.
#pragma once

#include <QByteArray>

struct RawAnswer
{
    int status = 0; // 0: no status line came
    bool closed = false;
    QByteArray bytes;
};

// Writes the bytes, then reads until the server closes the connection or waitMs have passed.
RawAnswer exchange(quint16 port, const QByteArray& request, int waitMs = 8000);
