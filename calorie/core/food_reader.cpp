#include "calorie/core/food_reader.h"

#include <QFile>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <QtEndian>

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcFood, "korvella.food", QtWarningMsg)

namespace food_reader {
namespace {

constexpr int DataPageHeader = 14;
constexpr int OffsetMask = 0x1FFF;  // the low bits of a row offset; the top bits are flags
constexpr int TableMapPointer = 55; // in a table definition: page << 8 | row of its usage map
constexpr int MinUsageMapBytes = 5; // map type and first page

// Only for a reader that hangs without using the processor (one that loops meets its processor
// limit first): generous, since a busy machine may leave a sound reader waiting for seconds.
constexpr std::chrono::seconds ReadDeadline{10};

quint32 Get16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}

// Whether row `row` of page `page` exists and holds at least minBytes, as libmdb locates rows.
bool RowExists(QFile& file, quint32 page, int row, int minBytes) {
    if (qint64(page) >= file.size() / PageSize || !file.seek(qint64(page) * PageSize))
        return false;
    const QByteArray p = file.read(PageSize);
    if (p.size() != PageSize || p[0] != 0x01)
        return false;
    const int rows = int(Get16(p.constData() + 12));
    if (row >= rows || DataPageHeader + 2 * rows > PageSize)
        return false;
    const quint32 start = Get16(p.constData() + DataPageHeader + 2 * row);
    const int end = row == 0
                        ? PageSize
                        : int(Get16(p.constData() + DataPageHeader + 2 * (row - 1)) & OffsetMask);
    return (start & ~quint32(OffsetMask)) == 0 && int(start) >= DataPageHeader + 2 * rows &&
           int(start) + minBytes <= end && end <= PageSize;
}

// The text of a number as a person would write it: shortest form that reads back to the same
// value, no exponent, "." as the point whatever the locale.
template <typename Float> std::string PlainNumber(Float v) {
    if (!std::isfinite(v))
        return {};
    if (v == 0)
        v = 0; // no "-0"
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string();
}

// The value of a numeric column in the row just fetched, read from the page itself: libmdb's
// own text for it depends on the locale and has no plain form for large or small values.
std::string NumberText(const MdbHandle* mdb, const MdbColumn* col) {
    static const int sizes[] = {0, 0, 1, 2, 4, 0, 4, 8}; // by type, up to MDB_DOUBLE
    const int size = sizes[col->col_type];
    if (col->cur_value_len != size || col->cur_value_start < 0 ||
        col->cur_value_start + size > PageSize)
        return {};
    const unsigned char* p = mdb->pg_buf + col->cur_value_start;
    switch (col->col_type) {
    case MDB_BYTE:
        return std::to_string(p[0]);
    case MDB_INT:
        return std::to_string(qFromLittleEndian<qint16>(p));
    case MDB_LONGINT:
        return std::to_string(qFromLittleEndian<qint32>(p));
    case MDB_FLOAT: {
        const quint32 bits = qFromLittleEndian<quint32>(p);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return PlainNumber(f);
    }
    default: {
        const quint64 bits = qFromLittleEndian<quint64>(p);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return PlainNumber(d);
    }
    }
}

bool IsNumber(int type) {
    return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT || type == MDB_FLOAT ||
           type == MDB_DOUBLE;
}

// One of the four fields: a text column bound to a buffer libmdb fills, a numeric column read
// from the page, or nothing (a missing column or a type that has no text).
struct Field {
    MdbColumn* col = nullptr;
    std::vector<char> text;

    std::string Value(const MdbHandle* mdb) const {
        if (col == nullptr || col->cur_value_len == 0)
            return {};
        if (!text.empty())
            return std::string(text.data(), strnlen(text.data(), text.size()));
        return NumberText(mdb, col);
    }
};

Field BindField(MdbHandle* mdb, MdbTableDef* table, const char* name) {
    Field f;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (g_ascii_strcasecmp(col->name, name) != 0)
            continue;
        if (col->col_type == MDB_TEXT || col->col_type == MDB_MEMO) {
            f.text.assign(mdb->bind_size, '\0');
            mdb_bind_column(table, int(i) + 1, f.text.data(), nullptr);
        } else if (!IsNumber(col->col_type)) {
            return f;
        }
        f.col = col;
        return f;
    }
    return f;
}

struct TableDeleter {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
struct HandleDeleter {
    void operator()(MdbHandle* h) const { mdb_close(h); }
};

} // namespace

bool PassesStructuralChecks(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 3 * PageSize || file.size() % PageSize)
        return false;
    const QByteArray head = file.read(3 * PageSize);
    if (head.size() != 3 * PageSize || head[0] != 0 ||
        head.mid(4, 15) != QByteArrayLiteral("Standard Jet DB") || head[0x14] != 0x01)
        return false;
    const char* catalog = head.constData() + 2 * PageSize;
    if (catalog[0] != 0x02)
        return false;
    const auto map = qFromLittleEndian<quint32>(catalog + TableMapPointer);
    return RowExists(file, map >> 8, int(map & 0xFF), MinUsageMapBytes);
}

bool ReadRows(const char* path, const std::function<void(const RawRow&)>& sink) {
    std::unique_ptr<MdbHandle, HandleDeleter> mdb(mdb_open(path, MDB_NOFLAGS));
    if (!mdb)
        return false;
    mdb_set_bind_size(mdb.get(), MaxFieldBytes);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return false;
    char tableName[] = "FoodData";
    std::unique_ptr<MdbTableDef, TableDeleter> table(
        mdb_read_table_by_name(mdb.get(), tableName, MDB_TABLE));
    // libmdb 1.0 follows the usage map without checking it is there.
    if (!table || table->usage_map == nullptr || table->map_sz < MinUsageMapBytes ||
        !mdb_read_columns(table.get()))
        return false;
    const std::array<Field, 4> fields{BindField(mdb.get(), table.get(), "FoodName"),
                                      BindField(mdb.get(), table.get(), "FoodOtherName"),
                                      BindField(mdb.get(), table.get(), "FoodHot"),
                                      BindField(mdb.get(), table.get(), "FoodQuantity")};
    mdb_rewind_table(table.get());
    for (int n = 0; n < MaxRows && mdb_fetch_row(table.get()); ++n) {
        RawRow row;
        for (size_t i = 0; i < fields.size(); ++i)
            row[i] = fields[i].Value(mdb.get());
        sink(row);
    }
    return true;
}

void AppendRow(std::string& out, const RawRow& row) {
    for (const std::string& field : row) {
        char length[4];
        qToLittleEndian(quint32(field.size()), length);
        out.append(length, sizeof length);
        out += field;
    }
}

std::vector<FoodRecord> DecodeRows(const QByteArray& data) {
    std::vector<FoodRecord> rows;
    qsizetype pos = 0;
    while (int(rows.size()) < MaxRows && pos < data.size()) {
        FoodRecord r;
        for (QString* field : {&r.FoodName, &r.FoodOtherName, &r.FoodHot, &r.FoodQuantity}) {
            if (data.size() - pos < 4)
                return rows;
            const auto length = qFromLittleEndian<quint32>(data.constData() + pos);
            pos += 4;
            if (length > quint32(MaxFieldBytes) || quint64(data.size() - pos) < length)
                return rows;
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            *field = utf8.decode(QByteArrayView(data.constData() + pos, qsizetype(length)));
            if (utf8.hasError())
                return rows;
            pos += qsizetype(length);
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

namespace {

const char* Reason(ChildEnd end) {
    switch (end) {
    case ChildEnd::Rejected:
        return "not a Jet 4 database with a readable catalog";
    case ChildEnd::NotStarted:
        return "the reader process could not be started";
    case ChildEnd::Failed:
        return "libmdb could not open it or found no table FoodData";
    case ChildEnd::Crashed:
        return "libmdb crashed on it";
    case ChildEnd::Killed:
        return "the reader was stopped: it used up its time or sent too much";
    case ChildEnd::Finished:
        break;
    }
    return "";
}

} // namespace

ChildEnd Load(const QString& path, FoodSlots& table) {
    if (!PassesStructuralChecks(path)) {
        qCInfo(lcFood, "%s: %s; no food read", qUtf8Printable(path),
               QFile::exists(path) ? Reason(ChildEnd::Rejected) : "no such file");
        return ChildEnd::Rejected;
    }
    IsolatedRead read = ReadRowsIsolated(path, ReadDeadline);
    const std::vector<FoodRecord> rows = DecodeRows(read.data);
    if (read.end != ChildEnd::Finished)
        qCInfo(lcFood, "%s: %s; %zu foods read", qUtf8Printable(path), Reason(read.end),
               rows.size());
    else
        qCDebug(lcFood, "%s: %zu foods read", qUtf8Printable(path), rows.size());
    int slot = FoodSlots::First;
    for (const FoodRecord& record : rows)
        table.Slot(slot++) = record;
    return read.end;
}

} // namespace food_reader
