#pragma once
// Writes a Jet 4 (.mdb) database holding one table, in the least form that libmdb and the
// mdbtools command-line tools read: a header page, the MSysObjects catalog with one row, the
// table definition, its usage maps and its data pages. No indexes, no memo or long values:
// every value lives in its row.

#include <QByteArray>
#include <QString>

#include <variant>
#include <vector>

namespace jet4 {

enum class ColumnType : unsigned char {
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Single = 0x06,
    Double = 0x07,
    Text = 0x0A
};

// Text columns hold at most this many UTF-16 code units, all in the Basic Multilingual Plane.
inline constexpr int MaxTextLength = 255;

struct Column {
    QString name;
    ColumnType type = ColumnType::Text;
};

// std::monostate is NULL; qint32 goes into Byte, Integer and Long columns (within their range),
// double into Single and Double, QString into Text.
using Value = std::variant<std::monostate, qint32, double, QString>;
using Row = std::vector<Value>;

struct Table {
    QString name;
    std::vector<Column> columns;
    std::vector<Row> rows;
};

// Why value cannot be stored in column, or an empty string when it can.
QString CheckValue(const Column& column, const Value& value);

// The whole database file, or an empty array with the reason in *error.
QByteArray BuildDatabase(const Table& table, QString* error);

// Builds the database and writes it to path through a temporary file in the same folder that is
// renamed over path only when complete, so path never holds a partial file.
bool WriteDatabaseFile(const QString& path, const Table& table, QString* error);

} // namespace jet4
