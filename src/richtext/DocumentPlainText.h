// A rendered item text as plain words, for screen readers: what the document shows, with each date
// badge read as its label instead of the object character that holds its place.
#pragma once

#include <QString>

class QTextDocument;

namespace DocumentPlainText {
QString of(const QTextDocument& document);
}
