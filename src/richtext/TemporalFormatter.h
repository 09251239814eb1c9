// Finds dates and times written in rendered item text and replaces each with a date badge that shows
// the same moment in the user's locale. One formatter serves one content update.
#pragma once

#include "richtext/AttributedText.h"
#include "richtext/TemporalContext.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class TemporalFormatter
{
public:
    TemporalFormatter(const QFont& baseFont, const QColor& highlightColor, const QColor& textColor,
        const QColor& codeAccentColor, const QColor& linkColor, const TemporalContext& context);

    void applyBadges(AttributedText& text) const;
    // The badge label for one matched piece of text, or absent when it is no date or time.
    std::optional<QString> badgeText(const QString& matched) const;

    struct Match
    {
        qsizetype location = 0;
        qsizetype length = 0;
    };
    // Every match of every detection pattern: pattern order, then match order.
    static QList<Match> candidates(const QString& text);

private:
    std::optional<QString> parsedLabel(const QString& trimmed) const;
    bool isProtected(const AttributedText& text, qsizetype location, qsizetype length) const;
    QFont badgeFont(const AttributedText& text, qsizetype location) const;

    QFont m_baseFont;
    QColor m_highlightColor;
    QColor m_textColor;
    QColor m_codeAccentColor;
    QColor m_linkColor;
    TemporalContext m_context;
};
