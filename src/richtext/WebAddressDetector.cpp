#include "richtext/WebAddressDetector.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

qsizetype trimmedEnd(QStringView candidate)
{
    qsizetype end = candidate.size();
    while (end > 0) {
        const QChar last = candidate[end - 1];
        if (QStringView(u".,;:!?'\"*").contains(last)) {
            --end;
            continue;
        }
        const QChar opener = last == QLatin1Char(')') ? QLatin1Char('(')
            : last == QLatin1Char(']')                ? QLatin1Char('[')
            : last == QLatin1Char('}')                ? QLatin1Char('{')
                                                      : QChar();
        if (!opener.isNull() && candidate.left(end).count(opener) < candidate.left(end).count(last)) {
            --end;
            continue;
        }
        break;
    }
    return end;
}

} // namespace

bool DetectedAddress::isWebAddress() const
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool DetectedAddress::isLinkTarget(QStringView in) const
{
    return start >= 2 && in.mid(start - 2, 2) == u"](";
}

QList<DetectedAddress> addressRuns(const QString& text)
{
    static const QRegularExpression run(QStringLiteral("(?<![\\w+.-])(?:https?|obsidian|file)://\\S+"),
                                        QRegularExpression::CaseInsensitiveOption
                                            | QRegularExpression::UseUnicodePropertiesOption);
    QList<DetectedAddress> found;
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        found.append(DetectedAddress { match.capturedStart(), match.capturedLength(), match.captured() });
    }
    return found;
}

QList<DetectedAddress> detectAddresses(const QString& text)
{
    static const QRegularExpression candidate(QStringLiteral("(?<![\\w+.-])(?:https?|obsidian|file)://[^\\s<>\"`]+"),
                                              QRegularExpression::CaseInsensitiveOption
                                                  | QRegularExpression::UseUnicodePropertiesOption);
    QList<DetectedAddress> found;
    for (auto it = candidate.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype length = trimmedEnd(match.capturedView());
        DetectedAddress address { match.capturedStart(), length, text.mid(match.capturedStart(), length) };
        const QUrl url(address.text, QUrl::StrictMode);
        if (!url.isValid())
            continue;
        if (address.isWebAddress() && url.host().isEmpty())
            continue;
        found.append(address);
    }
    return found;
}
