// Text that came from outside (a User-Agent, an e-mail, a database message quoting a value) on its
// way to the operator's terminal or the log: control characters would move the cursor, clear the
// screen, set the window title or forge lines, so each is written as a visible escape instead.
#pragma once

#include <QByteArray>
#include <QString>

namespace TerminalText {

// UTF-8 with every control character (C0, DEL, C1, line and paragraph separators, bidirectional
// overrides and isolates) and the backslash itself written as a backslash escape.
QByteArray escaped(const QString& text);

}
