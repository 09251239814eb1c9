#include "richtext/LinkLabel.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace {

QString collapsed(const QString& text)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString result = text;
    return result.replace(whiteSpace, QStringLiteral(" ")).trimmed();
}

QString escapedLabel(QString label)
{
    label.replace(QLatin1Char('['), QStringLiteral("\\[")).replace(QLatin1Char(']'), QStringLiteral("\\]"));
    return label;
}

QString markdownLink(const QString& label, const QString& address)
{
    // An empty label would make the link invisible once rendered; the address stands in for it.
    const QString shown = label.isEmpty() ? address : escapedLabel(label);
    return QLatin1Char('[') + shown + QStringLiteral("](") + address + QLatin1Char(')');
}

QString lastPathPart(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}

} // namespace

QString linkLabelText(const LinkMetadata& metadata, const QString& address)
{
    const bool isScreenWork = metadata.source == LinkMetadata::Source::imdb;
    QString title = metadata.title;
    if (isScreenWork && metadata.releaseYear) {
        // The year is appended after the link, so "Heat (1995)" would otherwise show it twice.
        const QString yearSuffix = QStringLiteral("(%1)").arg(*metadata.releaseYear);
        const QString trimmed = title.trimmed();
        if (trimmed.endsWith(yearSuffix))
            title = trimmed.chopped(yearSuffix.size());
    }
    QString text = markdownLink(collapsed(title), address);
    if (isScreenWork) {
        if (metadata.releaseYear)
            text += QStringLiteral(" - %1").arg(*metadata.releaseYear);
        if (const auto rating = metadata.ratingText())
            text += QStringLiteral(" (Rating: ") + *rating + QLatin1Char(')');
    }
    return text;
}

std::optional<QString> localLinkLabelText(const QString& address)
{
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    QString label;
    if (scheme == QLatin1String("obsidian")) {
        // obsidian://open?vault=Work&file=Plans%2FQ3 names the note "Q3" in the vault "Work".
        const QUrlQuery query(url);
        label = lastPathPart(query.queryItemValue(QStringLiteral("file"), QUrl::FullyDecoded));
        if (label.endsWith(QLatin1String(".md"), Qt::CaseInsensitive))
            label.chop(3);
        if (label.isEmpty())
            label = query.queryItemValue(QStringLiteral("vault"), QUrl::FullyDecoded);
        if (label.isEmpty())
            label = lastPathPart(url.path(QUrl::FullyDecoded));
    } else if (scheme == QLatin1String("file")) {
        label = lastPathPart(url.path(QUrl::FullyDecoded));
    } else {
        return std::nullopt;
    }
    label = collapsed(label);
    if (label.isEmpty())
        return std::nullopt;
    return markdownLink(label, address);
}
