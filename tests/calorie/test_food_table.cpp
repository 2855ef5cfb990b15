// The food table filled from databases the tests write: slots in file order, at most 200, every
// value as text, and silence with an unchanged table whenever something fails.

#include "calorie/core/food_reader.h"
#include "calorie/core/food_table.h"
#include "food_fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <stdexcept>

using jet4::ColumnType;
using jet4::Table;
using jet4::Value;

Q_DECLARE_METATYPE(jet4::Table)

namespace {

// Expected slot contents: name, other name, energy, quantity.
using Slot = QStringList;

Slot Of(const FoodRecord& r) {
    return {r.FoodName, r.FoodOtherName, r.FoodHot, r.FoodQuantity};
}

const Slot Empty{"", "", "", ""};

// A FoodData table with one food whose energy is stored in a column of the given type.
Table EnergyAs(ColumnType type, Value energy) {
    return {QStringLiteral("FoodData"),
            {{QStringLiteral("FoodName"), ColumnType::Text},
             {QStringLiteral("FoodOtherName"), ColumnType::Text},
             {QStringLiteral("FoodHot"), type},
             {QStringLiteral("FoodQuantity"), ColumnType::Text}},
            {{QStringLiteral("苹果"), Value{}, std::move(energy), QStringLiteral("100")}}};
}

// One wire frame built by hand: four (u32 little-endian length, bytes).
QByteArray Frame(const QList<QByteArray>& fields) {
    QByteArray out;
    for (const QByteArray& f : fields) {
        const quint32 n = quint32(f.size());
        out += char(n & 0xFF);
        out += char((n >> 8) & 0xFF);
        out += char((n >> 16) & 0xFF);
        out += char(n >> 24);
        out += f;
    }
    return out;
}

// The processes this one started that have not been reaped yet.
QStringList Children() {
    QStringList pids;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(QStringLiteral("/proc/self/task/%1/children").arg(task));
        if (children.open(QIODevice::ReadOnly))
            pids +=
                QString::fromLatin1(children.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return pids;
}

QList<Slot> SlotsOf(const std::vector<FoodRecord>& records) {
    QList<Slot> out;
    for (const FoodRecord& r : records)
        out << Of(r);
    return out;
}

} // namespace

class FoodTableTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void slotsAreNumberedOneTo200();
    void fillsSlotsInFileOrder_data();
    void fillsSlotsInFileOrder();
    void failureKeepsTheTable_data();
    void failureKeepsTheTable();
    void convertsValuesToText_data();
    void convertsValuesToText();
    void missingColumnsStayEmpty();
    void loadsTheShippedDatabase();
    void loadFoodTableReadsBesideTheExecutable();
    void decodeKeepsOnlyWholeValidRows_data();
    void decodeKeepsOnlyWholeValidRows();
    void encodesRowsAsLengthAndBytes();
    void childReportsHowItEnded();
    void childIsolatesLibmdbFaults();
    void stalledReaderHoldsUpNothing();

  private:
    QTemporaryDir dir_;
};

void FoodTableTest::slotsAreNumberedOneTo200() {
    FoodSlots table;
    QCOMPARE(Of(table.Slot(1)), Empty);
    QCOMPARE(Of(table.Slot(200)), Empty);
    table.Slot(200).FoodName = QStringLiteral("最后");
    QCOMPARE(table.Slot(200).FoodName, QStringLiteral("最后"));
    QCOMPARE(table.Slot(199).FoodName, QString());
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.Slot(0));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.Slot(201));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.Slot(-1));
}

void FoodTableTest::fillsSlotsInFileOrder_data() {
    QTest::addColumn<int>("foods");
    QTest::addColumn<int>("filled");
    QTest::newRow("200 foods fill every slot") << 200 << 200;
    QTest::newRow("250 foods: the first 200") << 250 << 200;
    QTest::newRow("3 foods: slots 4 to 200 empty") << 3 << 3;
    QTest::newRow("no foods") << 0 << 0;
}

void FoodTableTest::fillsSlotsInFileOrder() {
    QFETCH(int, foods);
    QFETCH(int, filled);
    const QString path =
        fixtures::Write(dir_, QStringLiteral("foods%1.mdb").arg(foods), fixtures::Foods(foods));
    FoodSlots table;
    自定义方法::LoadFoodTable(path, table);
    for (int i = 1; i <= filled; ++i)
        QCOMPARE(Of(table.Slot(i)),
                 (Slot{QStringLiteral("食物%1").arg(i), QStringLiteral("别名%1").arg(i),
                       QString::number(i), "100"}));
    for (int i = filled + 1; i <= 200; ++i)
        QCOMPARE(Of(table.Slot(i)), Empty);
}

void FoodTableTest::failureKeepsTheTable_data() {
    QTest::addColumn<QString>("path");

    QTest::newRow("missing file") << dir_.filePath(QStringLiteral("absent.mdb"));
    const auto file = [this](const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            QTest::qFail("cannot write fixture", __FILE__, __LINE__);
        return f.fileName();
    };
    QTest::newRow("empty file") << file(QStringLiteral("empty.mdb"), {});
    QTest::newRow("text file") << file(
        QStringLiteral("text.mdb"),
        QByteArray("FoodName,FoodOtherName,FoodHot,FoodQuantity\n").repeated(400));
    QByteArray noise(3 * 4096, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) >> 3);
    QTest::newRow("three pages of noise") << file(QStringLiteral("noise.mdb"), noise);
    QTest::newRow("a folder") << dir_.path();

    Table other = fixtures::Foods(3);
    other.name = QStringLiteral("Foods");
    QTest::newRow("database without FoodData")
        << fixtures::Write(dir_, QStringLiteral("other.mdb"), other);
    other.name = QStringLiteral("FoodData2");
    QTest::newRow("only a longer table name")
        << fixtures::Write(dir_, QStringLiteral("other2.mdb"), other);
}

void FoodTableTest::failureKeepsTheTable() {
    QFETCH(QString, path);
    FoodSlots table;
    for (int i = 1; i <= 5; ++i)
        table.Slot(i) = {
            QStringLiteral("旧%1").arg(i), {}, QStringLiteral("1"), QStringLiteral("100")};

    自定义方法::LoadFoodTable(path, table);
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(Of(table.Slot(i)), (Slot{QStringLiteral("旧%1").arg(i), "", "1", "100"}));
    for (int i = 6; i <= 200; ++i)
        QCOMPARE(Of(table.Slot(i)), Empty);
}

void FoodTableTest::convertsValuesToText_data() {
    QTest::addColumn<Table>("table");
    QTest::addColumn<QString>("energy");

    QTest::newRow("Long 52") << EnergyAs(ColumnType::Long, qint32(52)) << "52";
    QTest::newRow("Long -2147483648")
        << EnergyAs(ColumnType::Long, qint32(-2147483647 - 1)) << "-2147483648";
    QTest::newRow("Double 52") << EnergyAs(ColumnType::Double, 52.0) << "52";
    QTest::newRow("Double 12.5") << EnergyAs(ColumnType::Double, 12.5) << "12.5";
    QTest::newRow("Double 0.1") << EnergyAs(ColumnType::Double, 0.1) << "0.1";
    QTest::newRow("Double -3.25") << EnergyAs(ColumnType::Double, -3.25) << "-3.25";
    QTest::newRow("Double -0") << EnergyAs(ColumnType::Double, -0.0) << "0";
    QTest::newRow("Double 1e20 has no exponent")
        << EnergyAs(ColumnType::Double, 1e20) << "100000000000000000000";
    QTest::newRow("Double 1.5e-7 has no exponent")
        << EnergyAs(ColumnType::Double, 1.5e-7) << "0.00000015";
    QTest::newRow("Single 12.3") << EnergyAs(ColumnType::Single, 12.3) << "12.3";
    QTest::newRow("Integer -32768") << EnergyAs(ColumnType::Integer, qint32(-32768)) << "-32768";
    QTest::newRow("Byte 255") << EnergyAs(ColumnType::Byte, qint32(255)) << "255";
    QTest::newRow("NULL number") << EnergyAs(ColumnType::Double, Value{}) << "";
    QTest::newRow("Text kept as is")
        << EnergyAs(ColumnType::Text, QStringLiteral("052.50")) << "052.50";
}

void FoodTableTest::convertsValuesToText() {
    QFETCH(Table, table);
    QFETCH(QString, energy);
    const QString path = fixtures::Write(dir_, QStringLiteral("energy.mdb"), table);
    FoodSlots slots;
    自定义方法::LoadFoodTable(path, slots);
    // A NULL other name leaves only that field empty.
    QCOMPARE(Of(slots.Slot(1)), (Slot{"苹果", "", energy, "100"}));
    QCOMPARE(Of(slots.Slot(2)), Empty);
}

// Columns are found by name, ignoring ASCII case; a missing one leaves its field empty.
void FoodTableTest::missingColumnsStayEmpty() {
    Table table{QStringLiteral("fooddata"),
                {{QStringLiteral("Remark"), ColumnType::Text},
                 {QStringLiteral("foodhot"), ColumnType::Long},
                 {QStringLiteral("FOODNAME"), ColumnType::Text}},
                {{QStringLiteral("备注"), qint32(46), QStringLiteral("小米粥")},
                 {QStringLiteral("备注"), qint32(116), QStringLiteral("米饭")}}};
    FoodSlots slots;
    自定义方法::LoadFoodTable(fixtures::Write(dir_, QStringLiteral("columns.mdb"), table), slots);
    QCOMPARE(Of(slots.Slot(1)), (Slot{"小米粥", "", "46", ""}));
    QCOMPARE(Of(slots.Slot(2)), (Slot{"米饭", "", "116", ""}));
    QCOMPARE(Of(slots.Slot(3)), Empty);
}

// The database the build makes from data/foods.csv holds that list, slot by slot.
void FoodTableTest::loadsTheShippedDatabase() {
    QFile csv(QStringLiteral(KORVELLA_SOURCE_DIR "/data/foods.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
    QCOMPARE(lines.size(), 201);
    FoodSlots slots;
    自定义方法::LoadFoodTable(QStringLiteral(KORVELLA_FOOD_DB), slots);
    for (int i = 1; i <= 200; ++i) {
        QVERIFY2(!lines[i].contains('"'), "the shipped list needs no quoting");
        QCOMPARE(Of(slots.Slot(i)), QString::fromUtf8(lines[i].trimmed()).split(u','));
    }
}

// The program's load starts the reader beside the executable and returns before the table fills.
void FoodTableTest::loadFoodTableReadsBesideTheExecutable() {
    QDir appDir(QCoreApplication::applicationDirPath());
    QVERIFY2(!appDir.exists(QStringLiteral("Data")), "leftover Data folder beside the test");
    QVERIFY(appDir.mkdir(QStringLiteral("Data")));
    QString error;
    const bool written = jet4::WriteDatabaseFile(
        appDir.filePath(QStringLiteral("Data/FoodData.mdb")), fixtures::Foods(3), &error);
    自定义方法::LoadFoodTable();
    const Slot before = Of(自定义变量::FoodTable.Slot(1));
    bool arrived = false;
    const bool loading =
        WhenFoodsArrive(自定义变量::FoodTable, this, [&arrived] { arrived = true; });
    QTRY_VERIFY(arrived || !loading);
    QDir(appDir.filePath(QStringLiteral("Data"))).removeRecursively();
    QVERIFY2(written, qPrintable(error));
    QVERIFY(loading);
    QCOMPARE(before, Empty);
    QVERIFY(!WhenFoodsArrive(自定义变量::FoodTable, this, [] {}));

    QCOMPARE(Of(自定义变量::FoodTable.Slot(1)), (Slot{"食物1", "别名1", "1", "100"}));
    QCOMPARE(Of(自定义变量::FoodTable.Slot(3)), (Slot{"食物3", "别名3", "3", "100"}));
    QCOMPARE(Of(自定义变量::FoodTable.Slot(4)), Empty);
}

void FoodTableTest::decodeKeepsOnlyWholeValidRows_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<Slot>>("rows");

    const QByteArray apple = Frame({"苹果", "", "52", "100"});
    const QByteArray pear = Frame({"梨", "雪梨", "51", "100"});
    QTest::newRow("nothing") << QByteArray() << QList<Slot>{};
    QTest::newRow("two rows") << apple + pear
                              << QList<Slot>{{"苹果", "", "52", "100"},
                                             {"梨", "雪梨", "51", "100"}};
    QTest::newRow("second row cut in its bytes")
        << apple + pear.left(pear.size() - 1) << QList<Slot>{{"苹果", "", "52", "100"}};
    QTest::newRow("second row cut in a length")
        << apple + pear.left(2) << QList<Slot>{{"苹果", "", "52", "100"}};
    QTest::newRow("GBK text ends the rows")
        << apple + Frame({"\xC6\xBB\xB9\xFB", "", "1", "1"}) + pear
        << QList<Slot>{{"苹果", "", "52", "100"}};
    QTest::newRow("lone surrogate in UTF-8")
        << Frame({"\xED\xA0\x80", "", "1", "1"}) << QList<Slot>{};
    QTest::newRow("field longer than 1024 bytes")
        << Frame({QByteArray(1025, 'a'), "", "1", "1"}) << QList<Slot>{};
    QTest::newRow("field of 1024 bytes") << Frame({QByteArray(1024, 'a'), "", "1", "1"})
                                         << QList<Slot>{{QString(1024, u'a'), "", "1", "1"}};
    QTest::newRow("length of 4 GiB")
        << QByteArray("\xFF\xFF\xFF\xFF") + QByteArray(64, 'a') << QList<Slot>{};

    QByteArray many;
    QList<Slot> first200;
    for (int i = 1; i <= 250; ++i) {
        many += Frame({QByteArray::number(i), "", "1", "1"});
        if (i <= 200)
            first200 << Slot{QString::number(i), "", "1", "1"};
    }
    QTest::newRow("250 rows: the first 200") << many << first200;
}

void FoodTableTest::decodeKeepsOnlyWholeValidRows() {
    QFETCH(QByteArray, data);
    QFETCH(QList<Slot>, rows);
    QCOMPARE(SlotsOf(food_reader::DecodeRows(data)), rows);
}

void FoodTableTest::encodesRowsAsLengthAndBytes() {
    std::string out;
    food_reader::AppendRow(out, {"苹果", "", "52", "100"});
    QCOMPARE(QByteArray::fromStdString(out), QByteArray("\x06\x00\x00\x00\xE8\x8B\xB9\xE6\x9E\x9C"
                                                        "\x00\x00\x00\x00"
                                                        "\x02\x00\x00\x00"
                                                        "52"
                                                        "\x03\x00\x00\x00"
                                                        "100",
                                                        27));
}

void FoodTableTest::childReportsHowItEnded() {
    using food_reader::ChildEnd;
    const auto read = food_reader::ReadRowsIsolated(
        fixtures::Write(dir_, QStringLiteral("child.mdb"), fixtures::Foods(2)),
        std::chrono::seconds(5));
    QCOMPARE(read.end, ChildEnd::Finished);
    QCOMPARE(SlotsOf(food_reader::DecodeRows(read.data)),
             (QList<Slot>{{"食物1", "别名1", "1", "100"}, {"食物2", "别名2", "2", "100"}}));

    const auto missing = food_reader::ReadRowsIsolated(dir_.filePath(QStringLiteral("none.mdb")),
                                                       std::chrono::seconds(5));
    QCOMPARE(missing.end, ChildEnd::Failed);
    QVERIFY(missing.data.isEmpty());
    QCOMPARE(food_reader::ReadRowsIsolated(dir_.filePath(QStringLiteral("child.mdb")),
                                           std::chrono::seconds(5), dir_.filePath("no-reader"))
                 .end,
             ChildEnd::NotStarted);

    QCOMPARE(food_reader::Load(dir_.filePath(QStringLiteral("none.mdb")),
                               *std::make_unique<FoodSlots>()),
             ChildEnd::Rejected);
}

// Files on which libmdb itself crashes or never returns: the program goes on, the table unchanged.
void FoodTableTest::childIsolatesLibmdbFaults() {
    using food_reader::ChildEnd;
    QString error;
    const QByteArray good = jet4::BuildDatabase(fixtures::Foods(3), &error);
    QVERIFY2(!good.isEmpty(), qPrintable(error));

    const QString nullMap =
        fixtures::Write(dir_, QStringLiteral("null-map.mdb"), fixtures::WithEmptyCatalogMap(good));
    // libmdb crashes on it (Debian 12) or refuses it (Debian 13); whatever it does, it does in the
    // child, which reads no food, while this process goes on.
    const food_reader::IsolatedRead read =
        food_reader::ReadRowsIsolated(nullMap, std::chrono::seconds(5));
    QVERIFY2(read.end == ChildEnd::Crashed || read.end == ChildEnd::Failed ||
                 read.end == ChildEnd::OutOfProcessorTime,
             qPrintable(QString::number(int(read.end))));
    QVERIFY(food_reader::DecodeRows(read.data).empty());
    FoodSlots table;
    QCOMPARE(food_reader::Load(nullMap, table), ChildEnd::Rejected);

    const QString cycle =
        fixtures::Write(dir_, QStringLiteral("cycle.mdb"), fixtures::WithCyclicLvProp(good));
    QElapsedTimer clock;
    clock.start();
#ifdef __SANITIZE_ADDRESS__
    // The sanitizer's quarantine keeps what the loop frees: the reader may meet its address-space
    // limit before its processor time runs out. Either way it ends, and soon.
    const ChildEnd end = food_reader::Load(cycle, table);
    QVERIFY2(end == ChildEnd::OutOfProcessorTime || end == ChildEnd::Crashed,
             qPrintable(QString::number(int(end))));
#else
    QCOMPARE(food_reader::Load(cycle, table), ChildEnd::OutOfProcessorTime);
#endif
    // Its second of processor time, not the thirty-second deadline, however loaded the machine.
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(Of(table.Slot(1)), Empty);
}

// A reader that gets no processor time, on a loaded machine or stopped, holds up nothing: the table
// stays as it was, and at the deadline the load ends without waiting for the reader to be gone
// (one stuck in I/O dies only when the I/O returns); the reader is reaped afterwards. (That the
// foods arrive once it is released, the program's own run shows.)
void FoodTableTest::stalledReaderHoldsUpNothing() {
    QTemporaryDir dir;
    const QString path = fixtures::Write(dir, QStringLiteral("stalled.mdb"), fixtures::Foods(200));
    FoodSlots table;
    std::optional<food_reader::ChildEnd> ended;
    QStringList left; // this process's children when the load ended
    // Stopped before it reads anything: only the deadline can end it, however slow its start.
    auto* load = food_reader::FoodLoad::Start(
        path, table, fixtures::StalledReader(dir, food_reader::ReaderProgram()),
        std::chrono::milliseconds(1000));
    connect(load, &food_reader::FoodLoad::finished, this, [&](food_reader::ChildEnd e) {
        ended = e;
        left = Children();
    });
    QTRY_VERIFY_WITH_TIMEOUT(ended.has_value(), 10000);
    QCOMPARE(*ended, food_reader::ChildEnd::PastDeadline);
    QCOMPARE(Of(table.Slot(1)), Empty);
    QCOMPARE(left.size(), 1); // the killed reader, not waited for
    QTRY_COMPARE(Children(), QStringList());
}

QTEST_GUILESS_MAIN(FoodTableTest)
#include "test_food_table.moc"
