#include "richtext/DocumentPlainText.h"

#include "richtext/TemporalBadgeObject.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

QString DocumentPlainText::of(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() == TemporalBadgeObject::Type) {
                const QString label = TemporalBadgeObject::cell(format).label;
                // One fragment may hold several badges of the same format.
                for (qsizetype i = 0; i < fragment.length(); ++i)
                    line += label;
                continue;
            }
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            text.remove(QChar::ObjectReplacementCharacter);
            line += text;
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n')).trimmed();
}
