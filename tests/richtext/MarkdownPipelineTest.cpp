#include "RichTextTestSupport.h"

#include "richtext/ItemTextRenderer.h"
#include "richtext/LineBreakNormalizer.h"
#include "richtext/MarkdownRunBuilder.h"
#include "richtext/RichTextDocumentBuilder.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

#include <cmath>

using namespace richtexttest;

namespace {

const QString lineBreak(QChar(0x2028));

// The character format the document gives to the first occurrence of `fragment`.
QTextCharFormat formatOf(const QTextDocument& document, const QString& fragment)
{
    const QTextCursor found = document.find(fragment);
    if (found.isNull())
        return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

// A copy of the document whose every font asks for shaping (or for none).
std::unique_ptr<QTextDocument> withShaping(const QTextDocument& document, bool shaping)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    const auto adjust = [shaping](QFont font) {
        const auto strategy = font.styleStrategy();
        font.setStyleStrategy(QFont::StyleStrategy(shaping ? (strategy & ~QFont::PreferNoShaping)
                                                           : (strategy | QFont::PreferNoShaping)));
        return font;
    };
    copy->setDefaultFont(adjust(copy->defaultFont()));
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCursor cursor(copy.get());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat format = fragment.charFormat();
            format.setFont(adjust(format.font()), QTextCharFormat::FontPropertiesAll);
            cursor.setCharFormat(format);
        }
    }
    return copy;
}

QImage paint(const QTextDocument& document)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setTextWidth(480);
    const QSize size(480, int(std::ceil(copy->size().height())) + 4);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    copy->drawContents(&painter);
    painter.end();
    return image;
}
}

class MarkdownPipelineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalizesLineBreaks_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("normalized");
        QTest::newRow("single break becomes a hard break") << "a\nb" << "a  \nb";
        QTest::newRow("CR LF is one break") << "a\r\nb" << "a  \nb";
        QTest::newRow("lone CR is one break") << "a\rb" << "a  \nb";
        QTest::newRow("blank line stays") << "a\n\nb" << "a\n\nb";
        QTest::newRow("three breaks stay") << "a\n\n\nb" << "a\n\n\nb";
        QTest::newRow("CR LF CR LF is a blank line") << "a\r\n\r\nb" << "a\n\nb";
        QTest::newRow("trailing break") << "a\n" << "a  \n";
        QTest::newRow("mixed runs") << "a\nb\n\nc\nd" << "a  \nb\n\nc  \nd";
        QTest::newRow("no breaks") << "plain" << "plain";
    }

    void normalizesLineBreaks()
    {
        QFETCH(QString, raw);
        QFETCH(QString, normalized);
        QCOMPARE(LineBreakNormalizer::normalize(raw), normalized);
    }

    void reportsBlocksInnermostFirst()
    {
        const auto runs = MarkdownRunBuilder::parse(QStringLiteral("1. a\n2. **b**"));
        QVERIFY(runs);
        QCOMPARE(runs->size(), 2);
        const MarkdownRun& bold = runs->at(1);
        QCOMPARE(bold.text, QStringLiteral("b"));
        QCOMPARE(bold.inlineIntent, InlineIntents(InlineIntent::StronglyEmphasized));
        QCOMPARE(bold.blocks.size(), 3);
        QCOMPARE(bold.blocks.at(0).kind, BlockKind::Paragraph);
        QCOMPARE(bold.blocks.at(1).kind, BlockKind::ListItem);
        QCOMPARE(bold.blocks.at(1).ordinal, 2);
        QCOMPARE(bold.blocks.at(2).kind, BlockKind::OrderedList);
        // Both items are in the same list, but each has a paragraph of its own.
        QCOMPARE(runs->at(0).blocks.at(2).identity, bold.blocks.at(2).identity);
        QVERIFY(runs->at(0).blocks.at(0).identity != bold.blocks.at(0).identity);
    }

    void flattensIntoText_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("text");
        QTest::newRow("one break is a line of the same paragraph") << "one\ntwo" << "one" + lineBreak + "two";
        QTest::newRow("CR LF behaves like LF") << "one\r\ntwo" << "one" + lineBreak + "two";
        QTest::newRow("blank line separates paragraphs") << "one\n\ntwo" << "one\n\ntwo";
        QTest::newRow("bullet list") << "- a\n- b" << "  - a\n  - b";
        QTest::newRow("nested item is indented further") << "- a\n  - b\n- c" << "  - a\n    - b\n  - c";
        QTest::newRow("ordered list shows ordinals") << "1. a\n2. b" << "  1. a\n  2. b";
        QTest::newRow("ordered list keeps its start") << "3. a\n4. b" << "  3. a\n  4. b";
        // Task-list brackets are not list syntax here: they stay as written after the marker.
        QTest::newRow("checked task marker stays text") << "- [x] done\n- [ ] open" << "  - [x] done\n  - [ ] open";
        QTest::newRow("upper-case task marker stays text") << "- [X] done" << "  - [X] done";
        QTest::newRow("task marker in an ordered list") << "1. [x] done" << "  1. [x] done";
        QTest::newRow("task marker outside a list") << "[x] done" << "[x] done";
        QTest::newRow("list after a paragraph starts on its own line") << "para\n- item" << "para\n  - item";
        QTest::newRow("loose list has no blank lines") << "- a\n\n- b" << "  - a\n  - b";
        QTest::newRow("paragraph after a list") << "para\n\n- a\n\nafter" << "para\n  - a\n\nafter";
        QTest::newRow("header then paragraph") << "# Title\ntext" << "Title\n\ntext";
        QTest::newRow("inline marks leave only text") << "**bold** *it* ~~gone~~ `code`" << "bold it gone code";
        QTest::newRow("entities are decoded") << "a &amp; b &#35;1" << "a & b #1";
        QTest::newRow("any HTML5 named entity") << "caf&eacute; &NotEqualTilde; &frac34;" << QStringLiteral("caf\u00E9 \u2242\u0338 \u00BE");
        QTest::newRow("unknown entity stays") << "&notanentity; &#xZZ;" << "&notanentity; &#xZZ;";
        QTest::newRow("link shows its name") << "see [name](https://plenko.net)" << "see name";
        QTest::newRow("code block after a paragraph") << "para\n\n```\nx = 1\n```" << "para\n\nx = 1";
        QTest::newRow("code block keeps its lines") << "```\na\nb\n```" << "a\nb";
        QTest::newRow("paragraphs of one item keep their break") << "- first\n\n  second"
                                                                 << "  - first\nsecond";
        QTest::newRow("paragraphs of one item, then the next item") << "- first\n\n  second\n- next"
                                                                    << "  - first\nsecond\n  - next";
        QTest::newRow("paragraphs of a nested item") << "- a\n  - b\n\n    c\n- d"
                                                     << "  - a\n    - b\nc\n  - d";
        const QString rule(12, QChar(u'\u2500'));
        QTest::newRow("thematic break is a line of its own") << "above\n\n---\n\nbelow"
                                                             << "above\n\n" + rule + "\n\nbelow";
        QTest::newRow("thematic break interrupts a paragraph") << "above\n***\nbelow"
                                                               << "above\n\n" + rule + "\n\nbelow";
        QTest::newRow("thematic break alone") << "___" << rule;
        QTest::newRow("HTML block adds no blank line") << "<div>hi</div>\n\nnext" << "<div>hi</div>\n\nnext";
        QTest::newRow("HTML block keeps its lines") << "para\n\n<div>\nhi\n</div>\n\nnext"
                                                    << "para\n\n<div>\nhi\n</div>\n\nnext";
        QTest::newRow("empty text") << "" << "";
    }

    void flattensIntoText()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, text);
        const AttributedText rendered = ItemTextRenderer::renderText(markdown, {}, style(), nullptr);
        QCOMPARE(rendered.text(), text);
    }

    void documentKeepsLinesAndParagraphs_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<QString>("plainText");
        QTest::newRow("one paragraph of two lines") << "one\ntwo" << 1 << "one\ntwo";
        QTest::newRow("two paragraphs") << "one\n\ntwo" << 3 << "one\n\ntwo";
        QTest::newRow("two list items") << "- a\n- b" << 2 << "  - a\n  - b";
    }

    void documentKeepsLinesAndParagraphs()
    {
        QFETCH(QString, markdown);
        QFETCH(int, blocks);
        QFETCH(QString, plainText);
        const RenderedItemText rendered = ItemTextRenderer::render(markdown, {}, style());
        QCOMPARE(rendered.document->blockCount(), blocks);
        QCOMPARE(rendered.document->toPlainText(), plainText);
        const QTextBlockFormat block = rendered.document->begin().blockFormat();
        QCOMPARE(block.lineHeight(), 4.0);
        QCOMPARE(block.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    }

    void charFormats_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("strikeOut");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<QString>("colour"); // a palette colour name
        QTest::addColumn<QString>("link");

        QTest::newRow("bold keeps the label colour") << true << "**bold** plain" << "bold" << true << false << false << false << "label" << "";
        QTest::newRow("plain text is body colour") << true << "**bold** plain" << "plain" << false << false << false << false << "body" << "";
        QTest::newRow("italic is body colour") << true << "*it* x" << "it" << false << true << false << false << "body" << "";
        QTest::newRow("strikethrough") << true << "~~gone~~ x" << "gone" << false << false << true << false << "body" << "";
        QTest::newRow("inline code is red") << true << "x `code` y" << "code" << false << false << false << false << "code" << "";
        QTest::newRow("bold code stays red") << true << "**`code`**" << "code" << true << false << false << false << "code" << "";
        QTest::newRow("link") << true << "[name](https://plenko.net)" << "name" << false << false << false << true << "link" << "https://plenko.net";
        QTest::newRow("list marker is body colour") << true << "- item" << "-" << false << false << false << false << "body" << "";
        QTest::newRow("light bold") << false << "**bold**" << "bold" << true << false << false << false << "label" << "";
        QTest::newRow("light inline code") << false << "`code`" << "code" << false << false << false << false << "code" << "";
    }

    void charFormats()
    {
        QFETCH(bool, dark);
        QFETCH(QString, markdown);
        QFETCH(QString, fragment);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, strikeOut);
        QFETCH(bool, underline);
        QFETCH(QString, colour);
        QFETCH(QString, link);

        const ItemTextStyle textStyle = style(dark);
        const RenderedItemText rendered = ItemTextRenderer::render(markdown, {}, textStyle);
        const QTextCharFormat format = formatOf(*rendered.document, fragment);
        QVERIFY2(format.isValid(), qPrintable(fragment));
        QCOMPARE(format.font().bold(), bold);
        QCOMPARE(format.font().italic(), italic);
        QCOMPARE(format.font().strikeOut(), strikeOut);
        QCOMPARE(format.fontUnderline(), underline);
        QCOMPARE(format.font().pixelSize(), textStyle.baseFont.pixelSize());
        QCOMPARE(format.anchorHref(), link);
        const QHash<QString, QColor> colours {
            {QStringLiteral("label"), textStyle.palette.labelColor},
            {QStringLiteral("body"), textStyle.palette.bodyTextColor},
            {QStringLiteral("code"), textStyle.palette.codeAccentColor},
            {QStringLiteral("link"), textStyle.palette.linkColor},
        };
        QCOMPARE(format.foreground().color(), colours.value(colour));
    }

    // Shaping is skipped only where nothing in the text needs it; a flag or a family emoji drawn
    // unshaped falls apart into its pieces.
    void shapingFollowsTheText_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<bool>("shaped");
        QTest::newRow("plain Latin with marks") << "**Ship** the *docs* -- soon" << false;
        QTest::newRow("precomposed accents") << QStringLiteral("Café über Ærø") << false;
        QTest::newRow("typographic punctuation") << QStringLiteral("a → b — “c” …") << false;
        QTest::newRow("single emoji") << QStringLiteral("done 👍") << false;
        QTest::newRow("combining accent") << QStringLiteral("cafe\u0301") << true;
        QTest::newRow("skin tone") << QStringLiteral("done 👍🏽") << true;
        QTest::newRow("flag") << QStringLiteral("trip 🇩🇪") << true;
        QTest::newRow("joined family") << QStringLiteral("👨\u200D👩\u200D👧") << true;
        QTest::newRow("emoji presentation selector") << QStringLiteral("love ❤\uFE0F") << true;
        QTest::newRow("keycap") << QStringLiteral("step 1\uFE0F\u20E3") << true;
        QTest::newRow("subdivision flag tags") << QStringLiteral("🏴\U000E0067\U000E0062\U000E0065\U000E006E\U000E0067\U000E007F") << true;
        QTest::newRow("mark in bold text") << QStringLiteral("**nai\u0308ve** plan") << true;
        QTest::newRow("Greek") << QStringLiteral("Καλημέρα κόσμε") << false;
        QTest::newRow("Cyrillic") << QStringLiteral("Привет, мир") << false;
        // Scripts whose letters change with their neighbours, even without a single mark.
        QTest::newRow("Arabic") << QStringLiteral("مرحبا بالعالم") << true;
        QTest::newRow("Persian") << QStringLiteral("سلام دنیا") << true;
        QTest::newRow("Urdu") << QStringLiteral("ہیلو دنیا") << true;
        QTest::newRow("Hebrew") << QStringLiteral("שלום עולם") << true;
        QTest::newRow("Devanagari") << QStringLiteral("कमल नमन") << true;
        QTest::newRow("Thai") << QStringLiteral("ภาษาไทย") << true;
        QTest::newRow("CJK") << QStringLiteral("你好世界") << true;
    }

    void shapingFollowsTheText()
    {
        QFETCH(QString, markdown);
        QFETCH(bool, shaped);
        const RenderedItemText rendered = ItemTextRenderer::render(markdown, {}, style(true));
        const auto skipsShaping = [](const QFont& font) { return (font.styleStrategy() & QFont::PreferNoShaping) != 0; };
        QCOMPARE(skipsShaping(rendered.document->defaultFont()), !shaped);
        for (QTextBlock block = rendered.document->begin(); block.isValid(); block = block.next()) {
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
                QCOMPARE(skipsShaping(fragment.fragment().charFormat().font()), !shaped);
        }
        // Laid out either way, to the same text.
        QVERIFY(rendered.document->documentLayout()->documentSize().height() > 0);
    }

    // What the fast path draws must be what full shaping draws: each text is rendered as the item
    // card renders it and again with shaping forced on everywhere, and the pixels compared. The
    // unshaped drawing of the joining scripts shows the comparison can tell them apart.
    void scriptsDrawAsFullyShaped_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<bool>("differsUnshaped");
        QTest::newRow("Arabic") << QStringLiteral("مرحبا بالعالم") << true;
        QTest::newRow("Persian") << QStringLiteral("سلام دنیا") << true;
        QTest::newRow("Urdu") << QStringLiteral("ہیلو دنیا") << true;
        QTest::newRow("Hebrew") << QStringLiteral("שָׁלוֹם עולם") << false;
        QTest::newRow("Devanagari") << QStringLiteral("नमस्ते दुनिया") << false;
        QTest::newRow("Thai") << QStringLiteral("สวัสดีชาวโลก") << false;
        QTest::newRow("CJK") << QStringLiteral("你好，世界") << false;
        QTest::newRow("emoji") << QStringLiteral("done 👍 and 👨\u200D👩\u200D👧") << false;
        QTest::newRow("mixed Latin and Arabic") << QStringLiteral("**Plan** مرحبا today") << true;
        QTest::newRow("Latin, Greek, Cyrillic") << QStringLiteral("**Ship** the docs, Καλημέρα, Привет") << false;
    }

    void scriptsDrawAsFullyShaped()
    {
        QFETCH(QString, markdown);
        QFETCH(bool, differsUnshaped);
        const RenderedItemText rendered = ItemTextRenderer::render(markdown, {}, style(true));
        const QImage asRendered = paint(*rendered.document);
        const QImage shaped = paint(*withShaping(*rendered.document, true));
        QVERIFY(!asRendered.isNull());
        QCOMPARE(asRendered, shaped);
        if (differsUnshaped)
            QVERIFY(paint(*withShaping(*rendered.document, false)) != shaped);
    }

    void blendsColours()
    {
        // Half-way between black and white; an invalid target leaves the base colour alone.
        QVERIFY(qAbs(RichTextPalette::blend(Qt::black, Qt::white, 0.5).redF() - 0.5f) < 0.001f);
        QCOMPARE(RichTextPalette::blend(Qt::red, QColor(), 0.5), QColor(Qt::red));
    }

    void failedParseShowsNormalizedText()
    {
        const MarkdownPipeline::Parser failing = [](const QString&) { return std::optional<QList<MarkdownRun>>(); };
        const ItemTextStyle textStyle = style();
        const AttributedText text = ItemTextRenderer::renderText(QStringLiteral("**a**\nb"), {}, textStyle, nullptr, failing);
        QCOMPARE(text.text(), QStringLiteral("**a**  \nb"));
        for (qsizetype i = 0; i < text.size(); ++i) {
            QCOMPARE(text.attributesAt(i).font, std::optional<QFont>(textStyle.baseFont));
            QCOMPARE(text.attributesAt(i).foreground, std::optional<QColor>(textStyle.palette.bodyTextColor));
        }
    }
};

QTEST_MAIN(MarkdownPipelineTest)

#include "MarkdownPipelineTest.moc"
