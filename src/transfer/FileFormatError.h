// Why a file could not be read as what it claims to be: one sentence that names the line or the
// field, fit to print on the command line or show in a dialog. Nothing of the file is imported.
#pragma once

#include <QString>

struct FileFormatError
{
    QString message;

    static FileFormatError atLine(qsizetype line, const QString& problem)
    {
        return {QStringLiteral("Line %1: %2").arg(line).arg(problem)};
    }
    static FileFormatError atField(const QString& field, const QString& problem)
    {
        return {QStringLiteral("Field \"%1\": %2").arg(field, problem)};
    }
};
