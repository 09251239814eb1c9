// RFC 4180 CSV, as spreadsheet programs write it: fields separated by commas, records by CRLF (a
// bare LF is taken too), fields that hold a comma, a quote or a line break in double quotes with
// quotes doubled. The reader skips a UTF-8 byte-order mark and rejects text that is not UTF-8.
#pragma once

#include "transfer/FileFormatError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>

struct CsvRecord
{
    qsizetype line = 0; // where the record starts, counting from 1
    QStringList fields;
};

std::expected<QList<CsvRecord>, FileFormatError> readCsv(const QByteArray& bytes);

// One record with its CRLF; fields quoted only when they need it.
void appendCsvRecord(QByteArray& out, const QStringList& fields);
