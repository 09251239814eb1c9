// Every connection and event stream is a file descriptor. At start the server raises its soft limit
// of open files to the hard one and, when the configured connections and streams still do not fit,
// holds fewer streams (saying so) rather than failing to accept at the limit.
#pragma once

#include "ServerConfig.h"

namespace FileLimit {
ServerConfig fitted(ServerConfig config);
}
