// The diary's file: what it opens and never touches, each change as one transaction, the saved
// meals, the CSV import, what survives a killed writer or maker, and deleting it while another
// store has it open.

#include "diary/diary_store.h"
#include "diary/room.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace 方法_卡路里计算器;
using State = DiaryStore::State;

namespace {

// The first diaries' schema, written out as they were made.
const QStringList VersionOne{
    "CREATE TABLE entries(id INTEGER PRIMARY KEY AUTOINCREMENT, day TEXT NOT NULL, meal INTEGER "
    "NOT NULL CHECK(meal BETWEEN 0 AND 5), name TEXT NOT NULL, hot REAL NOT NULL, quantity REAL, "
    "grams REAL, kcal REAL NOT NULL)",
    "CREATE INDEX entries_by_day ON entries(day, meal, id)",
    "CREATE TABLE saved_meals(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE)",
    "CREATE TABLE saved_meal_foods(meal_id INTEGER NOT NULL REFERENCES saved_meals(id) ON DELETE "
    "CASCADE, pos INTEGER NOT NULL, name, hot, quantity, grams, kcal, PRIMARY KEY(meal_id, pos))",
    "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "PRAGMA user_version = 1"};

// The weighings as the second version made them.
const QString VersionTwo = "CREATE TABLE weighings(day TEXT PRIMARY KEY, kg REAL NOT NULL)";

// Whether another program's statement is taken by the file at path.
bool Takes(const QString& path, const QString& sql) {
    bool taken = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(path);
        taken = db.open() && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase("other");
    return taken;
}

// Runs sql on a file as another program (or an older Korvella) would.
void MakeDatabase(const QString& path, const QStringList& sql) {
    for (const QString& statement : sql)
        QVERIFY2(Takes(path, statement), qPrintable(statement));
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

FoodEntry Food(const QString& name, double kcal, std::optional<double> grams = {}) {
    return {0, name, kcal, grams, grams, kcal, {}, 0};
}

Edit Insert(int meal, const FoodEntry& food) {
    return {Edit::Insert, meal, 0, {}, food};
}

// "meal:name/id" for each entry of the day.
QString Shape(const DayMeals& meals) {
    QStringList shape;
    for (int meal = 0; meal < MealCount; ++meal) {
        for (const FoodEntry& food : meals[meal])
            shape << QStringLiteral("%1:%2/%3").arg(meal).arg(food.name).arg(food.id);
    }
    return shape.join(u' ');
}

const QDate Monday(2024, 3, 4);
const QByteArray Header = "日期,餐次,食物,重量（克）,热量（大卡）\r\n";

} // namespace

Q_DECLARE_METATYPE(DiaryStore::State)

class TestDiaryStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

  private Q_SLOTS:
    void initTestCase();
    void openLeavesForeignFiles_data();
    void openLeavesForeignFiles();
    void upgrades_data();
    void upgrades();
    void unreadableRowsLeftOut_data();
    void unreadableRowsLeftOut();
    void changesRoundTrip();
    void failedChangeWritesNothing();
    void savedMeals();
    void weighingsOfTwoPrograms_data();
    void weighingsOfTwoPrograms();
    void exportsCsv();
    void contentsRoundTrip();
    void importsCsv_data();
    void importsCsv();
    void killedWriterLosesNothing();
    void killedMakerLeavesNoHalfDiary_data();
    void killedMakerLeavesNoHalfDiary();
    void deletedByAnotherWindow();
};

void TestDiaryStore::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    QCOMPARE(DiaryStore::DefaultPath(), m_dir.filePath("data/korvella/diary.sqlite"));
}

void TestDiaryStore::openLeavesForeignFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("wal"); // a WAL beside it, when not empty
    QTest::addColumn<State>("state");
    const QString scratch = m_dir.filePath("scratch.sqlite");
    const auto made = [&](const QStringList& sql) {
        QFile::remove(scratch);
        MakeDatabase(scratch, sql);
        return Read(scratch);
    };
    QByteArray diary;
    {
        DiaryStore store(m_dir.filePath("real.sqlite"));
        QCOMPARE(store.Create(), State::Open);
        diary = Read(store.Path());
    }
    // As a newer Korvella leaves it when it stops between its last change and a checkpoint.
    QByteArray pending, pendingWal;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "pending");
        db.setDatabaseName(m_dir.filePath("pending.sqlite"));
        QVERIFY(db.open());
        for (const char* sql : {"PRAGMA journal_mode = WAL", "PRAGMA wal_autocheckpoint = 0",
                                "CREATE TABLE t(x)", "PRAGMA user_version = 99"})
            QVERIFY2(QSqlQuery(db).exec(sql), sql);
        pending = Read(db.databaseName());
        pendingWal = Read(db.databaseName() + "-wal");
        QVERIFY(!pendingWal.isEmpty());
    }
    QSqlDatabase::removeDatabase("pending");
    const QByteArray none;
    QTest::newRow("empty file") << QByteArray() << none << State::Damaged;
    QTest::newRow("not SQLite") << QByteArray(5000, '\x5a') << none << State::Damaged;
    QTest::newRow("truncated diary") << diary.left(1000) << none << State::Damaged;
    QTest::newRow("diary cut after its first pages") << diary.left(8192) << none << State::Damaged;
    QTest::newRow("foreign database") << made({"CREATE TABLE other(x)"}) << none << State::Damaged;
    QTest::newRow("our version, not our tables")
        << made({"CREATE TABLE entries(x)", "PRAGMA user_version = 2"}) << none << State::Damaged;
    QTest::newRow("newer, in WAL mode")
        << made({"PRAGMA journal_mode = WAL", "CREATE TABLE t(x)", "PRAGMA user_version = 99"})
        << none << State::Newer;
    QTest::newRow("newer, its WAL pending") << pending << pendingWal << State::Newer;
    QTest::newRow("foreign, in WAL mode")
        << made({"PRAGMA journal_mode = WAL", "CREATE TABLE t(x)"}) << none << State::Damaged;
}

void TestDiaryStore::openLeavesForeignFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, wal);
    QFETCH(State, state);
    const QString path = m_dir.filePath("foreign/diary.sqlite");
    QDir(m_dir.filePath("foreign")).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir.filePath("foreign")));
    QStringList files{"diary.sqlite"};
    if (!wal.isEmpty())
        files << "diary.sqlite-wal";
    for (const QString& name : files) {
        QFile file(m_dir.filePath("foreign/" + name));
        const QByteArray& contents = name == files[0] ? bytes : wal;
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
    }
    DiaryStore store(path);
    QCOMPARE(store.Open(), state);
    QCOMPARE(store.Create(), state);
    QVERIFY(store.Problem().contains(QDir::toNativeSeparators(path)));
    QVERIFY(!store.Delete());
    QCOMPARE(Read(path), bytes);
    if (!wal.isEmpty())
        QCOMPARE(Read(path + "-wal"), wal);
    QCOMPARE(QDir(m_dir.filePath("foreign")).entryList(QDir::Files | QDir::Hidden), files);
}

// A file of every earlier version comes up to this one: its rows read as before, the weighings
// and the own foods' tables there, a portion kept with an entry; entries and saved meals take
// nutrients from then on, within the rule.
void TestDiaryStore::upgrades_data() {
    QTest::addColumn<QStringList>("schema");
    QStringList one = VersionOne;
    one.removeLast(); // its user_version
    QTest::newRow("version 1") << VersionOne;
    QTest::newRow("version 2") << one + QStringList{VersionTwo, "PRAGMA user_version = 2"};
    // The own foods as the third version made them, the entries' nutrients as the fourth added.
    QStringList four = one;
    four << VersionTwo
         << "CREATE TABLE own_foods(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL "
            "UNIQUE, alias TEXT NOT NULL DEFAULT '', kcal INTEGER NOT NULL, dish INTEGER NOT "
            "NULL DEFAULT 0, serving_grams REAL, cooked_grams REAL, servings INTEGER)"
         << "CREATE TABLE dish_ingredients(dish_id INTEGER NOT NULL, pos INTEGER NOT NULL, name "
            "TEXT NOT NULL, kcal REAL NOT NULL, grams REAL NOT NULL, PRIMARY KEY(dish_id, pos))"
         << "CREATE TABLE portions(food TEXT NOT NULL, name TEXT NOT NULL, grams REAL NOT NULL, "
            "PRIMARY KEY(food, name))";
    for (const char* table : {"entries", "saved_meal_foods"})
        for (const QString& column :
             QStringList{"portion TEXT", "portion_count REAL", "protein REAL", "fat REAL",
                         "carbohydrate REAL CHECK(" + NutrientRule() + ")"})
            four << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, column);
    QTest::newRow("version 4") << four + QStringList{"PRAGMA user_version = 4"};
}

void TestDiaryStore::upgrades() {
    QFETCH(QStringList, schema);
    const QString path = m_dir.filePath(QStringLiteral("v%1.sqlite").arg(schema.size()));
    MakeDatabase(path,
                 schema + QStringList{"INSERT INTO entries(id, day, meal, name, hot, quantity, "
                                      "grams, kcal) VALUES(7, '2024-03-04', 2, '米饭', 116, 100, "
                                      "250, 290)",
                                      "INSERT INTO settings VALUES('diary', '1')"});
    DiaryStore store(path);
    QCOMPARE(store.Open(), State::Open);
    QCOMPARE(store.Days().Day(Monday)[2],
             QList<FoodEntry>({{7, "米饭", 116, 100, 250, 290, {}, 0}}));
    QVERIFY(store.Settings().DiaryOn());
    QSqlQuery query(Room::Database(store));
    QVERIFY(query.exec("PRAGMA user_version") && query.next());
    QCOMPARE(query.value(0).toInt(), DiarySchemaVersion);
    QVERIFY(query.exec("INSERT INTO weighings VALUES('2024-03-04', 70.5)"));
    const Macros potato{2, 0.1, 17};
    OwnFood yoghurt{0, "蓝莓酸奶", "", 96, 125.0, false, {}, std::nullopt, std::nullopt};
    yoghurt.per100g = Macros{3.1, 2.7, 12.4};
    OwnFood stew{0, "炖土豆", "", 77, std::nullopt, true, {}, std::nullopt, std::nullopt, potato};
    stew.ingredients = {{"土豆", 77, 200, potato}};
    QVERIFY(store.OwnFoods().Keep(yoghurt) && store.OwnFoods().Keep(stew));
    QVERIFY(!Takes(path, "UPDATE own_foods SET protein = 90")); // more than 100 g in 100 g
    QVERIFY(store.OwnFoods().KeepPortions("米饭", {{"米饭", "碗", 150}}));
    Change bowls{Insert(2, {0, "米饭", 116, 100, 300, 348, "碗", 2})};
    QVERIFY(store.Days().Apply(Monday, bowls));
    QCOMPARE(store.OwnFoods().All(), (QList<OwnFood>{yoghurt, stew}));
    QCOMPARE(store.OwnFoods().Portions(), (QList<NamedPortion>{{"米饭", "碗", 150}}));
    QCOMPARE(store.Days().Day(Monday)[2].last().portion, QStringLiteral("碗"));

    FoodEntry tofu = Food("豆腐", 81, 100);
    tofu.per100g = Macros{8.1, 3.7, 4.2};
    Change added{Insert(2, tofu)};
    QVERIFY(store.Days().Apply(Monday, added));
    tofu.id = added[0].after.id;
    QCOMPARE(store.Days().Day(Monday)[2].last(), tofu);
    QVERIFY(store.SavedMeals().Save("午饭", {tofu}));
    tofu.id = 0;
    QCOMPARE(store.SavedMeals().Named("午饭").value_or(SavedMeal()).foods, QList<FoodEntry>{tofu});
    const QString entry = "INSERT INTO entries(day, meal, name, hot, quantity, grams, kcal, "
                          "protein, fat, carbohydrate) VALUES('2024-03-04', 0, '米饭', 116, 100, "
                          "100, 116, %1)";
    QVERIFY(Takes(path, entry.arg("2.6, 0.3, 25.9")));
    QVERIFY(!Takes(path, entry.arg("60, 30, 20")));      // more than 100 g in 100 g
    QVERIFY(!Takes(path, entry.arg("2.6, NULL, 25.9"))); // all three or none
}

// A row another tool wrote, or bit rot changed, is left out of the day, the days, the log and
// the contents, counted, and never changed; a new file does not take it at all.
void TestDiaryStore::unreadableRowsLeftOut_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("checked"); // refused by a new file
    const QString entry = "INSERT INTO entries(day, meal, name, hot, quantity, grams, kcal) "
                          "VALUES('2024-03-05', %1)";
    QTest::newRow("kcal 1e308") << entry.arg("0, '米饭', 116, 100, 250, 1e308") << true;
    QTest::newRow("grams -5") << entry.arg("4, '鸡蛋', 139, 100, -5, -50") << true;
    QTest::newRow("kcal 'abc'") << entry.arg("1, '苹果', 52, 100, 100, 'abc'") << true;
    QTest::newRow("a day that does not exist")
        << QString(entry).replace("03-05", "02-30").arg("0, '苹果', 52, 100, 100, 52") << true;
    QTest::newRow("a saved meal's food of -5 g")
        << "INSERT INTO saved_meal_foods VALUES(1, 1, '鸡蛋', 139, 100, -5, -50)" << true;
    QTest::newRow("a weighing of 1e300 kg")
        << "INSERT INTO weighings VALUES('2024-03-05', 1e300)" << true;
    QTest::newRow("a weighing of 70.555 kg")
        << "INSERT INTO weighings VALUES('2024-03-05', 70.555)" << true;
    QTest::newRow("a weighing dated 9999-12-31")
        << "INSERT INTO weighings VALUES('9999-12-31', 70)" << false;
    QTest::newRow("a goal of 1e300 kg")
        << "INSERT INTO settings VALUES('goal_kg', '1e300')" << false;
}

void TestDiaryStore::unreadableRowsLeftOut() {
    QFETCH(QString, row);
    QFETCH(bool, checked);
    const QString path = m_dir.filePath("unreadable.sqlite");
    QFile::remove(path);
    MakeDatabase(path, VersionOne + QStringList{
                                        VersionTwo,
                                        "PRAGMA user_version = 2",
                                        "INSERT INTO entries VALUES(1, '2024-03-04', 2, '米饭', "
                                        "116, 100, 250, 290)",
                                        "INSERT INTO saved_meals VALUES(1, '早饭')",
                                        "INSERT INTO saved_meal_foods VALUES(1, 0, '牛奶', 54, "
                                        "100, 100, 54)",
                                        "INSERT INTO weighings VALUES('2024-03-04', 70.5)",
                                        row,
                                    });
    {
        // Closed before its file goes: a WAL still open would be read into the new file.
        DiaryStore store(path);
        QCOMPARE(store.Open(), State::Open);
        QCOMPARE(store.UnreadableRows(), 1);
        QCOMPARE(store.UnreadableNotice(), QString("日记中有 1 条记录无法读取，已略过"));
        const DiaryContents contents = store.Contents();
        QCOMPARE(contents.days.size(), 1);
        QCOMPARE(Shape(contents.days[0].meals), QString("2:米饭/1"));
        QCOMPARE(store.Days().DaysWithEntries(), QList<QDate>{Monday});
        QCOMPARE(Shape(store.Days().Day(Monday.addDays(1))), QString());
        QCOMPARE(store.Days().DailyIntake().size(), 1);
        QCOMPARE(contents.savedMeals.size(), 1);
        QCOMPARE(contents.savedMeals[0].foods, QList<FoodEntry>({Food("牛奶", 54, 100)}));
        QCOMPARE(contents.weighings, QList<方法_体重记录::Weighing>({{Monday, 70.5}}));
        QCOMPARE(contents.goalKg, std::optional<double>());

        // The changes the windows make leave it as it is.
        Change tuesday{Insert(0, Food("苹果", 52, 100))};
        QVERIFY(store.Days().Apply(Monday.addDays(1), tuesday));
        Change removal{{Edit::Remove, 0, 0, tuesday[0].after, {}}};
        QVERIFY(store.Days().Apply(Monday.addDays(1), removal));
        QVERIFY(store.SavedMeals().Save("早饭", {Food("豆浆", 16, 100)}));
        QCOMPARE(store.UnreadableRows(), 1);
    }

    QFile::remove(path);
    QCOMPARE(DiaryStore(path).Create(), State::Open);
    QVERIFY(Takes(path, "INSERT INTO saved_meals VALUES(1, '早饭')"));
    QCOMPARE(Takes(path, row), !checked);
}

void TestDiaryStore::changesRoundTrip() {
    DiaryStore store; // under XDG_DATA_HOME, whose folders it makes
    QCOMPARE(store.Open(), State::Missing);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("data")));
    QCOMPARE(store.Create(), State::Open);
    QVERIFY(!store.Settings().DiaryOn() && store.Settings().SetDiaryOn(true) &&
            store.Settings().DiaryOn());

    Change add{Insert(0, Food("苹果", 52, 100)), Insert(0, Food("米饭", 290, 250)),
               Insert(4, Food("鸡蛋", 139))};
    QVERIFY(store.Days().Apply(Monday, add));
    QCOMPARE(add[2].after.id, qint64(3));
    Change saturday{Insert(4, Food("面条", 300))};
    QVERIFY(store.Days().Apply(Monday.addDays(-2), saturday));

    Change reweigh{{Edit::Update, 0, 1, add[1].after, Food("米饭", 116, 100)}};
    Change remove{{Edit::Remove, 0, 0, add[0].after, {}}};
    QVERIFY(store.Days().Apply(Monday, reweigh));
    QVERIFY(store.Days().Apply(Monday, remove));
    {
        DiaryStore other; // the weight window's own connection to the same file
        QCOMPARE(other.Open(), State::Open);
        QCOMPARE(Shape(other.Days().Day(Monday)), QString("0:米饭/2 4:鸡蛋/3"));
        QCOMPARE(other.Days().Day(Monday)[0][0].kcal, 116.0);
    }

    Change undo{Insert(0, remove[0].before)}; // back before the rice, keeping its id
    QVERIFY(store.Days().Apply(Monday, undo));
    QCOMPARE(Shape(store.Days().Day(Monday)), QString("0:苹果/1 0:米饭/2 4:鸡蛋/3"));
    QCOMPARE(store.Days().DaysWithEntries(), QList<QDate>({Monday.addDays(-2), Monday}));
    QCOMPARE(store.Days().PreviousDayWith(Monday.addDays(1), 4), std::optional(Monday));
    QCOMPARE(store.Days().PreviousDayWith(Monday, 4), std::optional(Monday.addDays(-2)));
    QCOMPARE(store.Days().PreviousDayWith(Monday, 0), std::optional<QDate>());

    QVERIFY(store.Delete());
    QVERIFY(!QFileInfo::exists(m_dir.filePath("data"))); // the folders Create made
}

void TestDiaryStore::failedChangeWritesNothing() {
    DiaryStore store(m_dir.filePath("busy.sqlite"));
    QCOMPARE(store.Create(), State::Open);
    int tries = 0;
    QString nested; // what a change begun while the first one waits is told
    store.SetWaiting([&] {
        Change inside{Insert(3, Food("梨", 50, 100))};
        if (++tries == 1 && !store.Days().Apply(Monday, inside))
            nested = store.Problem();
        return tries < 3; // gives up on the third
    });
    Change kept{Insert(1, Food("香蕉", 93, 100))};
    QVERIFY(store.Days().Apply(Monday, kept));

    // The second edit fails: the first is not kept either.
    Change missing{Insert(2, Food("馒头", 223, 100)),
                   {Edit::Update, 1, 0, {99, "梨", 50, 100, 100, 50, {}, 0}, Food("梨", 25, 50)}};
    QVERIFY(!store.Days().Apply(Monday, missing));
    QCOMPARE(missing[0].after.id, qint64(0));
    QCOMPARE(missing[1].after.id, qint64(0));
    {
        DiaryStore holder(store.Path()); // another program in the middle of a write
        QCOMPARE(holder.Open(), State::Open);
        QVERIFY(QSqlQuery(Room::Database(holder)).exec("BEGIN IMMEDIATE"));
        Change blocked{Insert(2, Food("馒头", 223, 100))};
        QVERIFY(!store.Days().Apply(Monday, blocked));
        QCOMPARE(blocked[0].after.id, qint64(0));
        QCOMPARE(store.Problem(), QStringLiteral("无法保存到日记“%1”：日记正被另一个程序占用。"
                                                 "这次更改已撤回。")
                                      .arg(QDir::toNativeSeparators(store.Path())));
        QCOMPARE(tries, 3);
        QCOMPARE(nested,
                 QStringLiteral("无法保存到日记“%1”：上一个更改还没有保存完。这次更改已撤回。")
                     .arg(QDir::toNativeSeparators(store.Path())));
    }
    QCOMPARE(Shape(store.Days().Day(Monday)), QString("1:香蕉/1"));
}

void TestDiaryStore::savedMeals() {
    DiaryStore store(m_dir.filePath("meals.sqlite"));
    QCOMPARE(store.Create(), State::Open);
    QVERIFY(store.SavedMeals().Save("早饭", {Food("牛奶", 54, 100), Food("面包", 10.25)}));
    QVERIFY(store.SavedMeals().Save("晚饭", {Food("米饭", 116, 100)}));
    QVERIFY(store.SavedMeals().Save("早饭", {Food("豆浆", 16, 100), Food("油条", 386.5, 100)}));
    QCOMPARE(store.SavedMeals().Named("早饭")->foods,
             QList<FoodEntry>({Food("豆浆", 16, 100), Food("油条", 386.5, 100)}));
    QCOMPARE(store.SavedMeals().Named("早饭")->Kcal(), 402.5);

    QVERIFY(!store.SavedMeals().Rename(2, "早饭"));
    QCOMPARE(store.Problem(), QString("已有名为“早饭”的餐，请换一个名字。"));
    QVERIFY(store.SavedMeals().Rename(2, "午饭"));
    QVERIFY(store.SavedMeals().Delete(1));
    const QList<SavedMeal> meals = store.SavedMeals().All();
    QCOMPARE(meals.size(), 1);
    QCOMPARE(meals[0].name, QString("午饭"));
    QSqlQuery foods(Room::Database(store));
    QVERIFY(foods.exec("SELECT count(*) FROM saved_meal_foods") && foods.next());
    QCOMPARE(foods.value(0).toInt(), 1);
}

using 方法_体重记录::Weighing;
using 方法_体重记录::WeighingChange;
using Kept = DiaryWeighings::Kept;
Q_DECLARE_METATYPE(WeighingChange)
Q_DECLARE_METATYPE(Kept)

// Another program weighed Monday at 70 kg after this one read the log: a change is kept only
// while each of its days holds what the change found there, and otherwise not at all.
void TestDiaryStore::weighingsOfTwoPrograms_data() {
    QTest::addColumn<WeighingChange>("change");
    QTest::addColumn<Kept>("kept");
    QTest::addColumn<QList<Weighing>>("after");
    const QDate sunday = Monday.addDays(-1);
    QTest::newRow("a weighing of the day read as empty")
        << WeighingChange{{Monday, std::nullopt, 71}} << Kept::Outdated
        << QList<Weighing>{{Monday, 70}};
    QTest::newRow("an undo of this program's weighing")
        << WeighingChange{{Monday, 71, std::nullopt}} << Kept::Outdated
        << QList<Weighing>{{Monday, 70}};
    QTest::newRow("the other day first, then the outdated one")
        << WeighingChange{{sunday, std::nullopt, 60}, {Monday, std::nullopt, 71}} << Kept::Outdated
        << QList<Weighing>{{Monday, 70}};
    QTest::newRow("the day as it is now")
        << WeighingChange{{sunday, std::nullopt, 60}, {Monday, 70, 69.5}} << Kept::Yes
        << QList<Weighing>{{sunday, 60}, {Monday, 69.5}};
}

void TestDiaryStore::weighingsOfTwoPrograms() {
    QFETCH(WeighingChange, change);
    QFETCH(Kept, kept);
    QFETCH(QList<Weighing>, after);
    const QString path = m_dir.filePath("weighings.sqlite");
    QFile::remove(path);
    DiaryStore mine(path), other(path);
    QCOMPARE(mine.Create(), State::Open);
    QCOMPARE(other.Open(), State::Open);
    QCOMPARE(other.Weighings().Keep({{Monday, std::nullopt, 70}}), Kept::Yes);

    QCOMPARE(mine.Weighings().Keep(change), kept);
    QCOMPARE(mine.Weighings().All(), after);
    if (kept == Kept::Outdated)
        QCOMPARE(mine.Problem(), QStringLiteral("无法保存到日记“%1”：另一个程序在此期间记录了 "
                                                "2024年3月4日 的体重。这次更改已撤回。")
                                     .arg(QDir::toNativeSeparators(path)));
}

void TestDiaryStore::exportsCsv() {
    DiaryStore store(m_dir.filePath("export.sqlite"));
    QCOMPARE(store.Create(), State::Open);
    Change day{Insert(5, Food("=1+1", 30)), Insert(0, Food("饺子,猪肉", 250.5, 125)),
               Insert(0, Food("说\"好\"", 0.1, 0.5)),
               Insert(2, {0, "米饭", 116, 100, 250, 290, {}, 0})};
    Change before{Insert(3, Food("酸奶", 72, 100))};
    QVERIFY(store.Days().Apply(Monday, day) && store.Days().Apply(Monday.addDays(-1), before));
    const QByteArray csv = store.ExportCsv();

    // Into an empty diary and out again: the same bytes, every listed energy and quantity back.
    DiaryStore copy(m_dir.filePath("import.sqlite"));
    QCOMPARE(copy.Create(), State::Open);
    QCOMPARE(copy.ImportCsv(csv).entriesAdded, 5);
    QCOMPARE(copy.ExportCsv(), csv);
    const DayMeals copied = copy.Days().Day(Monday);
    QCOMPARE(Shape(copied), QString("0:饺子,猪肉/2 0:说\"好\"/3 2:米饭/4 5:=1+1/5"));
    QCOMPARE(copied[0][0], FoodEntry({2, "饺子,猪肉", 250.5, 125, 125, 250.5, {}, 0}));
    QCOMPARE(copied[2][0], FoodEntry({4, "米饭", 116, 100, 250, 290, {}, 0}));
    // The store's own words end in a full stop already: the message has one, not two.
    DiaryStore unopened(m_dir.filePath("unopened.sqlite"));
    const QString message = ImportMessage("f.csv", unopened.ImportCsv(csv));
    QVERIFY2(message.endsWith("这次更改已撤回。日记保持原样。"), qPrintable(message));
}

// A day's meals without their ids, so that a copy compares with its original.
DayMeals WithoutIds(DayMeals meals) {
    for (QList<FoodEntry>& meal : meals) {
        for (FoodEntry& food : meal)
            food.id = 0;
    }
    return meals;
}

// The whole diary into an empty one and back, ids aside; a second import adds nothing, and
// values no window could have typed are refused, a day whole.
void TestDiaryStore::contentsRoundTrip() {
    DiaryStore store(m_dir.filePath("contents.sqlite"));
    QCOMPARE(store.Create(), State::Open);
    // Rice with its nutrients, the egg without.
    const FoodEntry rice{0, "米饭", 116, 100, 250, 290, {}, 0, Macros{2.36, 0.19, 28.73}};
    Change monday{Insert(2, rice), Insert(0, Food("鸡蛋", 139))};
    Change sunday{Insert(4, Food("面条", 300, 300))};
    QVERIFY(store.Days().Apply(Monday, monday) && store.Days().Apply(Monday.addDays(-1), sunday));
    QVERIFY(store.SavedMeals().Save("晚饭", {rice}));
    QVERIFY(store.SavedMeals().Save("早饭", {Food("牛奶", 54, 100), Food("面包", 10.25)}));
    QVERIFY(store.SavedMeals().Save("空", {}));
    QCOMPARE(store.Weighings().Keep(
                 {{Monday, std::nullopt, 70.25}, {Monday.addDays(-9), std::nullopt, 71}}),
             DiaryWeighings::Kept::Yes);
    QVERIFY(store.Weighings().KeepGoal(65.5));
    const DiaryContents contents = store.Contents();

    DiaryStore copy(m_dir.filePath("contents-copy.sqlite"));
    QCOMPARE(copy.Create(), State::Open);
    ImportReport report = copy.Import(contents);
    QCOMPARE(QList<int>({report.daysAdded, report.entriesAdded, report.savedMealsAdded,
                         report.weighingsAdded, report.refused}),
             QList<int>({2, 3, 3, 2, 0}));
    const DiaryContents copied = copy.Contents();
    QCOMPARE(copied.days.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(copied.days[i].date, contents.days[i].date);
        QCOMPARE(WithoutIds(copied.days[i].meals), WithoutIds(contents.days[i].meals));
    }
    QCOMPARE(copied.days.constLast().date, Monday);
    QCOMPARE(copied.savedMeals.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(copied.savedMeals[i].name, contents.savedMeals[i].name);
        QCOMPARE(copied.savedMeals[i].foods, contents.savedMeals[i].foods);
    }
    QCOMPARE(copied.weighings, contents.weighings);
    QCOMPARE(copied.goalKg, std::optional(65.5));

    DiaryContents unsound = contents;
    unsound.days.append({Monday.addDays(-3), {}});
    unsound.days.last().meals[1] = {Food("苹果", 52, 100), Food("鸡蛋", 139, -5)};
    unsound.savedMeals.append({0, "宵夜", {Food("薯片", 1e308)}});
    unsound.weighings.append({Monday.addDays(-4), 1e300});
    report = copy.Import(unsound);
    QCOMPARE(QList<int>({report.daysAdded, report.daysSkipped, report.savedMealsSkipped,
                         report.weighingsSkipped, report.refused}),
             QList<int>({0, 2, 3, 2, 3}));
    QCOMPARE(copy.Contents().days.size(), 2);
}

void TestDiaryStore::importsCsv_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QList<int>>("counts"); // days added, entries added, days skipped, refused
    QTest::addColumn<QStringList>("reasons");
    QTest::addColumn<QString>("failure"); // the message, when nothing is kept
    const QByteArray good = "2024-03-01,早餐,苹果,100,52\r\n2024-03-01,午餐,鸡蛋,,139\r\n"
                            "2024-03-02,晚餐,\"面,条\",200,220\r\n";
    QTest::newRow("with the byte-order mark")
        << "\xEF\xBB\xBF" + Header + good << QList<int>{2, 3, 0, 0} << QStringList() << "";
    QTest::newRow("LF line ends, no byte-order mark")
        << QByteArray(Header + good).replace("\r\n", "\n") << QList<int>{2, 3, 0, 0}
        << QStringList() << "";
    QTest::newRow("a day the diary has")
        << Header + "2024-03-04,早餐,粥,300,138\r\n2024-03-04,午餐,面,,300\r\n" + good
        << QList<int>{2, 3, 1, 0} << QStringList() << "";
    QTest::newRow("refused rows, counted by their line")
        << Header + "2024-02-30,早餐,苹果,100,52\r\n"
                    "2024-03-01,夜宵,\"苹\n果\",100,52\r\n"
                    "2024-03-01,早餐,,100,52\r\n"
                    "2024-03-01,早餐,苹果,一百,52\r\n"
                    "2024-03-01,早餐,苹果,0,52\r\n"
                    "2024-03-01,早餐,苹果,5000.5,52\r\n"
                    "2024-03-01,早餐,苹果,100,-1\r\n"
                    "2024-03-01,早餐,苹果,100,10001\r\n"
                    "2024-03-01,早餐,苹果,100,\r\n"
                    "2024-03-01,早餐,苹果,5000,10000\r\n"
        << QList<int>{0, 0, 0, 10}
        << QStringList{"第 2 行：日期无法识别",
                       "第 3 行：餐次“夜宵”无法识别（2024-03-01 这一天没有导入）",
                       "第 5 行：没有食物名称（2024-03-01 这一天没有导入）",
                       "第 6 行：标示重量“一百”不是数字（2024-03-01 这一天没有导入）",
                       "第 7 行：食物“苹果”的热量或重量不合理（2024-03-01 这一天没有导入）"}
        << "";
    QTest::newRow("not the diary's header")
        << QByteArray("餐次,食物,重量（克）,热量（大卡）\r\n早餐,苹果,100,52\r\n")
        << QList<int>{0, 0, 0, 0} << QStringList()
        << "无法导入“f.csv”：表头不是日记的表头，第一行应是“类型,日期,餐次/常用餐名,食物,"
           "标示热量（大卡）,标示重量（克）,重量（克）,热量（大卡）,体重（公斤）,蛋白质（克/"
           "100克）,"
           "脂肪（克/100克）,碳水化合物（克/100克）,份量,份量数”。日记保持原样。";
    QTest::newRow("not UTF-8")
        << Header + "2024-03-01,早餐,\xC6\xBB\xB9\xFB,100,52\r\n"
        << QList<int>{0, 0, 0, 0} << QStringList()
        << "无法导入“f.csv”：文件不是 UTF-8 编码的文字，无法读取。日记保持原样。";
}

void TestDiaryStore::importsCsv() {
    QFETCH(QByteArray, csv);
    QFETCH(QList<int>, counts);
    QFETCH(QStringList, reasons);
    QFETCH(QString, failure);
    QFile::remove(m_dir.filePath("imports.sqlite"));
    DiaryStore store(m_dir.filePath("imports.sqlite"));
    QCOMPARE(store.Create(), State::Open);
    Change monday{Insert(0, Food("馒头", 223, 100))};
    QVERIFY(store.Days().Apply(Monday, monday));

    const ImportReport report = store.ImportCsv(csv);
    QCOMPARE(
        QList<int>({report.daysAdded, report.entriesAdded, report.daysSkipped, report.refused}),
        counts);
    QCOMPARE(report.reasons, reasons);
    QCOMPARE(report.failed, !failure.isEmpty());
    if (report.failed)
        QCOMPARE(ImportMessage("f.csv", report), failure);
    QCOMPARE(Shape(store.Days().Day(Monday)), QString("0:馒头/1"));
    QCOMPARE(store.ImportCsv(csv).entriesAdded, 0); // the second time adds nothing
    QCOMPARE(store.Days().DaysWithEntries().size(), 1 + counts[0]);
}

// A writer killed at random moments: the file stays sound and keeps every change it reported.
void TestDiaryStore::killedWriterLosesNothing() {
    const QString path = m_dir.filePath("crash.sqlite");
    QSet<qint64> committed;
    for (int round = 0; round < 5; ++round) {
        QProcess writer;
        writer.start(QCoreApplication::applicationDirPath() + "/diary_writer", {path});
        QVERIFY(writer.waitForStarted());
        QVERIFY(writer.waitForReadyRead(10000));
        QTest::qWait(QRandomGenerator::global()->bounded(50, 301));
        writer.kill();
        QVERIFY(writer.waitForFinished());
        const QByteArray out = writer.readAllStandardOutput();
        for (const QByteArray& line : out.left(out.lastIndexOf('\n')).split('\n'))
            committed.insert(line.toLongLong());

        DiaryStore store(path);
        QCOMPARE(store.Open(), State::Open);
        QSqlQuery query(Room::Database(store));
        QVERIFY(query.exec("PRAGMA integrity_check") && query.next());
        QCOMPARE(query.value(0).toString(), QString("ok"));
        QSet<qint64> kept;
        QVERIFY(query.exec("SELECT id FROM entries"));
        while (query.next())
            kept.insert(query.value(0).toLongLong());
        QVERIFY(kept.contains(committed));
    }
    qInfo("%lld entries reported as kept", static_cast<long long>(committed.size()));
}

// A maker killed as a file of its own first appears in the folder, or as the diary's name does:
// the name never names half a diary, and making it again is not stopped by what was left.
void TestDiaryStore::killedMakerLeavesNoHalfDiary_data() {
    QTest::addColumn<bool>("anyFile"); // killed at the first file, or at the diary's name
    QTest::newRow("killed as its first file appears") << true;
    QTest::newRow("killed as the diary's name appears") << false;
}

void TestDiaryStore::killedMakerLeavesNoHalfDiary() {
    QFETCH(bool, anyFile);
    const QString folder = m_dir.filePath("making");
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/diary.sqlite";
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    QVERIFY(watch >= 0);
    QVERIFY(inotify_add_watch(watch, QFile::encodeName(folder).constData(),
                              IN_CREATE | IN_MOVED_TO) >= 0);
    QProcess maker;
    maker.start(QCoreApplication::applicationDirPath() + "/diary_writer", {path});
    QVERIFY(maker.waitForStarted());
    bool seen = false;
    while (!seen) {
        pollfd ready{watch, POLLIN, 0};
        QVERIFY(poll(&ready, 1, 10000) == 1);
        alignas(inotify_event) char buffer[4096];
        const ssize_t size = read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < size && !seen;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            seen = anyFile || (event->len > 0 && qstrcmp(event->name, "diary.sqlite") == 0);
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    }
    maker.kill();
    QVERIFY(maker.waitForFinished());
    close(watch);

    DiaryStore store(path);
    const State found = store.Open();
    QVERIFY2(found == State::Missing || found == State::Open, qPrintable(store.Problem()));
    QCOMPARE(store.Create(), State::Open);
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.removeAll("diary.sqlite-wal");
    files.removeAll("diary.sqlite-shm");
    QCOMPARE(files, QStringList("diary.sqlite"));
}

// One window deletes the diary while another store has it open: that store's next change fails,
// saying so, instead of going into a file nobody will read again. Deleting waits for a write.
void TestDiaryStore::deletedByAnotherWindow() {
    const QString path = m_dir.filePath("shared/diary.sqlite");
    DiaryStore deleter(path);
    QCOMPARE(deleter.Create(), State::Open);
    DiaryStore other(path);
    QCOMPARE(other.Open(), State::Open);
    Change before{Insert(0, Food("苹果", 52, 100))};
    QVERIFY(other.Days().Apply(Monday, before));

    {
        DiaryStore holder(path); // in the middle of a write
        QCOMPARE(holder.Open(), State::Open);
        QVERIFY(QSqlQuery(Room::Database(holder)).exec("BEGIN IMMEDIATE"));
        deleter.SetWaiting([] { return false; });
        QVERIFY(!deleter.Delete());
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(deleter.Status(), State::Open);
    }
    QVERIFY(deleter.Delete());
    QVERIFY(!QFileInfo::exists(path));

    Change after{Insert(0, Food("米饭", 116, 100))};
    QVERIFY(!other.Days().Apply(Monday, after));
    QCOMPARE(after[0].after.id, qint64(0));
    QCOMPARE(other.Problem(), QStringLiteral("日记文件“%1”已被另一个窗口删除，这次更改已撤回。")
                                  .arg(QDir::toNativeSeparators(path)));
    QCOMPARE(other.Status(), State::Missing);
    QVERIFY(!QFileInfo::exists(path));

    // Another program adding all the while stops at its next change.
    QCOMPARE(deleter.Create(), State::Open);
    QProcess writer;
    writer.start(QCoreApplication::applicationDirPath() + "/diary_writer", {path});
    QVERIFY(writer.waitForReadyRead(10000));
    deleter.SetWaiting({});
    QVERIFY(deleter.Delete());
    QVERIFY(writer.waitForFinished(5000));
    QCOMPARE(writer.exitCode(), 1);
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_GUILESS_MAIN(TestDiaryStore)
#include "test_diary_store.moc"
