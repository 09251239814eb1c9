#include "transfer/ArchiveWriter.h"

#include "domain/Ids.h"
#include "transfer/ArchiveDates.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The archive's text is written as it goes, one item a line: a QJsonObject per item (and a
// QJsonDocument holding them all) cost several times more than the store read and the file write.
class ArchiveText
{
public:
    explicit ArchiveText(qsizetype expectedSize) { m_out.reserve(expectedSize); }

    QByteArray take() { return std::move(m_out); }

    void raw(const char* text) { m_out.append(text); }

    // `"key": ` after a comma, unless it is the first of its object.
    ArchiveText& key(const char* name)
    {
        if (!m_first)
            m_out.append(", ");
        return field(name);
    }
    // `"key": ` alone, where the caller has written what goes before it.
    ArchiveText& field(const char* name)
    {
        m_first = false;
        m_out.append('"').append(name).append("\": ");
        return *this;
    }
    void open(char bracket)
    {
        m_out.append(bracket);
        m_first = true;
    }
    // Ends a value inside an object or list written after it.
    void close(char bracket)
    {
        m_out.append(bracket);
        m_first = false;
    }

    void string(QStringView text) { quoted(text.toUtf8()); }
    void string(const QString& text) { quoted(text.toUtf8()); }
    void uuid(const QUuid& id)
    {
        char text[uuidTextLength];
        writeUuidText(id, text);
        m_out.append('"').append(text, uuidTextLength).append('"');
    }
    void date(const QDateTime& date)
    {
        m_out.append('"');
        appendArchiveDate(m_out, date);
        m_out.append('"');
    }
    void number(qint64 value) { m_out.append(QByteArray::number(value)); }
    void boolean(bool value) { m_out.append(value ? "true" : "false"); }
    void json(const QJsonValue& value)
    {
        // Small values (sidebar entries): Qt's own text, of a list holding only the value.
        const QByteArray list = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
        m_out.append(list.constData() + 1, list.size() - 2);
    }

    void optional(const char* name, const std::optional<QString>& value)
    {
        if (value)
            key(name).string(*value);
    }
    void optional(const char* name, const std::optional<QUuid>& value)
    {
        if (value)
            key(name).uuid(*value);
    }
    void optional(const char* name, const std::optional<QDateTime>& value)
    {
        if (value)
            key(name).date(*value);
    }

private:
    // JSON's escapes for quotes, backslashes and control characters; everything else as UTF-8.
    void quoted(const QByteArray& utf8)
    {
        m_out.append('"');
        qsizetype runStart = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const auto c = uchar(utf8[i]);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            m_out.append(utf8.constData() + runStart, i - runStart);
            runStart = i + 1;
            switch (c) {
            case '"':
                m_out.append("\\\"");
                break;
            case '\\':
                m_out.append("\\\\");
                break;
            case '\n':
                m_out.append("\\n");
                break;
            case '\r':
                m_out.append("\\r");
                break;
            case '\t':
                m_out.append("\\t");
                break;
            case '\b':
                m_out.append("\\b");
                break;
            case '\f':
                m_out.append("\\f");
                break;
            default: {
                static constexpr char hex[] = "0123456789abcdef";
                const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
                m_out.append(escape, sizeof escape);
            }
            }
        }
        m_out.append(utf8.constData() + runStart, utf8.size() - runStart);
        m_out.append('"');
    }

    QByteArray m_out;
    bool m_first = true;
};

void writeItem(ArchiveText& text, const Item& item)
{
    text.open('{');
    text.key("id").uuid(item.id);
    text.key("content").string(item.content);
    text.key("status").string(itemStatusText(item.status));
    text.key("order").number(item.order);
    text.key("createdBy").uuid(item.createdBy);
    text.optional("assignee", item.assignee);
    text.optional("author", item.author);
    text.key("createdAt").date(item.createdAt);
    text.key("updatedAt").date(item.updatedAt);
    text.optional("deletedAt", item.deletedAt);
    text.optional("archivedAt", item.archivedAt);
    text.key("revision").number(item.revision);
    text.key("didSync").boolean(item.didSync);
    text.close('}');
}

void writeBoard(ArchiveText& text, const Board& board)
{
    text.open('{');
    text.key("id").uuid(board.id);
    text.key("name").string(board.name);
    text.key("createdAt").date(board.createdAt);
    text.key("updatedAt").date(board.updatedAt);
    text.key("syncWithServer").boolean(board.syncWithServer);
    text.key("createdBy").string(board.createdBy);
    text.optional("info", board.info);
    text.key("isActive").boolean(board.isActive);
    text.key("revision").number(board.revision);
    text.key("items").open('[');
    for (qsizetype i = 0; i < board.items.size(); ++i) {
        text.raw(i == 0 ? "\n      " : ",\n      ");
        writeItem(text, board.items[i]);
    }
    text.raw(board.items.isEmpty() ? "" : "\n    ");
    text.close(']');
    text.close('}');
}

void writeCopy(ArchiveText& text, const ConflictCopy& copy)
{
    text.open('{');
    text.key("id").uuid(copy.id);
    text.key("itemId").uuid(copy.itemId);
    text.key("boardId").uuid(copy.boardId);
    text.key("boardName").string(copy.boardName);
    text.key("content").string(copy.content);
    text.key("status").string(itemStatusText(copy.status));
    text.optional("assignee", copy.assignee);
    text.key("createdBy").uuid(copy.createdBy);
    text.key("order").number(copy.order);
    text.key("savedAt").date(copy.savedAt);
    text.key("reason").string(conflictReasonText(copy.reason));
    text.close('}');
}

void writeLayout(ArchiveText& text, const char* name, const QList<SidebarEntryStorage>& layout)
{
    text.key(name).open('[');
    for (qsizetype i = 0; i < layout.size(); ++i) {
        text.raw(i == 0 ? "" : ", ");
        text.json(JsonCodec<SidebarEntryStorage>::encode(layout[i]));
    }
    text.close(']');
}

// Lists of records, one a line under their key.
template <typename Record, typename Write>
void writeList(ArchiveText& text, const QList<Record>& records, const char* indent, Write write)
{
    text.open('[');
    for (qsizetype i = 0; i < records.size(); ++i) {
        text.raw(i == 0 ? "\n" : ",\n");
        text.raw(indent);
        write(text, records[i]);
    }
    if (!records.isEmpty())
        text.raw("\n  ");
    text.close(']');
}

}

QByteArray writeArchive(const BoardArchive& archive, const QDateTime& exportedAt)
{
    // About 500 bytes an item; reserving spares the copies of a growing buffer.
    ArchiveText text(archive.itemCount() * 512 + 4096);
    text.open('{');
    text.raw("\n  ");
    text.field("format").string(QStringLiteral("plenko-archive"));
    text.raw(",\n  ");
    text.field("version").number(boardArchiveVersion);
    text.raw(",\n  ");
    text.field("exportedAt").date(exportedAt);
    text.raw(",\n  ");
    text.field("boards");
    writeList(text, archive.boards, "    ", writeBoard);
    text.raw(",\n  ");
    text.field("sidebar").open('{');
    writeLayout(text, "local", archive.localLayout);
    writeLayout(text, "remote", archive.cloudLayout);
    text.close('}');
    text.raw(",\n  ");
    text.field("conflictCopies");
    writeList(text, archive.conflictCopies, "    ", writeCopy);
    text.raw("\n}\n");
    return text.take();
}
