// The service's deterministic text improvement: tidies white space, capitalises the first word of
// each sentence and ends the text with a full stop. Markdown structure (line breaks, list markers,
// links, @mentions) is kept as written.
#pragma once

#include <QString>

namespace TextImprover {
QString improve(const QString& text);
}
