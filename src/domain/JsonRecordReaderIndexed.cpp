// The reads of JsonRecordReader on an indexed text (JsonIndex): the same rules, keys converted from
// snake case the same way, but any failure only gives up; the text is then read again through
// QJsonDocument, which describes the failure.
#include "domain/JsonRecordReader.h"

#include "domain/Ids.h"
#include "domain/IsoDate.h"

JsonRecordReader::JsonRecordReader(const JsonIndex& index, quint32 object)
    : m_index(&index)
{
    indexMembers(object);
}

void JsonRecordReader::indexMembers(quint32 object)
{
    const JsonIndex::Node& node = m_index->node(object);
    m_members.reserve(node.size);
    QVarLengthArray<qsizetype, 16> snakeCase; // members whose key has an underscore
    for (quint32 key = object + 1; key < node.next; key = m_index->node(key + 1).next) {
        const JsonIndex::Node& keyNode = m_index->node(key);
        if (!keyNode.plain) // escapes or letters beyond ASCII: left to the general reader
            return giveUp();
        const QByteArrayView text = m_index->bytes(keyNode);
        if (text.contains('_'))
            snakeCase.append(m_members.size());
        m_members.append(Member { QLatin1StringView(text), key + 1 });
    }

    // camelCaseKey on ASCII text: underscores dropped, each letter after one in upper case, the
    // leading and trailing underscores kept.
    QVarLengthArray<qsizetype, 16> convertedAt;
    for (const qsizetype member : snakeCase) {
        const QLatin1StringView key = m_members[member].key;
        qsizetype first = 0;
        while (first < key.size() && key[first] == QLatin1Char('_'))
            ++first;
        qsizetype last = key.size() - 1;
        while (last >= first && key[last] == QLatin1Char('_'))
            --last;
        convertedAt.append(m_camelCaseKeys.size());
        m_camelCaseKeys.append(key.left(first).latin1(), first);
        bool upper = false;
        for (qsizetype i = first; i <= last; ++i) {
            const char c = key[i].toLatin1();
            if (c == '_') {
                upper = true;
                continue;
            }
            m_camelCaseKeys.append(upper && c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c);
            upper = false;
        }
        m_camelCaseKeys.append(key.sliced(last + 1).latin1(), key.size() - last - 1);
    }
    for (qsizetype i = 0; i < snakeCase.size(); ++i) {
        const qsizetype end = i + 1 < convertedAt.size() ? convertedAt[i + 1] : m_camelCaseKeys.size();
        m_members[snakeCase[i]].key
            = QLatin1StringView(m_camelCaseKeys.constData() + convertedAt[i], end - convertedAt[i]);
    }

    // Which of two equal keys counts is the general reader's business.
    for (qsizetype i = 0; i < m_members.size(); ++i) {
        for (qsizetype j = i + 1; j < m_members.size(); ++j) {
            if (m_members[i].key == m_members[j].key)
                return giveUp();
        }
    }
}

const JsonIndex::Node* JsonRecordReader::member(QStringView key) const
{
    for (const Member& member : m_members) {
        if (member.key.size() == key.size() && member.key == key)
            return &m_index->node(member.value);
    }
    return nullptr;
}

const JsonIndex::Node* JsonRecordReader::requiredNode(QStringView key, JsonIndex::Kind kind)
{
    if (failed())
        return nullptr;
    const JsonIndex::Node* node = member(key);
    if (!node || node->kind != kind) {
        giveUp();
        return nullptr;
    }
    return node;
}

const JsonIndex::Node* JsonRecordReader::optionalNode(QStringView key, JsonIndex::Kind kind)
{
    if (failed())
        return nullptr;
    const JsonIndex::Node* node = member(key);
    if (!node || node->kind == JsonIndex::Kind::null)
        return nullptr;
    if (node->kind != kind) {
        giveUp();
        return nullptr;
    }
    return node;
}

QString JsonRecordReader::stringOf(const JsonIndex::Node& node)
{
    std::optional<QString> text = m_index->string(node);
    if (!text)
        giveUp();
    return std::move(text).value_or(QString());
}

QUuid JsonRecordReader::uuidOf(const JsonIndex& index, const JsonIndex::Node& node)
{
    // As uuidFrom: the hyphenated form only, the null id only when written as zeros.
    const QByteArrayView text = index.bytes(node);
    const QUuid id
        = node.plain && text.size() == uuidTextLength ? readUuidText(text.data(), text.size()) : QUuid();
    if (id.isNull() && text != QByteArrayView("00000000-0000-0000-0000-000000000000"))
        giveUp();
    return id;
}

QList<QUuid> JsonRecordReader::uuidsOf(const JsonIndex& index, const JsonIndex::Node& array)
{
    if (array.whole) {
        const std::optional<JsonIndex> contents = index.contents(array);
        if (!contents) {
            giveUp();
            return {};
        }
        return uuidsOf(*contents, contents->node(0));
    }
    QList<QUuid> ids;
    ids.reserve(array.size);
    for (quint32 element = index.indexOf(array) + 1; element < array.next && !failed();
         element = index.node(element).next) {
        const JsonIndex::Node& id = index.node(element);
        if (id.kind != JsonIndex::Kind::string)
            giveUp();
        else
            ids.append(uuidOf(index, id));
    }
    return ids;
}

QDateTime JsonRecordReader::dateOf(const JsonIndex::Node& node)
{
    const std::optional<QDateTime> date = parseIsoDate(stringOf(node));
    if (!date)
        giveUp();
    return date.value_or(QDateTime());
}
