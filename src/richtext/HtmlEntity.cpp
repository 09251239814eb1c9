#include "richtext/HtmlEntity.h"

#include <QHash>

namespace {

// The named entities people actually type in short notes; anything else stays as written.
const QHash<QString, char32_t>& namedEntities()
{
    static const QHash<QString, char32_t> table {
        {QStringLiteral("amp"), U'&'}, {QStringLiteral("lt"), U'<'}, {QStringLiteral("gt"), U'>'},
        {QStringLiteral("quot"), U'"'}, {QStringLiteral("apos"), U'\''}, {QStringLiteral("nbsp"), 0x00A0},
        {QStringLiteral("copy"), 0x00A9}, {QStringLiteral("reg"), 0x00AE}, {QStringLiteral("trade"), 0x2122},
        {QStringLiteral("hellip"), 0x2026}, {QStringLiteral("mdash"), 0x2014}, {QStringLiteral("ndash"), 0x2013},
        {QStringLiteral("laquo"), 0x00AB}, {QStringLiteral("raquo"), 0x00BB}, {QStringLiteral("euro"), 0x20AC},
        {QStringLiteral("times"), 0x00D7}, {QStringLiteral("middot"), 0x00B7}, {QStringLiteral("rarr"), 0x2192},
        {QStringLiteral("larr"), 0x2190}, {QStringLiteral("deg"), 0x00B0},
    };
    return table;
}

} // namespace

QString HtmlEntity::decode(const QString& entity)
{
    if (entity.size() < 3 || !entity.startsWith(QLatin1Char('&')) || !entity.endsWith(QLatin1Char(';')))
        return entity;
    const QString body = entity.mid(1, entity.size() - 2);
    char32_t code = 0;
    if (body.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body.at(1) == QLatin1Char('x') || body.at(1) == QLatin1Char('X'));
        const uint value = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
        if (!ok)
            return entity;
        // Markdown maps the NUL character and invalid code points to the replacement character.
        code = (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) ? 0xFFFD : value;
    } else {
        const auto found = namedEntities().constFind(body);
        if (found == namedEntities().cend())
            return entity;
        code = *found;
    }
    return QString::fromUcs4(&code, 1);
}
