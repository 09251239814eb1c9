// Helpers shared by the rendered-text tests: a fixed style, members, and a readable form of badges.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/ItemTextStyle.h"

#include "domain/BoardUser.h"

#include <QUuid>

namespace richtexttest {

inline ItemTextStyle style(bool dark = true, const QString& locale = QStringLiteral("en_US"))
{
    ItemTextStyle result;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    result.baseFont = font;
    // Dark, because there body text and bold text differ in colour.
    result.palette = RichTextPalette::forAppearance(dark);
    result.context = TemporalContext {locale, QStringLiteral("UTC")};
    return result;
}

inline BoardUser member(const QString& email, const QString& displayName = {})
{
    BoardUser user;
    user.userId = QUuid::createUuid();
    user.email = email;
    if (!displayName.isNull())
        user.displayName = displayName;
    return user;
}

// The text with each badge written as "[label]" in place of its thin spaces and object character.
inline QString withBadgeLabels(const AttributedText& text)
{
    QString result;
    const QString& plain = text.text();
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const int attachment = text.attributesAt(i).attachment;
        if (attachment >= 0) {
            result.chop(1); // the thin space before
            // ICU writes a narrow no-break space before AM/PM; a plain space keeps the tables readable.
            QString label = text.attachments().at(attachment).label;
            label.replace(QChar(0x202F), QLatin1Char(' '));
            result += QLatin1Char('[') + label + QLatin1Char(']');
            ++i; // the thin space after
            continue;
        }
        result += plain.at(i);
    }
    return result;
}

} // namespace richtexttest
