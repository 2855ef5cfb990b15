// Files of the Jet 4 writer read back by two independent readers: the libmdb C API and the
// mdbtools command-line tools.

#include "food_fixtures.h"
#include "fooddb/jet4_writer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <mdbtools.h>

using jet4::ColumnType;
using jet4::Table;
using jet4::Value;

Q_DECLARE_METATYPE(jet4::Table)

namespace {

// Runs an mdbtools command and returns its standard output; fails the test when it fails.
QString Tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        QTest::qFail(qPrintable(program + QStringLiteral(" failed: ") +
                                QString::fromUtf8(p.readAllStandardError())),
                     __FILE__, __LINE__);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every row of the table through libmdb's own text conversion, "" for NULL.
QList<QStringList> LibmdbRows(const QString& path, const QString& tableName) {
    QList<QStringList> rows;
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (mdb == nullptr || !mdb_read_catalog(mdb, MDB_TABLE))
        return rows;
    QByteArray name = tableName.toUtf8();
    MdbTableDef* table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (table != nullptr && mdb_read_columns(table)) {
        std::vector<std::vector<char>> buffers(table->num_cols, std::vector<char>(mdb->bind_size));
        for (unsigned i = 0; i < table->num_cols; ++i)
            mdb_bind_column(table, int(i) + 1, buffers[i].data(), nullptr);
        mdb_rewind_table(table);
        while (mdb_fetch_row(table)) {
            QStringList row;
            for (const auto& b : buffers)
                row << QString::fromUtf8(b.data());
            rows << row;
        }
    }
    mdb_free_tabledef(table);
    mdb_close(mdb);
    return rows;
}

QList<QStringList> FoodRows(int n) {
    QList<QStringList> rows;
    for (int i = 1; i <= n; ++i)
        rows << QStringList{QStringLiteral("食物%1").arg(i), QStringLiteral("别名%1").arg(i),
                            QString::number(i), QStringLiteral("100")};
    return rows;
}

QString FoodExport(int n) {
    QString out = QStringLiteral("FoodName,FoodOtherName,FoodHot,FoodQuantity\n");
    for (const QStringList& r : FoodRows(n))
        out += QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\"\n").arg(r[0], r[1], r[2], r[3]);
    return out;
}

const QString TextSchema = QStringLiteral("\t[FoodName]\t\t\tText (255), \n"
                                          "\t[FoodOtherName]\t\t\tText (255), \n"
                                          "\t[FoodHot]\t\t\tText (255), \n"
                                          "\t[FoodQuantity]\t\t\tText (255)\n");

} // namespace

class Jet4WriterTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void readBack_data();
    void readBack();
    void manyPagesKeepRowOrder();
    void rejectsWhatCannotBeStored_data();
    void rejectsWhatCannotBeStored();
    void writeReplacesOnlyWhenComplete();
    void definitionFitsOnePage_data();
    void definitionFitsOnePage();

  private:
    QTemporaryDir dir_;
};

void Jet4WriterTest::readBack_data() {
    QTest::addColumn<Table>("table");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QString>("exported");
    QTest::addColumn<QString>("schemaColumns");

    for (int n : {0, 3, 200, 250})
        QTest::addRow("%d foods", n)
            << fixtures::Foods(n) << FoodRows(n) << FoodExport(n) << TextSchema;

    // U+4E00 has a zero low byte, which breaks compressed text; quotes and commas need quoting.
    Table chinese = fixtures::Foods(0);
    chinese.rows = {{QStringLiteral("一品豆腐"), QStringLiteral("〇号"), QStringLiteral("76"),
                     QStringLiteral("100")},
                    {QStringLiteral("馒头, \"白\""), QStringLiteral("蒸馍"), QStringLiteral("223"),
                     QStringLiteral("100")},
                    {QString(QString(255, QChar(0x9F98))), QStringLiteral("ÄéØ"),
                     QStringLiteral("12.5"), QStringLiteral("50")}};
    QTest::newRow("Chinese and other text")
        << chinese
        << QList<QStringList>{{"一品豆腐", "〇号", "76", "100"},
                              {"馒头, \"白\"", "蒸馍", "223", "100"},
                              {QString(255, QChar(0x9F98)), "ÄéØ", "12.5", "50"}}
        << QStringLiteral("FoodName,FoodOtherName,FoodHot,FoodQuantity\n"
                          "\"一品豆腐\",\"〇号\",\"76\",\"100\"\n"
                          "\"馒头, \"\"白\"\"\",\"蒸馍\",\"223\",\"100\"\n"
                          "\"%1\",\"ÄéØ\",\"12.5\",\"50\"\n")
               .arg(QString(255, QChar(0x9F98)))
        << TextSchema;

    Table nulls = fixtures::Foods(0);
    nulls.rows = {{QStringLiteral("苹果"), Value{}, QStringLiteral("52"), QStringLiteral("100")},
                  {Value{}, Value{}, Value{}, Value{}},
                  {QStringLiteral("梨"), QStringLiteral("雪梨"), Value{}, QStringLiteral("100")}};
    QTest::newRow("NULL fields") << nulls
                                 << QList<QStringList>{{"苹果", "", "52", "100"},
                                                       {"", "", "", ""},
                                                       {"梨", "雪梨", "", "100"}}
                                 << QStringLiteral("FoodName,FoodOtherName,FoodHot,FoodQuantity\n"
                                                   "\"苹果\",,\"52\",\"100\"\n"
                                                   ",,,\n"
                                                   "\"梨\",\"雪梨\",,\"100\"\n")
                                 << TextSchema;

    Table numbers{QStringLiteral("FoodData"),
                  {{QStringLiteral("FoodName"), ColumnType::Text},
                   {QStringLiteral("FoodHot"), ColumnType::Long},
                   {QStringLiteral("FoodQuantity"), ColumnType::Double}},
                  {{QStringLiteral("苹果"), qint32(52), 100.0},
                   {QStringLiteral("芝麻"), qint32(-2147483647 - 1), 12.5},
                   {QStringLiteral("水"), Value{}, Value{}},
                   {QStringLiteral("盐"), qint32(2147483647), 0.1}}};
    QTest::newRow("Long and Double columns") << numbers
                                             << QList<QStringList>{{"苹果", "52", "100"},
                                                                   {"芝麻", "-2147483648", "12.5"},
                                                                   {"水", "", ""},
                                                                   {"盐", "2147483647", "0.1"}}
                                             << QStringLiteral("FoodName,FoodHot,FoodQuantity\n"
                                                               "\"苹果\",52,100\n"
                                                               "\"芝麻\",-2147483648,12.5\n"
                                                               "\"水\",,\n"
                                                               "\"盐\",2147483647,0.1\n")
                                             << QStringLiteral("\t[FoodName]\t\t\tText (255), \n"
                                                               "\t[FoodHot]\t\t\tLong Integer, \n"
                                                               "\t[FoodQuantity]\t\t\tDouble\n");

    Table small{QStringLiteral("FoodData"),
                {{QStringLiteral("B"), ColumnType::Byte},
                 {QStringLiteral("I"), ColumnType::Integer},
                 {QStringLiteral("S"), ColumnType::Single}},
                {{qint32(255), qint32(-32768), 12.3},
                 {qint32(0), qint32(32767), -0.5},
                 {Value{}, Value{}, Value{}}}};
    QTest::newRow("Byte, Integer and Single columns")
        << small
        << QList<QStringList>{{"255", "-32768", "12.3"}, {"0", "32767", "-0.5"}, {"", "", ""}}
        << QStringLiteral("B,I,S\n255,-32768,12.3\n0,32767,-0.5\n,,\n")
        << QStringLiteral("\t[B]\t\t\tByte, \n\t[I]\t\t\tInteger, \n\t[S]\t\t\tSingle\n");
}

void Jet4WriterTest::readBack() {
    QFETCH(Table, table);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, exported);
    QFETCH(QString, schemaColumns);
    const QString path =
        fixtures::Write(dir_, QStringLiteral("%1.mdb").arg(QTest::currentDataTag()), table);

    QCOMPARE(Tool("mdb-ver", {path}), QStringLiteral("JET4\n"));
    QCOMPARE(Tool("mdb-tables", {"-1", path}), QStringLiteral("FoodData\n"));
    QCOMPARE(Tool("mdb-count", {path, "FoodData"}), QStringLiteral("%1\n").arg(rows.size()));
    QCOMPARE(Tool("mdb-export", {path, "FoodData"}), exported);
    QVERIFY2(Tool("mdb-schema", {path})
                 .contains(QStringLiteral("CREATE TABLE [FoodData]\n (\n") + schemaColumns + ");"),
             "mdb-schema shows other columns");
    QCOMPARE(LibmdbRows(path, QStringLiteral("FoodData")), rows);
}

// More data pages than a 64-byte usage map covers (472): the map grows, the order holds.
void Jet4WriterTest::manyPagesKeepRowOrder() {
    const int n = 4000; // 7 rows of about 530 bytes a page: 572 pages
    Table table{
        QStringLiteral("Big"),
        {{QStringLiteral("Id"), ColumnType::Long}, {QStringLiteral("Text"), ColumnType::Text}},
        {}};
    for (int i = 1; i <= n; ++i)
        table.rows.push_back({qint32(i), QString(255, QChar(u'a' + i % 26))});
    const QString path = fixtures::Write(dir_, QStringLiteral("big.mdb"), table);
    QVERIFY(QFile(path).size() > 572 * 4096);

    QCOMPARE(Tool("mdb-count", {path, "Big"}), QStringLiteral("4000\n"));
    const QList<QStringList> rows = LibmdbRows(path, QStringLiteral("Big"));
    QCOMPARE(rows.size(), n);
    for (int i = 1; i <= n; ++i) {
        QCOMPARE(rows[i - 1][0], QString::number(i));
        QCOMPARE(rows[i - 1][1], QString(255, QChar(u'a' + i % 26)));
    }
}

void Jet4WriterTest::rejectsWhatCannotBeStored_data() {
    QTest::addColumn<Table>("table");
    QTest::addColumn<QString>("reason");

    const auto withRow = [](Value name) {
        Table t = fixtures::Foods(2);
        t.rows.push_back({std::move(name), Value{}, QStringLiteral("1"), QStringLiteral("100")});
        return t;
    };
    QTest::newRow("text of 256 characters")
        << withRow(QString(256, u'x'))
        << QStringLiteral("row 3, column FoodName: text longer than 255");
    QTest::newRow("character outside the BMP")
        << withRow(QStringLiteral("𠀀"))
        << QStringLiteral("row 3, column FoodName: a character outside");
    QTest::newRow("number in a Text column")
        << withRow(qint32(5))
        << QStringLiteral("row 3, column FoodName: a Text column takes only text");

    Table shortRow = fixtures::Foods(1);
    shortRow.rows.push_back({QStringLiteral("x")});
    QTest::newRow("row with too few values")
        << shortRow << QStringLiteral("row 2 has 1 values for 4 columns");

    Table numbers{
        QStringLiteral("T"),
        {{QStringLiteral("L"), ColumnType::Long}, {QStringLiteral("D"), ColumnType::Double}},
        {{1.5, 1.5}}};
    QTest::newRow("fraction in a Long column")
        << numbers
        << QStringLiteral(
               "row 1, column L: this column takes whole numbers from -2147483648 to 2147483647");
    numbers.rows = {{qint32(1), qQNaN()}};
    QTest::newRow("NaN in a Double column")
        << numbers
        << QStringLiteral("row 1, column D: this column takes only finite floating-point numbers");

    Table ranges{QStringLiteral("T"),
                 {{QStringLiteral("B"), ColumnType::Byte},
                  {QStringLiteral("I"), ColumnType::Integer},
                  {QStringLiteral("S"), ColumnType::Single}},
                 {{qint32(256), qint32(0), 0.0}}};
    QTest::newRow("256 in a Byte column")
        << ranges
        << QStringLiteral("row 1, column B: this column takes whole numbers from 0 to 255");
    ranges.rows = {{qint32(0), qint32(-32769), 0.0}};
    QTest::newRow("-32769 in an Integer column")
        << ranges
        << QStringLiteral("row 1, column I: this column takes whole numbers from -32768 to 32767");
    ranges.rows = {{qint32(0), qint32(0), 1e39}};
    QTest::newRow("1e39 in a Single column")
        << ranges << QStringLiteral("row 1, column S: this column takes only finite");

    Table noName = fixtures::Foods(1);
    noName.name.clear();
    QTest::newRow("empty table name") << noName << QStringLiteral("table name must have 1 to 64");
    Table twice = fixtures::Foods(1);
    twice.columns[1].name = QStringLiteral("foodname");
    QTest::newRow("column name twice")
        << twice << QStringLiteral("column name \"foodname\" appears twice");
    QTest::newRow("no columns") << Table{QStringLiteral("T"), {}, {}}
                                << QStringLiteral("a table has 1 to 255 columns");
}

void Jet4WriterTest::rejectsWhatCannotBeStored() {
    QFETCH(Table, table);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(jet4::BuildDatabase(table, &error).isEmpty());
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void Jet4WriterTest::writeReplacesOnlyWhenComplete() {
    const QString path = dir_.filePath(QStringLiteral("replace.mdb"));
    QString error;
    QVERIFY(jet4::WriteDatabaseFile(path, fixtures::Foods(3), &error));
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    Table bad = fixtures::Foods(5);
    bad.rows[4][0] = QString(300, u'x');
    QVERIFY(!jet4::WriteDatabaseFile(path, bad, &error));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), before);
    QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral("replace.mdb*")}, QDir::Files),
             QStringList{QStringLiteral("replace.mdb")});

    QVERIFY(!jet4::WriteDatabaseFile(dir_.filePath(QStringLiteral("missing/x.mdb")),
                                     fixtures::Foods(1), &error));
    QVERIFY2(error.startsWith(QStringLiteral("cannot write")), qPrintable(error));

    QVERIFY(jet4::WriteDatabaseFile(path, fixtures::Foods(250), &error));
    QCOMPARE(Tool("mdb-count", {path, "FoodData"}), QStringLiteral("250\n"));
}

// A column takes 25 bytes of the definition page and its name 2 + 2 per character; the page
// holds 4088 after 63 bytes of head. Both sides of that limit, for short and for longest names.
void Jet4WriterTest::definitionFitsOnePage_data() {
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("fits");
    QTest::newRow("115 names of 4") << 4 << 115 << true;
    QTest::newRow("116 names of 4") << 4 << 116 << false;
    QTest::newRow("25 names of 64") << 64 << 25 << true;
    QTest::newRow("26 names of 64") << 64 << 26 << false;
    QTest::newRow("255 names of 4") << 4 << 255 << false;
}

void Jet4WriterTest::definitionFitsOnePage() {
    QFETCH(int, nameLength);
    QFETCH(int, columns);
    QFETCH(bool, fits);
    Table table{QStringLiteral("Wide"), {}, {{}}};
    for (int i = 0; i < columns; ++i) {
        table.columns.push_back({QStringLiteral("C%1").arg(i, nameLength - 1, 10, QChar(u'0'))});
        table.rows[0].push_back(QString::number(i));
    }
    QString error;
    const QByteArray bytes = jet4::BuildDatabase(table, &error);
    QCOMPARE(bytes.isEmpty(), !fits);
    if (!fits) {
        QVERIFY2(error.startsWith(QStringLiteral("the table definition needs")), qPrintable(error));
        return;
    }
    const QList<QStringList> rows =
        LibmdbRows(fixtures::Write(dir_, QStringLiteral("wide.mdb"), table), table.name);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].size(), columns);
    QCOMPARE(rows[0].last(), QString::number(columns - 1));
}

QTEST_GUILESS_MAIN(Jet4WriterTest)
#include "test_jet4_writer.moc"
