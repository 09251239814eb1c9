// Headers every answer carries so a browser treats it safely: never sniffed into another type; an
// HTML page is never framed, never cached and leaks no address through Referer; over TLS, browsers
// are told to keep to HTTPS. A header the answer sets itself (the sign-in page's stricter policy)
// is left as the answer has it.
#pragma once

#include "HttpMessage.h"

namespace SecurityHeaders {
QList<QPair<QByteArray, QByteArray>> forAnswer(const ApiResponse& response, bool overTls);
}
