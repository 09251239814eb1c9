#include "richtext/MarkdownRunBuilder.h"

#include "richtext/HtmlEntity.h"

#include <md4c.h>

#include <array>

namespace {

// Hard breaks stay inside their paragraph: the line separator is a break within one block.
constexpr char16_t lineSeparator = u'\u2028';

// A thematic break has no text of its own; this rule stands in for it as a line of its own.
const QString thematicBreakRule(12, QChar(u'\u2500'));

struct Frame
{
    BlockComponent component;
    int childItems = 0;        // lists: items seen so far
    int firstOrdinal = 1;      // ordered lists: the start number
    int implicitParagraph = 0; // tight list items: the paragraph md4c leaves out
};

class Collector
{
public:
    QList<MarkdownRun> runs;

    int enterBlock(MD_BLOCKTYPE type, void* detail)
    {
        if (type == MD_BLOCK_DOC || type == MD_BLOCK_THEAD || type == MD_BLOCK_TBODY)
            return 0;
        if (!m_frames.isEmpty())
            m_frames.last().implicitParagraph = 0;
        Frame frame;
        frame.component.identity = ++m_nextIdentity;
        frame.component.kind = kindOf(type);
        if (type == MD_BLOCK_OL)
            frame.firstOrdinal = static_cast<int>(static_cast<MD_BLOCK_OL_DETAIL*>(detail)->start);
        if (type == MD_BLOCK_LI && !m_frames.isEmpty()) {
            Frame& list = m_frames.last();
            frame.component.ordinal = list.firstOrdinal + list.childItems;
            ++list.childItems;
        }
        m_frames.append(frame);
        if (type == MD_BLOCK_HR)
            append(thematicBreakRule);
        return 0;
    }

    int leaveBlock(MD_BLOCKTYPE type)
    {
        if (type == MD_BLOCK_DOC || type == MD_BLOCK_THEAD || type == MD_BLOCK_TBODY || m_frames.isEmpty())
            return 0;
        const Frame frame = m_frames.takeLast();
        if (type == MD_BLOCK_CODE || type == MD_BLOCK_HTML)
            tidyVerbatimBlock(frame.component.identity);
        if (!m_frames.isEmpty())
            m_frames.last().implicitParagraph = 0;
        return 0;
    }

    int enterSpan(MD_SPANTYPE type, void* detail)
    {
        if (type == MD_SPAN_A)
            m_links.append(attributeText(static_cast<MD_SPAN_A_DETAIL*>(detail)->href));
        else if (const int bit = bitOf(type); bit >= 0)
            ++m_spanDepth[bit];
        return 0;
    }

    int leaveSpan(MD_SPANTYPE type)
    {
        if (type == MD_SPAN_A) {
            if (!m_links.isEmpty())
                m_links.removeLast();
        } else if (const int bit = bitOf(type); bit >= 0 && m_spanDepth[bit] > 0) {
            --m_spanDepth[bit];
        }
        return 0;
    }

    int text(MD_TEXTTYPE type, const MD_CHAR* data, MD_SIZE size)
    {
        const QString raw = QString::fromUtf8(data, static_cast<qsizetype>(size));
        switch (type) {
        case MD_TEXT_NULLCHAR:
            append(QString(QChar::ReplacementCharacter));
            break;
        case MD_TEXT_BR:
            append(QString(QChar(lineSeparator)));
            break;
        case MD_TEXT_SOFTBR:
            append(QStringLiteral(" "));
            break;
        case MD_TEXT_ENTITY:
            append(HtmlEntity::decode(raw));
            break;
        default:
            append(raw);
            break;
        }
        return 0;
    }

private:
    static BlockKind kindOf(MD_BLOCKTYPE type)
    {
        switch (type) {
        case MD_BLOCK_QUOTE: return BlockKind::BlockQuote;
        case MD_BLOCK_UL: return BlockKind::UnorderedList;
        case MD_BLOCK_OL: return BlockKind::OrderedList;
        case MD_BLOCK_LI: return BlockKind::ListItem;
        case MD_BLOCK_HR: return BlockKind::ThematicBreak;
        case MD_BLOCK_H: return BlockKind::Header;
        case MD_BLOCK_CODE: return BlockKind::CodeBlock;
        case MD_BLOCK_HTML: return BlockKind::HtmlBlock;
        case MD_BLOCK_TABLE: return BlockKind::Table;
        case MD_BLOCK_TR: return BlockKind::TableRow;
        case MD_BLOCK_TH:
        case MD_BLOCK_TD: return BlockKind::TableCell;
        default: return BlockKind::Paragraph;
        }
    }

    // Index into m_spanDepth, in the order of the InlineIntent bits we keep; -1 for spans without one.
    static int bitOf(MD_SPANTYPE type)
    {
        switch (type) {
        case MD_SPAN_EM: return 0;
        case MD_SPAN_STRONG: return 1;
        case MD_SPAN_CODE: return 2;
        case MD_SPAN_DEL: return 3;
        default: return -1;
        }
    }

    static QString attributeText(const MD_ATTRIBUTE& attribute)
    {
        QString result;
        if (attribute.text == nullptr)
            return result;
        for (int i = 0; attribute.substr_offsets[i] < attribute.size; ++i) {
            const MD_OFFSET begin = attribute.substr_offsets[i];
            const MD_OFFSET end = attribute.substr_offsets[i + 1];
            const QString piece = QString::fromUtf8(attribute.text + begin, static_cast<qsizetype>(end - begin));
            if (attribute.substr_types[i] == MD_TEXT_ENTITY)
                result += HtmlEntity::decode(piece);
            else if (attribute.substr_types[i] == MD_TEXT_NULLCHAR)
                result += QChar::ReplacementCharacter;
            else
                result += piece;
        }
        return result;
    }

    InlineIntents currentIntent() const
    {
        static constexpr std::array<InlineIntent, 4> bits {InlineIntent::Emphasized, InlineIntent::StronglyEmphasized,
            InlineIntent::Code, InlineIntent::Strikethrough};
        InlineIntents intent;
        for (std::size_t i = 0; i < bits.size(); ++i) {
            if (m_spanDepth[i] > 0)
                intent |= bits[i];
        }
        return intent;
    }

    QList<BlockComponent> currentBlocks()
    {
        QList<BlockComponent> blocks;
        blocks.reserve(m_frames.size() + 1);
        // Text that sits directly in a list item belongs to a tight list's paragraph, which md4c
        // does not report; give it one so that every piece of body text has a paragraph.
        if (!m_frames.isEmpty() && m_frames.last().component.kind == BlockKind::ListItem) {
            Frame& item = m_frames.last();
            if (item.implicitParagraph == 0)
                item.implicitParagraph = ++m_nextIdentity;
            blocks.append(BlockComponent {BlockKind::Paragraph, item.implicitParagraph, 0});
        }
        for (auto it = m_frames.crbegin(); it != m_frames.crend(); ++it)
            blocks.append(it->component);
        return blocks;
    }

    void append(const QString& text)
    {
        if (text.isEmpty())
            return;
        MarkdownRun run {text, currentBlocks(), currentIntent(), m_links.isEmpty() ? QString() : m_links.last()};
        if (!runs.isEmpty()) {
            MarkdownRun& last = runs.last();
            if (last.blocks == run.blocks && last.inlineIntent == run.inlineIntent && last.link == run.link) {
                last.text += text;
                return;
            }
        }
        runs.append(std::move(run));
    }

    // Code and HTML blocks keep their lines, without the two spaces the line-break normaliser put
    // before each break and without the block's final line break (the separator after the block
    // supplies that).
    void tidyVerbatimBlock(int codeBlockIdentity)
    {
        const QString padded = QStringLiteral("  \n");
        for (qsizetype i = runs.size() - 1; i >= 0; --i) {
            MarkdownRun& run = runs[i];
            if (run.blocks.isEmpty() || run.blocks.first().identity != codeBlockIdentity)
                break;
            run.text.replace(padded, QStringLiteral("\n"));
            if (i == runs.size() - 1) {
                if (run.text.endsWith(QLatin1Char('\n')))
                    run.text.chop(1);
                if (run.text.endsWith(QStringLiteral("  ")))
                    run.text.chop(2);
            }
        }
        if (!runs.isEmpty() && runs.last().text.isEmpty())
            runs.removeLast();
    }

    QList<Frame> m_frames;
    QList<QString> m_links;
    std::array<int, 4> m_spanDepth {};
    int m_nextIdentity = 0;
};

Collector* collector(void* userdata)
{
    return static_cast<Collector*>(userdata);
}

} // namespace

std::optional<QList<MarkdownRun>> MarkdownRunBuilder::parse(const QString& markdown)
{
    const QByteArray utf8 = markdown.toUtf8();
    Collector result;
    MD_PARSER parser {};
    parser.abi_version = 0;
    parser.flags = MD_FLAG_STRIKETHROUGH;
    parser.enter_block = [](MD_BLOCKTYPE type, void* detail, void* data) { return collector(data)->enterBlock(type, detail); };
    parser.leave_block = [](MD_BLOCKTYPE type, void*, void* data) { return collector(data)->leaveBlock(type); };
    parser.enter_span = [](MD_SPANTYPE type, void* detail, void* data) { return collector(data)->enterSpan(type, detail); };
    parser.leave_span = [](MD_SPANTYPE type, void*, void* data) { return collector(data)->leaveSpan(type); };
    parser.text = [](MD_TEXTTYPE type, const MD_CHAR* text, MD_SIZE size, void* data) {
        return collector(data)->text(type, text, size);
    };
    if (md_parse(utf8.constData(), static_cast<MD_SIZE>(utf8.size()), &parser, &result) != 0)
        return std::nullopt;
    return std::move(result.runs);
}
