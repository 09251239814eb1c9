#include "domain/JsonIndex.h"

#include <array>
#include <cstring>
#include <limits>

namespace {
// Far below QJsonDocument's own limit; service answers nest three levels.
constexpr int maxDepth = 64;
// Without an exponent, a number this short is always a finite double.
constexpr qsizetype maxNumberLength = 300;

enum ByteClass : quint8 { ordinary, quote, backslash, control, nonAscii };

constexpr auto byteClasses = [] {
    std::array<quint8, 256> classes {};
    for (int c = 0; c < 0x20; ++c)
        classes[size_t(c)] = control;
    for (int c = 0x80; c < 0x100; ++c)
        classes[size_t(c)] = nonAscii;
    classes['"'] = quote;
    classes['\\'] = backslash;
    return classes;
}();

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of the four hex digits at text, or -1.
int hexUnit(const char* text)
{
    int unit = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(text[i]);
        if (digit < 0)
            return -1;
        unit = unit << 4 | digit;
    }
    return unit;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Builder
{
public:
    Builder(QByteArrayView text, std::vector<JsonIndex::Node>& nodes)
        : m_text(text.data())
        , m_size(text.size())
        , m_nodes(nodes)
    {
    }

    bool document()
    {
        skipSpace();
        if (!value(0))
            return false;
        skipSpace();
        return m_pos == m_size;
    }

private:
    void skipSpace()
    {
        while (m_pos < m_size) {
            const char c = m_text[m_pos];
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                return;
            ++m_pos;
        }
    }

    bool at(char c) const { return m_pos < m_size && m_text[m_pos] == c; }

    // Values nested deeper than this are not given nodes; a container at this depth gets one node for
    // its whole text. A large answer then needs no index of all its values at once, only of one list
    // item at a time: a whole index touched so much new memory that it cost a third of the time.
    static constexpr int indexedDepth = 2;

    void record(const JsonIndex::Node& node)
    {
        m_nodes.push_back(node);
        m_nodes.back().next = quint32(m_nodes.size());
    }

    bool value(int depth)
    {
        if (m_pos >= m_size || depth > maxDepth)
            return false;
        const bool recorded = depth <= indexedDepth;
        switch (m_text[m_pos]) {
        case '{':
        case '[':
            return container(depth);
        case '"':
            return string(recorded);
        case 't':
            return literal("true", JsonIndex::Kind::boolean, true, recorded);
        case 'f':
            return literal("false", JsonIndex::Kind::boolean, false, recorded);
        case 'n':
            return literal("null", JsonIndex::Kind::null, false, recorded);
        default:
            return number(recorded);
        }
    }

    bool container(int depth)
    {
        const bool isObject = m_text[m_pos] == '{';
        const char closing = isObject ? '}' : ']';
        const bool recorded = depth <= indexedDepth;
        const bool childrenRecorded = depth < indexedDepth;
        const size_t slot = m_nodes.size();
        JsonIndex::Node node;
        node.kind = isObject ? JsonIndex::Kind::object : JsonIndex::Kind::array;
        node.begin = quint32(m_pos);
        node.whole = !childrenRecorded;
        if (recorded)
            record(node);
        ++m_pos;
        skipSpace();
        quint32 children = 0;
        if (!at(closing)) {
            while (true) {
                if (isObject) {
                    if (!at('"') || !string(childrenRecorded))
                        return false;
                    skipSpace();
                    if (!at(':'))
                        return false;
                    ++m_pos;
                    skipSpace();
                }
                if (!value(depth + 1))
                    return false;
                ++children;
                skipSpace();
                if (!at(','))
                    break;
                ++m_pos;
                skipSpace();
            }
            if (!at(closing))
                return false;
        }
        ++m_pos;
        if (recorded) {
            JsonIndex::Node& indexed = m_nodes[slot];
            indexed.size = childrenRecorded ? children : quint32(m_pos - indexed.begin);
            indexed.next = quint32(m_nodes.size());
        }
        return true;
    }

    bool string(bool recorded)
    {
        ++m_pos;
        JsonIndex::Node node;
        node.kind = JsonIndex::Kind::string;
        node.begin = quint32(m_pos);
        bool escaped = false;
        bool ascii = true;
        while (true) {
            skipOrdinaryBytes();
            if (m_pos >= m_size)
                return false;
            switch (byteClasses[uchar(m_text[m_pos])]) {
            case ordinary:
                ++m_pos;
                continue;
            case nonAscii:
                ascii = false;
                ++m_pos;
                continue;
            case control:
                return false;
            case backslash:
                if (!escape())
                    return false;
                escaped = true;
                continue;
            case quote:
                break;
            }
            break;
        }
        node.size = quint32(m_pos - node.begin);
        ++m_pos;
        node.plain = ascii && !escaped;
        if (!ascii) {
            const QByteArrayView bytes(m_text + node.begin, node.size);
            // A byte order mark is the one valid sequence that some UTF-8 readers drop.
            if (!bytes.isValidUtf8() || bytes.contains(QByteArrayView("\xEF\xBB\xBF")))
                return false;
        }
        if (recorded)
            record(node);
        return true;
    }

    // Steps over eight bytes at a time while none of them ends the string, starts an escape, is a
    // control character or is beyond ASCII: most of a large answer is such text.
    void skipOrdinaryBytes()
    {
        constexpr quint64 ones = 0x0101010101010101;
        constexpr quint64 highs = 0x8080808080808080;
        auto hasZeroByte = [](quint64 v) { return (v - ones) & ~v & highs; };
        while (m_size - m_pos >= 8) {
            quint64 v;
            std::memcpy(&v, m_text + m_pos, sizeof v);
            const quint64 special = (v & highs) | hasZeroByte(v ^ (ones * '"'))
                | hasZeroByte(v ^ (ones * '\\')) | ((v - ones * 0x20) & ~v & highs);
            if (special)
                return;
            m_pos += 8;
        }
    }

    bool escape()
    {
        if (m_pos + 1 >= m_size)
            return false;
        switch (m_text[m_pos + 1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            m_pos += 2;
            return true;
        case 'u':
            if (m_pos + 6 > m_size || hexUnit(m_text + m_pos + 2) < 0)
                return false;
            m_pos += 6;
            return true;
        default:
            return false;
        }
    }

    bool literal(const char* word, JsonIndex::Kind kind, bool truth, bool recorded)
    {
        const qsizetype length = qsizetype(std::strlen(word));
        if (m_size - m_pos < length || std::memcmp(m_text + m_pos, word, size_t(length)) != 0)
            return false;
        if (recorded) {
            JsonIndex::Node node;
            node.kind = kind;
            node.begin = quint32(m_pos);
            node.plain = truth;
            record(node);
        }
        m_pos += length;
        return true;
    }

    // Exponents are left to QJsonDocument: it refuses the ones out of a double's range.
    bool number(bool recorded)
    {
        const qsizetype start = m_pos;
        if (at('-'))
            ++m_pos;
        if (at('0')) {
            ++m_pos;
        } else {
            if (m_pos >= m_size || m_text[m_pos] < '1' || m_text[m_pos] > '9')
                return false;
            while (m_pos < m_size && isDigit(m_text[m_pos]))
                ++m_pos;
        }
        bool integer = true;
        if (at('.')) {
            ++m_pos;
            if (m_pos >= m_size || !isDigit(m_text[m_pos]))
                return false;
            while (m_pos < m_size && isDigit(m_text[m_pos]))
                ++m_pos;
            integer = false;
        }
        if (at('e') || at('E') || m_pos - start > maxNumberLength)
            return false;
        if (recorded) {
            JsonIndex::Node node;
            node.kind = JsonIndex::Kind::number;
            node.begin = quint32(start);
            node.size = quint32(m_pos - start);
            node.plain = integer;
            record(node);
        }
        return true;
    }

    const char* m_text;
    qsizetype m_size;
    qsizetype m_pos = 0;
    std::vector<JsonIndex::Node>& m_nodes;
};
}

std::optional<JsonIndex> JsonIndex::build(QByteArrayView text)
{
    if (text.size() >= std::numeric_limits<quint32>::max())
        return std::nullopt;
    JsonIndex index(text);
    index.m_nodes.reserve(64);
    if (!Builder(text, index.m_nodes).document())
        return std::nullopt;
    return index;
}

std::optional<QString> JsonIndex::string(const Node& node) const
{
    const QByteArrayView text = bytes(node);
    if (node.plain)
        return QString::fromLatin1(text);
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype slash = text.indexOf('\\', pos);
        const qsizetype end = slash < 0 ? text.size() : slash;
        if (end > pos)
            result += QString::fromUtf8(text.sliced(pos, end - pos));
        if (slash < 0)
            break;
        // build() accepted only the standard escapes, complete.
        const char kind = text[slash + 1];
        pos = slash + 2;
        switch (kind) {
        case 'b':
            result += QChar(u'\b');
            break;
        case 'f':
            result += QChar(u'\f');
            break;
        case 'n':
            result += QChar(u'\n');
            break;
        case 'r':
            result += QChar(u'\r');
            break;
        case 't':
            result += QChar(u'\t');
            break;
        case 'u': {
            const int unit = hexUnit(text.data() + pos);
            pos += 4;
            if (QChar::isLowSurrogate(char32_t(unit)))
                return std::nullopt;
            if (QChar::isHighSurrogate(char32_t(unit))) {
                const int low = pos + 6 <= text.size() && text[pos] == '\\' && text[pos + 1] == 'u'
                    ? hexUnit(text.data() + pos + 2)
                    : -1;
                if (low < 0 || !QChar::isLowSurrogate(char32_t(low)))
                    return std::nullopt;
                result += QChar(char16_t(unit));
                result += QChar(char16_t(low));
                pos += 6;
                break;
            }
            result += QChar(char16_t(unit));
            break;
        }
        default: // '"', '\\', '/'
            result += QLatin1Char(kind);
            break;
        }
    }
    return result;
}

std::optional<qint64> JsonIndex::integer(const Node& node) const
{
    if (node.kind != Kind::number || !node.plain)
        return std::nullopt;
    const QByteArrayView text = bytes(node);
    const bool negative = text.front() == '-';
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 value = 0;
    for (qsizetype i = negative ? 1 : 0; i < text.size(); ++i) {
        const quint64 digit = quint64(text[i] - '0');
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? qint64(0 - value) : qint64(value);
}
