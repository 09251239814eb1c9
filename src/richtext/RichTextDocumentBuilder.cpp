#include "richtext/RichTextDocumentBuilder.h"

#include "richtext/TemporalBadgeObject.h"

#include <QFontMetricsF>
#include <QTextBlockFormat>
#include <QTextCursor>

QTextCharFormat RichTextDocumentBuilder::charFormat(const TextAttributes& attributes, const ItemTextStyle& style)
{
    QTextCharFormat format;
    QFont font = attributes.font.value_or(style.baseFont);
    if (attributes.inlineIntent.testFlag(InlineIntent::StronglyEmphasized))
        font.setBold(true);
    if (attributes.inlineIntent.testFlag(InlineIntent::Emphasized))
        font.setItalic(true);
    if (attributes.inlineIntent.testFlag(InlineIntent::Strikethrough))
        font.setStrikeOut(true);
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
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
    document->setDefaultFont(style.baseFont);
    document->setUndoRedoEnabled(false);
    TemporalBadgeObject::install(document.get());

    QTextBlockFormat blockFormat;
    blockFormat.setLineHeight(style.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    cursor.setBlockFormat(blockFormat);
    const QString& plain = text.text();
    for (const AttributedText::Run& run : text.runs()) {
        const TextAttributes& attributes = text.attributesAt(run.start);
        if (attributes.attachment >= 0) {
            const QTextCharFormat badge = TemporalBadgeObject::format(text.attachments().at(attributes.attachment));
            for (qsizetype i = 0; i < run.length; ++i)
                cursor.insertText(QString(QChar::ObjectReplacementCharacter), badge);
            continue;
        }
        const QTextCharFormat format = charFormat(attributes, style);
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
    return document;
}
