#include "richtext/UserCharacters.h"

#include <QTextBoundaryFinder>

qsizetype userCharacterCount(QStringView text)
{
    if (text.isEmpty())
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData(), text.size());
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QString userCharacterPrefix(const QString& text, qsizetype count)
{
    if (count <= 0)
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype end = 0;
    while (seen < count) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        end = next;
        ++seen;
    }
    return text.left(end);
}

QStringView userCharacterAt(QStringView text, qsizetype position)
{
    if (position < 0 || position >= text.size())
        return {};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData(), text.size());
    finder.setPosition(position);
    const qsizetype end = finder.toNextBoundary();
    return text.mid(position, (end == -1 ? text.size() : end) - position);
}
