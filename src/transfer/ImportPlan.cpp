#include "transfer/ImportPlan.h"

#include "workspace/ItemMerge.h"

QStringList ImportPlan::notes() const
{
    QStringList lines;
    if (!shortenedItems.isEmpty()) {
        constexpr qsizetype named = 5;
        QStringList names;
        for (qsizetype i = 0; i < std::min(named, shortenedItems.size()); ++i)
            names << QLatin1Char('"') + shortenedItems.at(i) + QLatin1Char('"');
        QString line = QStringLiteral("%1 item(s) shortened to %2 characters: %3")
                           .arg(shortenedItems.size())
                           .arg(maxItemCharacters)
                           .arg(names.join(QStringLiteral(", ")));
        if (shortenedItems.size() > named)
            line += QStringLiteral(" and %1 more").arg(shortenedItems.size() - named);
        lines << line;
    }
    if (extrasLeftOut > 0)
        lines << QStringLiteral("%1 label, member or checklist line(s) did not fit into their item's text and were left out")
                     .arg(extrasLeftOut);
    return lines;
}

QString fittedItemText(const QString& text, bool& shortened)
{
    QString fitted = itemTextPrefix(text, maxItemCharacters);
    if (fitted.size() != text.size())
        shortened = true;
    return fitted;
}
