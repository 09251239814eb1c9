// A one-pass index of a JSON text: one node per value and per object key, in document order, each
// pointing into the text instead of copying it. Decoding a large sync answer through QJsonDocument
// spent half its time building the document and the other half copying values out of it.
//
// Values are indexed two levels deep; a container below that gets a single node for its whole text,
// indexed on its own when it is read (JsonIndex::build of its bytes). The items of a list are thus
// indexed one at a time instead of all at once.
//
// Only a plain subset of JSON is indexed, one whose meaning is certain to be what QJsonDocument
// gives it: standard whitespace, standard escapes, valid UTF-8 without byte order marks, numbers
// without exponents, modest nesting. For anything else build() gives up and the caller reads the
// text through QJsonDocument, which also words every syntax error.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

class JsonIndex
{
public:
    enum class Kind : quint8 { null, boolean, number, string, array, object };

    struct Node
    {
        quint32 begin = 0; // string: first byte after the quote; otherwise the value's first byte
        // string: bytes between the quotes; number: its text's length; container: its children, or
        // its text's length when whole
        quint32 size = 0;
        quint32 next = 0; // the node after this value and everything inside it
        Kind kind = Kind::null;
        // string: ASCII without escapes; number: an integer literal (no fraction); boolean: true
        bool plain = false;
        bool whole = false; // a container whose contents have no nodes; bytes() is its text
    };

    static std::optional<JsonIndex> build(QByteArrayView text);

    // The document's value is node 0; an object's nodes are its keys, each followed by its value.
    const Node& node(quint32 index) const { return m_nodes[index]; }
    quint32 indexOf(const Node& node) const { return quint32(&node - m_nodes.data()); }
    QByteArrayView bytes(const Node& node) const { return m_text.sliced(node.begin, node.size); }
    // The index of a container whose text was left whole.
    std::optional<JsonIndex> contents(const Node& node) const { return build(bytes(node)); }

    // Absent for a string this index cannot decode exactly like QJsonDocument (lone surrogates).
    std::optional<QString> string(const Node& node) const;
    // Absent for a number that is not an integer literal within 64 bits.
    std::optional<qint64> integer(const Node& node) const;

private:
    explicit JsonIndex(QByteArrayView text)
        : m_text(text)
    {
    }

    QByteArrayView m_text;
    std::vector<Node> m_nodes;
};
