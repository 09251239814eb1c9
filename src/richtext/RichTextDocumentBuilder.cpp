#include "richtext/RichTextDocumentBuilder.h"

#include "richtext/ShapingNeeds.h"
#include "richtext/TemporalBadgeObject.h"

#include <QFontMetricsF>
#include <QTextBlockFormat>
#include <QTextCursor>

#include <algorithm>
#include <utility>

namespace {

// Shaping was most of laying a card out; Latin, Greek and Cyrillic text without marks, joiners or
// emoji sequences loses only optional ligatures without it.
QFont withShaping(QFont font, Shaping shaping)
{
    if (shaping == Shaping::onlyWhereNeeded)
        font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

} // namespace

QTextCharFormat RichTextDocumentBuilder::charFormat(const TextAttributes& attributes, const ItemTextStyle& style,
    Shaping shaping)
{
    QTextCharFormat format;
    QFont font = attributes.font.value_or(style.baseFont);
    if (attributes.inlineIntent.testFlag(InlineIntent::StronglyEmphasized))
        font.setBold(true);
    if (attributes.inlineIntent.testFlag(InlineIntent::Emphasized))
        font.setItalic(true);
    if (attributes.inlineIntent.testFlag(InlineIntent::Strikethrough))
        font.setStrikeOut(true);
    format.setFont(withShaping(font, shaping), QTextCharFormat::FontPropertiesAll);
    format.setForeground(attributes.foreground.value_or(style.palette.bodyTextColor));
    if (attributes.underline)
        format.setFontUnderline(true);
    if (!attributes.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(attributes.link);
        format.setForeground(style.palette.linkColor);
        format.setFontUnderline(true);
    }
    if (attributes.baselineOffset != 0.0) {
        // The document measures the offset in percent of the font's height.
        const qreal height = QFontMetricsF(font).height();
        if (height > 0)
            format.setBaselineOffset(attributes.baselineOffset / height * 100.0);
    }
    return format;
}

std::unique_ptr<QTextDocument> RichTextDocumentBuilder::build(const AttributedText& text, const ItemTextStyle& style)
{
    auto document = std::make_unique<QTextDocument>();
    document->setDocumentMargin(0);
    const QString& plain = text.text();
    const Shaping shaping = ShapingNeeds::needsShaping(plain) ? Shaping::full : Shaping::onlyWhereNeeded;
    document->setDefaultFont(withShaping(style.baseFont, shaping));
    document->setUndoRedoEnabled(false);

    QTextBlockFormat blockFormat;
    blockFormat.setLineHeight(style.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    cursor.setBlockFormat(blockFormat);
    QList<std::pair<TextAttributes, QTextCharFormat>> formats;
    for (const AttributedText::Run& run : text.runs()) {
        const TextAttributes& attributes = text.attributesAt(run.start);
        if (attributes.attachment >= 0) {
            const QTextCharFormat badge = TemporalBadgeObject::format(text.attachments().at(attributes.attachment));
            for (qsizetype i = 0; i < run.length; ++i)
                cursor.insertText(QString(QChar::ObjectReplacementCharacter), badge);
            continue;
        }
        // An item text has a handful of distinct looks; each format is made once.
        auto cached = std::find_if(formats.cbegin(), formats.cend(),
            [&attributes](const auto& entry) { return entry.first == attributes; });
        if (cached == formats.cend()) {
            formats.append({attributes, charFormat(attributes, style, shaping)});
            cached = formats.cend() - 1;
        }
        const QTextCharFormat& format = cached->second;
        qsizetype start = run.start;
        const qsizetype end = run.start + run.length;
        while (start < end) {
            qsizetype lineFeed = plain.indexOf(QLatin1Char('\n'), start);
            if (lineFeed < 0 || lineFeed >= end)
                lineFeed = end;
            if (lineFeed > start)
                cursor.insertText(plain.mid(start, lineFeed - start), format);
            if (lineFeed < end) {
                cursor.insertBlock(blockFormat, format);
                ++lineFeed;
            }
            start = lineFeed;
        }
    }
    cursor.endEditBlock();
    // Installed last, once the width is known: asking for the layout creates it and lays out the
    // whole document, and a document with a layout lays itself out again after every insertion.
    document->setTextWidth(style.layoutWidth);
    TemporalBadgeObject::install(document.get());
    return document;
}
