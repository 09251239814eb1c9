#include "workspace/ItemMerge.h"

#include <QTextBoundaryFinder>

QString itemTextPrefix(const QString& text, qsizetype count)
{
    if (count <= 0)
        return {};
    // Quick answer for the usual short text: fewer code units than count means fewer characters.
    if (text.size() <= count)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype seen = 0; seen < count; ++seen) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            return text;
        end = next;
    }
    return text.left(end);
}

QString mergedItemText(const QString& destination, const QString& source)
{
    const QString addition = source.trimmed();
    QString joined;
    if (addition.isEmpty()) {
        joined = destination;
    } else if (destination.trimmed().isEmpty()) {
        joined = addition;
    } else {
        // Keep the two texts one paragraph apart, whatever the destination already ends with.
        QString separator = QStringLiteral("\n\n");
        if (destination.endsWith(QLatin1String("\n\n")))
            separator.clear();
        else if (destination.endsWith(QLatin1Char('\n')))
            separator = QStringLiteral("\n");
        joined = destination + separator + addition;
    }
    return itemTextPrefix(joined, maxItemCharacters);
}
