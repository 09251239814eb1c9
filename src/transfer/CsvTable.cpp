#include "transfer/CsvTable.h"

namespace {

// Text that is not UTF-8 decodes with replacement characters, so it does not encode back the same.
bool isUtf8(QByteArrayView bytes, const QString& decoded)
{
    return decoded.toUtf8() == bytes;
}

std::expected<QString, FileFormatError> decodeUtf8(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (isUtf8(bytes, text))
        return text;
    // The line of the first bad byte, for the message.
    qsizetype line = 1;
    for (qsizetype start = 0; start < bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView lineBytes = bytes.sliced(start, end - start);
        if (!isUtf8(lineBytes, QString::fromUtf8(lineBytes)))
            break;
        start = end + 1;
    }
    return std::unexpected(FileFormatError::atLine(line, QStringLiteral("the text is not UTF-8")));
}

bool needsQuotes(const QString& field)
{
    for (const QChar c : field) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return true;
    }
    return false;
}

}

std::expected<QList<CsvRecord>, FileFormatError> readCsv(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    const auto decoded = decodeUtf8(view);
    if (!decoded)
        return std::unexpected(decoded.error());
    const QString& text = *decoded;

    QList<CsvRecord> records;
    CsvRecord record {1, {}};
    QString field;
    qsizetype line = 1;
    qsizetype i = 0;
    const qsizetype size = text.size();
    bool atRecordStart = true;
    auto endRecord = [&] {
        record.fields.append(field);
        field.clear();
        records.append(std::move(record));
        record = CsvRecord {line, {}};
        atRecordStart = true;
    };
    while (i < size) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') && field.isEmpty()) {
            const qsizetype quoteLine = line;
            ++i;
            for (;;) {
                if (i >= size)
                    return std::unexpected(FileFormatError::atLine(quoteLine, QStringLiteral("a quoted field is never closed")));
                const QChar q = text.at(i);
                if (q == QLatin1Char('"')) {
                    if (i + 1 < size && text.at(i + 1) == QLatin1Char('"')) {
                        field.append(q);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (q == QLatin1Char('\n'))
                    ++line;
                field.append(q);
                ++i;
            }
            if (i < size && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\n')
                && text.at(i) != QLatin1Char('\r'))
                return std::unexpected(FileFormatError::atLine(line, QStringLiteral("text follows a quoted field's closing quote")));
            atRecordStart = false;
            continue;
        }
        if (c == QLatin1Char(',')) {
            record.fields.append(field);
            field.clear();
            atRecordStart = false;
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            i += (c == QLatin1Char('\r') && i + 1 < size && text.at(i + 1) == QLatin1Char('\n')) ? 2 : 1;
            ++line;
            endRecord();
            record.line = line;
        } else if (c == QLatin1Char('"')) {
            return std::unexpected(FileFormatError::atLine(line, QStringLiteral("a quote inside a field that does not start with one")));
        } else {
            field.append(c);
            atRecordStart = false;
            ++i;
        }
    }
    if (!atRecordStart)
        endRecord();
    // Blank lines (a spreadsheet's trailing ones) hold no record.
    records.removeIf([](const CsvRecord& r) { return r.fields.size() == 1 && r.fields.first().isEmpty(); });
    return records;
}

void appendCsvRecord(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append(',');
        const QString& field = fields.at(i);
        if (needsQuotes(field)) {
            QString quoted = field;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out.append('"').append(quoted.toUtf8()).append('"');
        } else {
            out.append(field.toUtf8());
        }
    }
    out.append("\r\n");
}
