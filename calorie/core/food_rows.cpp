#include "calorie/core/food_rows.h"

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace food_reader {
namespace {

std::uint64_t LittleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
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
        return std::to_string(std::int16_t(LittleEndian(p, 2)));
    case MDB_LONGINT:
        return std::to_string(std::int32_t(LittleEndian(p, 4)));
    case MDB_FLOAT: {
        const auto bits = std::uint32_t(LittleEndian(p, 4));
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return PlainNumber(f);
    }
    default: {
        const std::uint64_t bits = LittleEndian(p, 8);
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
        for (int shift = 0; shift < 32; shift += 8)
            out += char(field.size() >> shift & 0xFF);
        out += field;
    }
}

} // namespace food_reader
