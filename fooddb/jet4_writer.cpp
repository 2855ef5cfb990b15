#include "fooddb/jet4_writer.h"

#include <QSaveFile>
#include <QSet>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace jet4 {
namespace {

constexpr int PageSize = 4096;
constexpr int DataPageHeader = 14; // type, free space, owner, 4 unknown bytes, row count
constexpr int MaxRowsPerPage = 255;
constexpr int ColumnEntrySize = 25;
constexpr int FirstColumnEntry = 63; // right after the header when the table has no indexes
constexpr int MinMapBytes = 64;      // what Access writes: 5 bytes of header and 472 pages
constexpr int MaxNameLength = 64;

// Fixed page numbers of the layout; data pages follow the last one.
constexpr quint32 CatalogDefinitionPage = 2; // readers look for MSysObjects here
constexpr quint32 CatalogMapPage = 3;
constexpr quint32 CatalogRowsPage = 4;
constexpr quint32 TableDefinitionPage = 5;
constexpr quint32 TableMapPage = 6;
constexpr quint32 FirstDataPage = 7;

constexpr quint8 TypeOle = 0x0B; // only in the catalog, always NULL
constexpr quint8 FlagFixed = 0x01;
constexpr quint8 FlagNullable = 0x02;
constexpr quint16 SortGeneral = 0x0409;

void Put16(QByteArray& b, int at, quint32 v) {
    qToLittleEndian(static_cast<quint16>(v), b.data() + at);
}

void Put32(QByteArray& b, int at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}

void Append16(QByteArray& b, quint32 v) {
    b.append(2, '\0');
    Put16(b, int(b.size()) - 2, v);
}

void AppendUcs2(QByteArray& b, const QString& s) {
    for (QChar c : s)
        Append16(b, c.unicode());
}

// A column as the table definition and the rows lay it out.
struct Layout {
    quint8 type;
    QString name;
    int size; // bytes in the fixed area, or the longest value of a variable column
    bool fixed;
    int fixedOffset = 0;
    int varIndex = 0;
};

struct Schema {
    std::vector<Layout> columns;
    int fixedBytes = 0;
    int varCount = 0;
};

Schema MakeSchema(std::vector<Layout> columns) {
    Schema s;
    for (Layout& c : columns) {
        if (c.fixed) {
            c.fixedOffset = s.fixedBytes;
            s.fixedBytes += c.size;
        } else {
            c.varIndex = s.varCount++;
        }
    }
    s.columns = std::move(columns);
    return s;
}

int FixedSize(ColumnType type) {
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
    case ColumnType::Single:
        return 4;
    case ColumnType::Double:
        return 8;
    case ColumnType::Text:
        break;
    }
    return 0;
}

std::pair<qint32, qint32> WholeRange(ColumnType type) {
    if (type == ColumnType::Byte)
        return {0, 255};
    if (type == ColumnType::Integer)
        return {-32768, 32767};
    return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
}

Layout UserLayout(const Column& c) {
    if (c.type == ColumnType::Text)
        return {quint8(c.type), c.name, 2 * MaxTextLength, false};
    return {quint8(c.type), c.name, FixedSize(c.type), true};
}

// libmdb binds Id, Name, Type, Flags and LvProp by name and refuses a catalog without them.
Schema CatalogSchema() {
    return MakeSchema({{quint8(ColumnType::Long), QStringLiteral("Id"), 4, true},
                       {quint8(ColumnType::Text), QStringLiteral("Name"), 2 * MaxTextLength, false},
                       {quint8(ColumnType::Integer), QStringLiteral("Type"), 2, true},
                       {quint8(ColumnType::Long), QStringLiteral("Flags"), 4, true},
                       {TypeOle, QStringLiteral("LvProp"), 0, false}});
}

template <typename Bits, typename Float> void PutFloat(char* at, Float f) {
    Bits bits;
    std::memcpy(&bits, &f, sizeof bits);
    qToLittleEndian(bits, at);
}

void PutFixed(QByteArray& area, const Layout& c, const Value& v) {
    char* at = area.data() + c.fixedOffset;
    switch (ColumnType(c.type)) {
    case ColumnType::Byte:
        *at = char(std::get<qint32>(v));
        break;
    case ColumnType::Integer:
        qToLittleEndian(static_cast<quint16>(std::get<qint32>(v)), at);
        break;
    case ColumnType::Long:
        qToLittleEndian(static_cast<quint32>(std::get<qint32>(v)), at);
        break;
    case ColumnType::Single:
        PutFloat<quint32>(at, float(std::get<double>(v)));
        break;
    case ColumnType::Double:
        PutFloat<quint64>(at, std::get<double>(v));
        break;
    case ColumnType::Text:
        break;
    }
}

// Column count, fixed area, variable data, then from the end backwards: the null mask, the
// number of variable columns, their start offsets and the end of the variable data.
QByteArray EncodeRow(const Schema& s, const Row& row) {
    QByteArray out;
    const int count = int(s.columns.size());
    Append16(out, quint32(count));
    QByteArray fixedArea(s.fixedBytes, '\0');
    for (int i = 0; i < count; ++i)
        if (s.columns[i].fixed && !std::holds_alternative<std::monostate>(row[i]))
            PutFixed(fixedArea, s.columns[i], row[i]);
    out += fixedArea;

    std::vector<int> varStarts;
    for (int i = 0; i < count; ++i) {
        if (s.columns[i].fixed)
            continue;
        varStarts.push_back(int(out.size()));
        if (const auto* text = std::get_if<QString>(&row[i]))
            AppendUcs2(out, *text);
    }
    if (s.varCount > 0) {
        Append16(out, quint32(out.size()));
        for (auto it = varStarts.rbegin(); it != varStarts.rend(); ++it)
            Append16(out, quint32(*it));
        Append16(out, quint32(s.varCount));
    }
    QByteArray nullMask((count + 7) / 8, '\0');
    for (int i = 0; i < count; ++i)
        if (!std::holds_alternative<std::monostate>(row[i]))
            nullMask[i / 8] = char(nullMask[i / 8] | (1 << (i % 8)));
    return out + nullMask;
}

// Rows are packed downwards from the page end in order; offsets go upwards from the header.
QByteArray DataPage(quint32 owner, const std::vector<QByteArray>& rows) {
    QByteArray p(PageSize, '\0');
    p[0] = 0x01;
    p[1] = 0x01;
    Put32(p, 4, owner);
    Put16(p, 12, quint32(rows.size()));
    int end = PageSize;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int start = end - int(rows[i].size());
        std::memcpy(p.data() + start, rows[i].constData(), size_t(rows[i].size()));
        Put16(p, DataPageHeader + 2 * int(i), quint32(start));
        end = start;
    }
    Put16(p, 2, quint32(end - DataPageHeader - 2 * int(rows.size())));
    return p;
}

int UsageMapSize(int pageCount) {
    return 5 + std::max(MinMapBytes - 5, (pageCount + 7) / 8);
}

// Inline usage map (type 0): the first page, then one bit per page from there, lowest bit first.
// Readers visit the pages in bit order, so that order is the row order of a full read.
QByteArray UsageMap(quint32 firstPage, int pageCount) {
    QByteArray map(UsageMapSize(pageCount), '\0');
    Put32(map, 1, firstPage);
    for (int i = 0; i < pageCount; ++i)
        map[5 + i / 8] = char(map[5 + i / 8] | (1 << (i % 8)));
    return map;
}

// Row 0 lists the owner's pages, row 1 those with free space: none, since nothing is ever added.
QByteArray MapPage(quint32 owner, quint32 firstPage, int pageCount) {
    return DataPage(owner, {UsageMap(firstPage, pageCount), UsageMap(0, 0)});
}

QByteArray DefinitionPage(const Schema& s, quint32 rowCount, bool system, quint32 mapPage) {
    QByteArray p(PageSize, '\0');
    p[0] = 0x02;
    p[1] = 0x01;
    const auto count = quint32(s.columns.size());
    Put32(p, 16, rowCount); // counting tools trust it
    p[40] = char(system ? 0x53 : 0x4E);
    Put16(p, 41, count);
    Put16(p, 43, quint32(s.varCount));
    Put16(p, 45, count);
    Put32(p, 55, mapPage << 8);       // used pages: row 0 of the map page
    Put32(p, 59, (mapPage << 8) | 1); // pages with free space: row 1
    int pos = FirstColumnEntry;
    for (quint32 i = 0; i < count; ++i, pos += ColumnEntrySize) {
        const Layout& c = s.columns[i];
        p[pos] = char(c.type);
        Put16(p, pos + 5, i);
        Put16(p, pos + 7, quint32(c.varIndex));
        Put16(p, pos + 9, i);
        if (c.type == quint8(ColumnType::Text))
            Put16(p, pos + 11, SortGeneral);
        p[pos + 15] = char(FlagNullable | (c.fixed ? FlagFixed : 0));
        Put16(p, pos + 21, quint32(c.fixedOffset));
        Put16(p, pos + 23, quint32(c.size));
    }
    for (const Layout& c : s.columns) {
        QByteArray name;
        AppendUcs2(name, c.name);
        Put16(p, pos, quint32(name.size()));
        std::memcpy(p.data() + pos + 2, name.constData(), size_t(name.size()));
        pos += 2 + int(name.size());
    }
    Put32(p, 8, quint32(pos));
    Put16(p, 2, quint32(PageSize - pos - 8));
    return p;
}

// Bytes 0x18 to 0x97 of the header are stored RC4-encrypted with a fixed key; encrypting zeros
// leaves the database key inside them 0, which tells readers the pages are not encrypted.
QByteArray HeaderPage() {
    QByteArray p(PageSize, '\0');
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "Standard Jet DB", 15);
    p[0x14] = 0x01; // Jet 4
    const std::array<quint8, 4> key{0xC7, 0xDA, 0x39, 0x6B};
    std::array<quint8, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        p[0x18 + n] = char(s[(s[i] + s[j]) & 0xFF]);
    }
    return p;
}

QString CheckName(const QString& name, const QString& what) {
    if (name.isEmpty() || name.size() > MaxNameLength)
        return QStringLiteral("%1 must have 1 to %2 characters").arg(what).arg(MaxNameLength);
    for (QChar c : name)
        if (c.isSurrogate() || c.unicode() < 0x20)
            return QStringLiteral("%1 \"%2\" has a character that cannot be stored")
                .arg(what, name);
    return {};
}

QString CheckTable(const Table& table) {
    if (QString e = CheckName(table.name, QStringLiteral("table name")); !e.isEmpty())
        return e;
    if (table.columns.empty() || table.columns.size() > 255)
        return QStringLiteral("a table has 1 to 255 columns");
    QSet<QString> names;
    for (const Column& c : table.columns) {
        if (QString e = CheckName(c.name, QStringLiteral("column name")); !e.isEmpty())
            return e;
        if (names.contains(c.name.toLower()))
            return QStringLiteral("column name \"%1\" appears twice").arg(c.name);
        names.insert(c.name.toLower());
    }
    // The definition sits in one page, which keeps 8 bytes of its own; Jet would continue it on
    // further pages, which this writer does not.
    qsizetype definition = FirstColumnEntry + qsizetype(table.columns.size()) * ColumnEntrySize;
    for (const Column& c : table.columns)
        definition += 2 + 2 * c.name.size();
    if (definition > PageSize - 8)
        return QStringLiteral("the table definition needs %1 bytes, more than the %2 of one page: "
                              "fewer columns or shorter names")
            .arg(definition)
            .arg(PageSize - 8);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const Row& row = table.rows[r];
        if (row.size() != table.columns.size())
            return QStringLiteral("row %1 has %2 values for %3 columns")
                .arg(r + 1)
                .arg(row.size())
                .arg(table.columns.size());
        for (size_t c = 0; c < row.size(); ++c)
            if (QString e = CheckValue(table.columns[c], row[c]); !e.isEmpty())
                return QStringLiteral("row %1, column %2: %3")
                    .arg(r + 1)
                    .arg(table.columns[c].name, e);
    }
    return {};
}

// Splits encoded rows into pages: as many as fit, at most 255 a page.
std::vector<std::vector<QByteArray>> PackRows(std::vector<QByteArray> rows) {
    std::vector<std::vector<QByteArray>> pages;
    int used = PageSize;
    for (QByteArray& row : rows) {
        const int need = 2 + int(row.size());
        if (pages.empty() || used + need > PageSize || pages.back().size() == MaxRowsPerPage) {
            pages.emplace_back();
            used = DataPageHeader;
        }
        pages.back().push_back(std::move(row));
        used += need;
    }
    return pages;
}

} // namespace

QString CheckValue(const Column& column, const Value& value) {
    if (std::holds_alternative<std::monostate>(value))
        return {};
    switch (column.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long: {
        const auto [low, high] = WholeRange(column.type);
        const auto* n = std::get_if<qint32>(&value);
        if (n == nullptr || *n < low || *n > high)
            return QStringLiteral("this column takes whole numbers from %1 to %2")
                .arg(low)
                .arg(high);
        return {};
    }
    case ColumnType::Single:
    case ColumnType::Double: {
        const double limit = column.type == ColumnType::Single
                                 ? double(std::numeric_limits<float>::max())
                                 : std::numeric_limits<double>::max();
        const auto* d = std::get_if<double>(&value);
        if (d == nullptr || !(std::abs(*d) <= limit))
            return QStringLiteral("this column takes only finite floating-point numbers");
        return {};
    }
    case ColumnType::Text:
        break;
    }
    const auto* text = std::get_if<QString>(&value);
    if (text == nullptr)
        return QStringLiteral("a Text column takes only text");
    if (text->size() > MaxTextLength)
        return QStringLiteral("text longer than %1 characters").arg(MaxTextLength);
    for (QChar c : *text)
        if (c.isSurrogate())
            return QStringLiteral("a character outside the Basic Multilingual Plane (readers "
                                  "return it as \"??\")");
    return {};
}

QByteArray BuildDatabase(const Table& table, QString* error) {
    if (QString e = CheckTable(table); !e.isEmpty()) {
        *error = e;
        return {};
    }
    std::vector<Layout> layouts;
    for (const Column& c : table.columns)
        layouts.push_back(UserLayout(c));
    const Schema schema = MakeSchema(std::move(layouts));

    std::vector<QByteArray> rows;
    for (const Row& row : table.rows) {
        rows.push_back(EncodeRow(schema, row));
        if (DataPageHeader + 2 + rows.back().size() > PageSize) {
            *error = QStringLiteral("row %1 does not fit in a page").arg(rows.size());
            return {};
        }
    }
    const auto pages = PackRows(std::move(rows));
    const int dataPages = int(pages.size());
    if (DataPageHeader + 2 * 2 + UsageMapSize(dataPages) + UsageMapSize(0) > PageSize) {
        *error = QStringLiteral("too many rows for one usage map");
        return {};
    }

    const Schema catalog = CatalogSchema();
    const Row entry{qint32(TableDefinitionPage), table.name, qint32(1), qint32(0), {}};

    QByteArray file = HeaderPage();
    file += QByteArray(PageSize, '\0');
    file += DefinitionPage(catalog, 1, true, CatalogMapPage);
    file += MapPage(CatalogDefinitionPage, CatalogRowsPage, 1);
    file += DataPage(CatalogDefinitionPage, {EncodeRow(catalog, entry)});
    file += DefinitionPage(schema, quint32(table.rows.size()), false, TableMapPage);
    file += MapPage(TableDefinitionPage, FirstDataPage, dataPages);
    for (const auto& page : pages)
        file += DataPage(TableDefinitionPage, page);
    return file;
}

bool WriteDatabaseFile(const QString& path, const Table& table, QString* error) {
    const QByteArray bytes = BuildDatabase(table, error);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace jet4
