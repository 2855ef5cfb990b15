#include "fooddb/food_csv.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

namespace {

const QStringList Header{QStringLiteral("FoodName"), QStringLiteral("FoodOtherName"),
                         QStringLiteral("FoodHot"), QStringLiteral("FoodQuantity")};

struct Record {
    int line = 1; // where the record starts; a quoted field may span lines
    QStringList fields;
};

QString AtLine(int line, const QString& message) {
    return QStringLiteral("line %1: %2").arg(line).arg(message);
}

// Splits RFC 4180 text into records. Lines with nothing on them are not records.
bool SplitRecords(const QString& text, std::vector<Record>* records, QString* error) {
    Record record;
    QString field;
    bool quoted = false;      // inside a quoted field
    bool closedQuote = false; // a quoted field has just ended
    bool anything = false;    // the current line holds something
    int line = 1;
    auto endField = [&] {
        record.fields << field;
        field.clear();
        closedQuote = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
                closedQuote = true;
            } else {
                line += c == u'\n' ? 1 : 0;
                field += c;
            }
            continue;
        }
        if (c == u'\n' || (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) {
            i += c == u'\r' ? 1 : 0;
            if (anything) {
                endField();
                records->push_back(std::move(record));
            }
            record = Record{++line, {}};
            anything = false;
            continue;
        }
        anything = true;
        if (c == u',') {
            endField();
        } else if (closedQuote) {
            *error = AtLine(line, QStringLiteral("text after the closing quote of a field"));
            return false;
        } else if (c == u'"' && !field.isEmpty()) {
            *error = AtLine(line, QStringLiteral("a quote inside an unquoted field (quote the "
                                                 "whole field and double the quote)"));
            return false;
        } else if (c == u'"') {
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted) {
        *error = AtLine(record.line, QStringLiteral("a quoted field is not closed"));
        return false;
    }
    if (anything) {
        endField();
        records->push_back(std::move(record));
    }
    return true;
}

// Whole or decimal, no sign, no exponent, no leading or trailing zeros: the text is shown as is.
bool IsPlainNumber(const QString& s) {
    static const QRegularExpression number(
        QStringLiteral("^(0|[1-9][0-9]{0,8})(\\.[0-9]{0,5}[1-9])?$"));
    return number.match(s).hasMatch();
}

QString CheckField(const QString& name, const QString& value) {
    for (QChar c : value)
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("%1 has a control character").arg(name);
    if (QString e = jet4::CheckValue({name, jet4::ColumnType::Text}, value); !e.isEmpty())
        return QStringLiteral("%1: %2").arg(name, e);
    return {};
}

QString CheckFood(const QStringList& f) {
    for (int i = 0; i < Header.size(); ++i)
        if (QString e = CheckField(Header[i], f[i]); !e.isEmpty())
            return e;
    if (f[0].trimmed().isEmpty())
        return QStringLiteral("FoodName is empty");
    if (!IsPlainNumber(f[2]))
        return QStringLiteral("FoodHot \"%1\" is not a plain number such as 52 or 12.5").arg(f[2]);
    if (!IsPlainNumber(f[3]))
        return QStringLiteral("FoodQuantity \"%1\" is not a plain number such as 100 or 12.5")
            .arg(f[3]);
    if (f[3].toDouble() <= 0)
        return QStringLiteral("FoodQuantity must be greater than 0");
    return {};
}

QString CheckRecord(const Record& rec, const QHash<QString, int>& lineOfName) {
    if (rec.fields.size() != Header.size())
        return QStringLiteral("%1 fields, expected %2").arg(rec.fields.size()).arg(Header.size());
    if (QString e = CheckFood(rec.fields); !e.isEmpty())
        return e;
    if (lineOfName.contains(rec.fields[0]))
        return QStringLiteral("FoodName \"%1\" already appears on line %2")
            .arg(rec.fields[0])
            .arg(lineOfName.value(rec.fields[0]));
    return {};
}

} // namespace

std::optional<jet4::Table> ReadFoodsCsv(const QByteArray& content, QString* error) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(content);
    if (decoder.hasError()) {
        *error = QStringLiteral("not valid UTF-8 text");
        return std::nullopt;
    }
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);

    std::vector<Record> records;
    if (!SplitRecords(text, &records, error))
        return std::nullopt;
    if (records.empty() || records.front().fields != Header) {
        *error = AtLine(records.empty() ? 1 : records.front().line,
                        QStringLiteral("the header must be exactly %1").arg(Header.join(u',')));
        return std::nullopt;
    }

    jet4::Table table{QStringLiteral("FoodData"), {}, {}};
    for (const QString& name : Header)
        table.columns.push_back({name, jet4::ColumnType::Text});
    QHash<QString, int> lineOfName;
    for (size_t r = 1; r < records.size(); ++r) {
        const Record& rec = records[r];
        if (QString e = CheckRecord(rec, lineOfName); !e.isEmpty()) {
            *error = AtLine(rec.line, e);
            return std::nullopt;
        }
        lineOfName.insert(rec.fields[0], rec.line);
        const QStringList& f = rec.fields;
        table.rows.push_back(
            {f[0], f[1].isEmpty() ? jet4::Value{} : jet4::Value{f[1]}, f[2], f[3]});
    }
    return table;
}
