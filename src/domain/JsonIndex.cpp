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

    quint32 append(JsonIndex::Kind kind)
    {
        JsonIndex::Node node;
        node.kind = kind;
        node.begin = quint32(m_pos);
        m_nodes.push_back(node);
        return quint32(m_nodes.size() - 1);
    }

    void close(quint32 node) { m_nodes[node].next = quint32(m_nodes.size()); }

    bool value(int depth)
    {
        if (m_pos >= m_size || depth > maxDepth)
            return false;
        switch (m_text[m_pos]) {
        case '{':
            return object(depth);
        case '[':
            return array(depth);
        case '"':
            return string();
        case 't':
            return literal("true", JsonIndex::Kind::boolean, true);
        case 'f':
            return literal("false", JsonIndex::Kind::boolean, false);
        case 'n':
            return literal("null", JsonIndex::Kind::null, false);
        default:
            return number();
        }
    }

    bool object(int depth)
    {
        const quint32 node = append(JsonIndex::Kind::object);
        ++m_pos;
        skipSpace();
        quint32 members = 0;
        if (!at('}')) {
            while (true) {
                if (!at('"') || !string())
                    return false;
                skipSpace();
                if (!at(':'))
                    return false;
                ++m_pos;
                skipSpace();
                if (!value(depth + 1))
                    return false;
                ++members;
                skipSpace();
                if (!at(','))
                    break;
                ++m_pos;
                skipSpace();
            }
            if (!at('}'))
                return false;
        }
        ++m_pos;
        m_nodes[node].size = members;
        close(node);
        return true;
    }

    bool array(int depth)
    {
        const quint32 node = append(JsonIndex::Kind::array);
        ++m_pos;
        skipSpace();
        quint32 elements = 0;
        if (!at(']')) {
            while (true) {
                if (!value(depth + 1))
                    return false;
                ++elements;
                skipSpace();
                if (!at(','))
                    break;
                ++m_pos;
                skipSpace();
            }
            if (!at(']'))
                return false;
        }
        ++m_pos;
        m_nodes[node].size = elements;
        close(node);
        return true;
    }

    bool string()
    {
        ++m_pos;
        const quint32 node = append(JsonIndex::Kind::string);
        bool escaped = false;
        bool ascii = true;
        while (true) {
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
        JsonIndex::Node& indexed = m_nodes[node];
        indexed.size = quint32(m_pos - indexed.begin);
        ++m_pos;
        indexed.plain = ascii && !escaped;
        close(node);
        if (ascii)
            return true;
        const QByteArrayView bytes(m_text + indexed.begin, indexed.size);
        // A byte order mark is the one valid sequence that some UTF-8 readers drop.
        return bytes.isValidUtf8() && !bytes.contains(QByteArrayView("\xEF\xBB\xBF"));
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

    bool literal(const char* word, JsonIndex::Kind kind, bool truth)
    {
        const qsizetype length = qsizetype(std::strlen(word));
        if (m_size - m_pos < length || std::memcmp(m_text + m_pos, word, size_t(length)) != 0)
            return false;
        const quint32 node = append(kind);
        m_nodes[node].plain = truth;
        m_pos += length;
        close(node);
        return true;
    }

    // Exponents are left to QJsonDocument: it refuses the ones out of a double's range.
    bool number()
    {
        const quint32 node = append(JsonIndex::Kind::number);
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
        m_nodes[node].size = quint32(m_pos - start);
        m_nodes[node].plain = integer;
        close(node);
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
    // About one value per 25 bytes in item lists; a guess that saves most regrowth.
    index.m_nodes.reserve(size_t(text.size() / 25 + 16));
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
