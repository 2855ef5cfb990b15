#include "frame/core/csv.h"

namespace {

const QString FormulaStarts = QStringLiteral("=+-@\t\r");

// Whether the text after the field's leading apostrophes starts like a formula. Such a field gets
// one apostrophe more and loses one when read, so an apostrophe a name starts with survives.
bool GuardedStart(QStringView field) {
    qsizetype i = 0;
    while (i < field.size() && field[i] == u'\'')
        ++i;
    return i < field.size() && FormulaStarts.contains(field[i]);
}

} // namespace

QString CsvField(QString field) {
    if (GuardedStart(field))
        field.prepend(u'\'');
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
        field.contains(u'\r')) {
        field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        field = u'"' + field + u'"';
    }
    return field;
}

QString CsvText(QString field) {
    if (field.startsWith(u'\'') && GuardedStart(field))
        field.remove(0, 1);
    return field;
}

QList<CsvRecord> CsvRecords(QStringView text, QChar separator) {
    QList<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool quoted = false;  // inside a quoted field
    bool started = false; // the record has a character
    int line = 1;
    const auto endRecord = [&] {
        if (started) {
            record.fields << field;
            records << record;
        }
        record = {};
        field.clear();
        started = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!started)
            record.line = line;
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // the LF ends the record
        if (c == u'\n') {
            ++line;
            endRecord();
            continue;
        }
        started = true;
        if (c == u'"' && field.isEmpty())
            quoted = true;
        else if (c == separator) {
            record.fields << field;
            field.clear();
        } else
            field += c;
    }
    record.closed = !quoted;
    endRecord();
    return records;
}
