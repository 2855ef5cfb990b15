#pragma once
// CSV as spreadsheets read and write it (RFC 4180): the exports write fields with CsvField, the
// diary's import reads them back with CsvRecords and CsvText.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// A field as RFC 4180 wants it; text a spreadsheet would run as a formula is kept as text.
QString CsvField(QString field);
// A field as it was before CsvField guarded it against being run as a formula: CsvText gives back
// every text CsvField was given, whatever apostrophes it starts with.
QString CsvText(QString field);

struct CsvRecord {
    int line = 0;       // the 1-based line of the text where the record starts
    QStringList fields; // unquoted
    bool closed = true; // false: the text ended inside a quoted field
};
// The records of CSV text: lines end in CR LF or LF; quoted fields may hold the separator, quotes
// and line breaks. Empty lines are left out. Spreadsheets set to a decimal comma separate with ';'.
QList<CsvRecord> CsvRecords(QStringView text, QChar separator = u',');
