// Spreadsheet programs run a cell that begins with =, +, -, @, a tab or a carriage return as a
// formula, so item text in our CSV could run something on the reader's computer. Such text is
// written with a leading apostrophe (which spreadsheets hide) and read back without it, exactly.
#pragma once

#include <QString>

QString guardedSpreadsheetText(const QString& text);
QString unguardedSpreadsheetText(const QString& text);
