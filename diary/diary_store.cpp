#include "diary/diary_store.h"

#include "calorie/core/intake.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QStringDecoder>
#include <QUrl>
#include <QVariant>
#include <QtEndian>
#include <QtNumeric>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>

namespace 方法_卡路里计算器 {

namespace {

const QString DiaryKey = QStringLiteral("diary");
const QString MadeKey = QStringLiteral("made_folders");
const QString BusyOption = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
const QStringList CsvHeader{"日期", "餐次", "食物", "重量（克）", "热量（大卡）"};
constexpr int KeptReasons = 5;
constexpr double MaxGrams = 5000;
constexpr double MaxKcal = 10000;

// SQLite's primary result codes that tell the user something.
constexpr int SqlitePerm = 3, SqliteBusy = 5, SqliteLocked = 6, SqliteReadOnly = 8, SqliteFull = 13,
              SqliteCantOpen = 14;

// Steps[v] brings a diary of version v to v + 1; a new diary runs them all.
const std::array<QStringList, DiarySchemaVersion> Steps{{
    {
        "CREATE TABLE entries(id INTEGER PRIMARY KEY AUTOINCREMENT, day TEXT NOT NULL, "
        "meal INTEGER NOT NULL CHECK(meal BETWEEN 0 AND 5), name TEXT NOT NULL, hot REAL NOT NULL, "
        "quantity REAL, grams REAL, kcal REAL NOT NULL)",
        "CREATE INDEX entries_by_day ON entries(day, meal, id)",
        "CREATE TABLE saved_meals(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE)",
        "CREATE TABLE saved_meal_foods(meal_id INTEGER NOT NULL REFERENCES saved_meals(id) "
        "ON DELETE CASCADE, pos INTEGER NOT NULL, name TEXT NOT NULL, hot REAL NOT NULL, "
        "quantity REAL, grams REAL, kcal REAL NOT NULL, PRIMARY KEY(meal_id, pos))",
        "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    },
    {
        "CREATE TABLE weighings(day TEXT PRIMARY KEY, kg REAL NOT NULL)",
    },
}};

// The tables a diary of that version has.
QStringList TablesOf(int version) {
    QStringList tables{"entries", "saved_meals", "saved_meal_foods", "settings"};
    if (version >= 2)
        tables << "weighings";
    return tables;
}

std::atomic<int> connectionCount{0};

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A URI, so that SQLite can be told never to make the file (mode=rw) or to leave the files alone
// (immutable).
QString Uri(const QString& path, const char* parameters) {
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           u'?' + QLatin1String(parameters);
}

void CloseConnection(const QString& name) {
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

void RemoveFiles(const QString& path) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

void RemoveFolders(QStringList made) {
    std::reverse(made.begin(), made.end());
    for (const QString& folder : made)
        QDir().rmdir(folder); // only when empty: something else may have moved in
}

QString ReasonFor(const QSqlError& error) {
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case SqliteBusy:
    case SqliteLocked:
        return QStringLiteral("日记正被另一个程序占用");
    case SqliteFull:
        return QStringLiteral("磁盘空间不足");
    case SqlitePerm:
    case SqliteReadOnly:
    case SqliteCantOpen:
        return QStringLiteral("没有写入的权限");
    }
    return error.databaseText().isEmpty() ? QStringLiteral("写入失败") : error.databaseText();
}

// Whether the bytes can be a SQLite database: the magic and whole pages. SQLite is not even
// asked about anything else.
bool LooksLikeSqlite(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(100);
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    const quint16 raw = qFromBigEndian<quint16>(head.constData() + 16);
    const qint64 page = raw == 1 ? 65536 : raw;
    return page >= 512 && file.size() % page == 0;
}

// What the read-only connection finds in the file.
DiaryStore::State Verdict(QSqlDatabase& db, int& version) {
    using State = DiaryStore::State;
    if (!db.open())
        return State::Damaged;
    QSqlQuery query(db);
    if (!query.exec("PRAGMA user_version") || !query.next())
        return State::Damaged;
    version = query.value(0).toInt();
    if (version > DiarySchemaVersion)
        return State::Newer;
    if (version < 1 || !query.exec("SELECT name FROM sqlite_master WHERE type = 'table'"))
        return State::Damaged;
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    for (const QString& table : TablesOf(version)) {
        if (!tables.contains(table))
            return State::Damaged;
    }
    if (!query.exec("PRAGMA quick_check") || !query.next() || query.value(0).toString() != "ok")
        return State::Damaged;
    return State::Open;
}

QString DayText(QDate day) {
    return day.toString(Qt::ISODate);
}

QVariant Bound(std::optional<double> value) {
    return value ? QVariant(*value) : QVariant();
}

std::optional<double> Unbound(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

// An entry from the columns id, name, hot, quantity, grams, kcal starting at first.
FoodEntry EntryAt(const QSqlQuery& query, int first) {
    return {query.value(first).toLongLong(),
            query.value(first + 1).toString(),
            query.value(first + 2).toDouble(),
            Unbound(query.value(first + 3)),
            Unbound(query.value(first + 4)),
            query.value(first + 5).toDouble(),
            {},
            0};
}

void BindFood(QSqlQuery& query, const FoodEntry& food) {
    query.addBindValue(food.name);
    query.addBindValue(food.listedKcal);
    query.addBindValue(Bound(food.quantity));
    query.addBindValue(Bound(food.grams));
    query.addBindValue(food.kcal);
}

// A number field of the import: nothing when empty, NaN when not a number.
std::optional<double> NumberField(const QString& field) {
    if (field.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? value : qQNaN();
}

struct ImportRow {
    QString day;
    int meal = 0;
    FoodEntry entry;
};

// Why a row of the import is refused; empty when it is sound and row holds it.
QString RowProblem(const CsvRecord& record, ImportRow& row) {
    if (!record.closed)
        return QStringLiteral("引号没有配对");
    if (record.fields.size() != CsvHeader.size())
        return QStringLiteral("应有 %1 列，这一行有 %2 列")
            .arg(CsvHeader.size())
            .arg(record.fields.size());
    const QString day = record.fields[0].trimmed();
    if (day.size() != 10 || !QDate::fromString(day, Qt::ISODate).isValid())
        return QStringLiteral("日期“%1”无法识别").arg(day);
    const QString meal = record.fields[1].trimmed();
    if (!Meals.contains(meal))
        return QStringLiteral("餐次“%1”无法识别").arg(meal);
    const QString name = CsvText(record.fields[2]);
    if (name.trimmed().isEmpty())
        return QStringLiteral("没有食物名称");
    const QString gramsText = record.fields[3].trimmed();
    const std::optional<double> grams = NumberField(gramsText);
    if (grams && std::isnan(*grams))
        return QStringLiteral("重量“%1”不是数字").arg(gramsText);
    if (grams && !(*grams > 0 && *grams <= MaxGrams))
        return QStringLiteral("重量 %1 克不合理，应大于 0、不超过 %2").arg(gramsText).arg(MaxGrams);
    const QString kcalText = record.fields[4].trimmed();
    const std::optional<double> kcal = NumberField(kcalText);
    if (!kcal || std::isnan(*kcal))
        return QStringLiteral("热量“%1”不是数字").arg(kcalText);
    if (!(*kcal >= 0 && *kcal <= MaxKcal))
        return QStringLiteral("热量 %1 大卡不合理，应在 0 到 %2 之间").arg(kcalText).arg(MaxKcal);
    // Weighed again later in proportion to the weight it came with.
    row = {
        day, static_cast<int>(Meals.indexOf(meal)), {0, name, *kcal, grams, grams, *kcal, {}, 0}};
    return {};
}

} // namespace

double SavedMeal::Kcal() const {
    double sum = 0;
    for (const FoodEntry& food : foods)
        sum = Added(sum, food.kcal);
    return sum;
}

QString DiaryStore::DefaultPath() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data)) // as the XDG rules say: ignore a relative one
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/korvella/diary.sqlite");
}

DiaryStore::DiaryStore(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("korvella-diary-%1").arg(++connectionCount)) {}

DiaryStore::~DiaryStore() {
    CloseConnection(m_connection);
}

DiaryStore::State DiaryStore::Open() {
    if (m_state == State::Open)
        return m_state;
    m_problem.clear();
    if (!QFileInfo::exists(m_path))
        return m_state = State::Missing;
    int version = 0;
    const State state = Examine(version);
    if (state != State::Open)
        return m_state = state;
    return OpenWritable(version, {});
}

// Reads the file without changing it: its bytes, then SQLite through a read-only connection.
DiaryStore::State DiaryStore::Examine(int& version) {
    if (!QFileInfo(m_path).isReadable())
        return Unusable(QStringLiteral("没有读取的权限"), false);
    const bool walPending = QFileInfo::exists(m_path + QStringLiteral("-wal"));
    State state = State::Damaged;
    if (LooksLikeSqlite(m_path)) {
        const QString name = m_connection + QStringLiteral("-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            // Without a pending WAL the file holds everything; read as immutable, SQLite makes no
            // WAL or shared-memory file beside it.
            db.setDatabaseName(Uri(m_path, walPending ? "mode=ro" : "mode=ro&immutable=1"));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;") +
                                 BusyOption);
            state = Verdict(db, version);
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (state == State::Damaged)
        m_problem = QStringLiteral("日记文件“%1”已损坏或不是 Korvella 的日记。本次只在内存中记录，"
                                   "文件保持原样。")
                        .arg(Native(m_path));
    else if (state == State::Newer)
        m_problem = QStringLiteral("日记文件“%1”由更新版本的 Korvella 创建，本版本无法使用。"
                                   "本次只在内存中记录，文件保持原样。")
                        .arg(Native(m_path));
    return state;
}

// Opens the connection that writes, and brings an older (or new, empty) diary to this version.
DiaryStore::State DiaryStore::OpenWritable(int version, const QStringList& made) {
    if (!QFileInfo(m_path).isWritable())
        return Unusable(QStringLiteral("没有写入的权限"), false);
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(Uri(m_path, "mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;") + BusyOption);
        if (!db.open()) {
            why = ReasonFor(db.lastError());
        } else {
            QSqlQuery query(db);
            if (!query.exec("PRAGMA journal_mode = WAL") || !query.next() ||
                query.value(0).toString() != "wal" || !query.exec("PRAGMA synchronous = FULL") ||
                !query.exec("PRAGMA foreign_keys = ON"))
                why = ReasonFor(query.lastError());
        }
    }
    if (!why.isEmpty()) {
        CloseConnection(m_connection);
        return Unusable(why, version == 0);
    }
    m_state = State::Open;
    if (version == DiarySchemaVersion)
        return m_state;
    const bool upgraded = Write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!Run(query, "PRAGMA user_version") || !query.next())
            return false;
        // Another window may have brought it up to date meanwhile.
        for (int from = query.value(0).toInt(); from < DiarySchemaVersion; ++from) {
            for (const QString& sql : Steps[from]) {
                if (!Run(query, sql))
                    return false;
            }
        }
        if (!made.isEmpty()) {
            query.prepare("INSERT INTO settings(key, value) VALUES(?, ?)");
            query.addBindValue(MadeKey);
            query.addBindValue(QJsonDocument(QJsonArray::fromStringList(made)).toJson());
            if (!Run(query))
                return false;
        }
        return Run(query, QStringLiteral("PRAGMA user_version = %1").arg(DiarySchemaVersion));
    });
    if (upgraded)
        return m_state;
    CloseConnection(m_connection);
    return Unusable(m_writeReason, version == 0);
}

DiaryStore::State DiaryStore::Unusable(const QString& reason, bool made) {
    m_problem = made
                    ? QStringLiteral("无法建立日记文件“%1”：%2。本次只在内存中记录。")
                          .arg(Native(m_path), reason)
                    : QStringLiteral("无法使用日记文件“%1”：%2。本次只在内存中记录，文件保持原样。")
                          .arg(Native(m_path), reason);
    return m_state = State::Unusable;
}

DiaryStore::State DiaryStore::Create() {
    if (m_state == State::Open || QFileInfo::exists(m_path))
        return Open();
    m_problem.clear();
    // The folders from the data folder down, the deepest last.
    QStringList made;
    for (QString dir = QFileInfo(m_path).absolutePath(); !QFileInfo::exists(dir);
         dir = QFileInfo(dir).absolutePath())
        made.prepend(dir);
    if (!made.isEmpty() && !QDir().mkpath(made.last())) {
        RemoveFolders(made);
        return Unusable(QStringLiteral("无法建立文件夹“%1”").arg(Native(made.last())), true);
    }
    // Made here, not by SQLite, so that a file another window made meanwhile is only opened.
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo::exists(m_path))
            return Open();
        RemoveFolders(made);
        return Unusable(QStringLiteral("没有写入的权限"), true);
    }
    file.close();
    const State state = OpenWritable(0, made);
    if (state != State::Open) {
        QFile::remove(m_path);
        RemoveFiles(m_path);
        RemoveFolders(made);
    }
    return state;
}

bool DiaryStore::Delete() {
    if (m_state == State::Missing)
        return true;
    if (m_state != State::Open)
        return false; // a file it cannot read is never touched
    QStringList made;
    for (const QJsonValue& folder : QJsonDocument::fromJson(Setting(MadeKey).toUtf8()).array())
        made << folder.toString();
    CloseConnection(m_connection);
    m_state = State::Missing;
    if (!QFile::remove(m_path) && QFileInfo::exists(m_path)) {
        m_problem = QStringLiteral("无法删除日记文件“%1”。").arg(Native(m_path));
        return false;
    }
    RemoveFiles(m_path);
    RemoveFolders(made);
    return true;
}

QSqlDatabase DiaryStore::Database() const {
    return QSqlDatabase::database(m_connection, false);
}

bool DiaryStore::Run(QSqlQuery& query, const QString& sql) {
    if (sql.isEmpty() ? query.exec() : query.exec(sql))
        return true;
    m_writeReason = ReasonFor(query.lastError());
    return false;
}

bool DiaryStore::Failed(const QString& reason) {
    m_problem =
        QStringLiteral("无法保存到日记“%1”：%2。这次更改已撤回。").arg(Native(m_path), reason);
    return false;
}

bool DiaryStore::Write(const std::function<bool(QSqlDatabase& db)>& work) {
    if (!IsOpen())
        return Failed(QStringLiteral("日记没有打开"));
    QSqlDatabase db = Database();
    m_writeReason = QStringLiteral("写入失败");
    {
        QSqlQuery query(db);
        if (!Run(query, "BEGIN IMMEDIATE"))
            return Failed(m_writeReason);
        if (work(db) && Run(query, "COMMIT")) {
            m_problem.clear();
            return true;
        }
        query.exec("ROLLBACK");
    }
    return Failed(m_writeReason);
}

QString DiaryStore::Setting(const QString& key) const {
    if (!IsOpen())
        return {};
    QSqlQuery query(Database());
    query.prepare("SELECT value FROM settings WHERE key = ?");
    query.addBindValue(key);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

bool DiaryStore::SetSetting(const QString& key, const QString& value) {
    return Write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (value.isEmpty()) {
            query.prepare("DELETE FROM settings WHERE key = ?");
            query.addBindValue(key);
        } else {
            query.prepare("INSERT OR REPLACE INTO settings(key, value) VALUES(?, ?)");
            query.addBindValue(key);
            query.addBindValue(value);
        }
        return Run(query);
    });
}

bool DiaryStore::DiaryOn() const {
    return Setting(DiaryKey) == QStringLiteral("1");
}

bool DiaryStore::SetDiaryOn(bool on) {
    return SetSetting(DiaryKey, on ? QStringLiteral("1") : QString());
}

DayMeals DiaryStore::Day(QDate day) const {
    DayMeals meals;
    if (!IsOpen())
        return meals;
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    query.prepare("SELECT meal, id, name, hot, quantity, grams, kcal FROM entries WHERE day = ? "
                  "ORDER BY meal, id");
    query.addBindValue(DayText(day));
    if (!query.exec())
        return meals;
    while (query.next()) {
        const int meal = query.value(0).toInt();
        if (meal >= 0 && meal < MealCount)
            meals[meal] << EntryAt(query, 1);
    }
    return meals;
}

QList<QDate> DiaryStore::DaysWithEntries() const {
    QList<QDate> days;
    if (!IsOpen())
        return days;
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    if (!query.exec("SELECT DISTINCT day FROM entries ORDER BY day"))
        return days;
    while (query.next())
        days << QDate::fromString(query.value(0).toString(), Qt::ISODate);
    return days;
}

std::optional<QDate> DiaryStore::PreviousDayWith(QDate before, int meal) const {
    if (!IsOpen())
        return std::nullopt;
    QSqlQuery query(Database());
    query.prepare("SELECT day FROM entries WHERE day < ? AND meal = ? ORDER BY day DESC LIMIT 1");
    query.addBindValue(DayText(before));
    query.addBindValue(meal);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return QDate::fromString(query.value(0).toString(), Qt::ISODate);
}

bool DiaryStore::Apply(QDate day, Change& change) {
    QList<qint64> ids;
    for (const Edit& edit : change)
        ids << edit.after.id;
    const bool kept = Write([&](QSqlDatabase& db) {
        QSqlQuery insert(db), remove(db), update(db);
        insert.prepare("INSERT INTO entries(id, day, meal, name, hot, quantity, grams, kcal) "
                       "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        remove.prepare("DELETE FROM entries WHERE id = ? AND day = ?");
        update.prepare("UPDATE entries SET meal = ?, name = ?, hot = ?, quantity = ?, grams = ?, "
                       "kcal = ? WHERE id = ? AND day = ?");
        for (Edit& edit : change) {
            switch (edit.kind) {
            case Edit::Insert:
                // An entry that had an id (a removal undone) comes back in its old place.
                insert.addBindValue(edit.after.id != 0 ? QVariant(edit.after.id) : QVariant());
                insert.addBindValue(DayText(day));
                insert.addBindValue(edit.meal);
                BindFood(insert, edit.after);
                if (!Run(insert))
                    return false;
                edit.after.id = insert.lastInsertId().toLongLong();
                break;
            case Edit::Remove:
                remove.addBindValue(edit.before.id);
                remove.addBindValue(DayText(day));
                if (!Run(remove))
                    return false;
                break;
            case Edit::Update:
                update.addBindValue(edit.meal);
                BindFood(update, edit.after);
                update.addBindValue(edit.before.id);
                update.addBindValue(DayText(day));
                if (!Run(update))
                    return false;
                if (update.numRowsAffected() != 1) {
                    m_writeReason = QStringLiteral("日记中没有这一项");
                    return false;
                }
                edit.after.id = edit.before.id;
                break;
            }
        }
        return true;
    });
    if (!kept) {
        for (qsizetype i = 0; i < change.size(); ++i)
            change[i].after.id = ids[i];
    }
    return kept;
}

QList<SavedMeal> DiaryStore::SavedMeals() const {
    QList<SavedMeal> meals;
    if (!IsOpen())
        return meals;
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    if (!query.exec("SELECT m.id, m.name, f.pos, 0, f.name, f.hot, f.quantity, f.grams, f.kcal "
                    "FROM saved_meals m LEFT JOIN saved_meal_foods f ON f.meal_id = m.id "
                    "ORDER BY m.id, f.pos"))
        return meals;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (meals.isEmpty() || meals.last().id != id)
            meals.append({id, query.value(1).toString(), {}});
        if (!query.value(2).isNull()) // a meal saved without foods
            meals.last().foods << EntryAt(query, 3);
    }
    return meals;
}

std::optional<SavedMeal> DiaryStore::SavedMealNamed(const QString& name) const {
    for (const SavedMeal& meal : SavedMeals()) {
        if (meal.name == name)
            return meal;
    }
    return std::nullopt;
}

bool DiaryStore::SaveMeal(const QString& name, const QList<FoodEntry>& foods) {
    if (name.trimmed().isEmpty())
        return Failed(QStringLiteral("没有名字"));
    return Write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("SELECT id FROM saved_meals WHERE name = ?");
        query.addBindValue(name);
        if (!Run(query))
            return false;
        qint64 id = 0;
        if (query.next()) {
            // Kept under its id, so it keeps its place among the saved meals.
            id = query.value(0).toLongLong();
            query.prepare("DELETE FROM saved_meal_foods WHERE meal_id = ?");
            query.addBindValue(id);
            if (!Run(query))
                return false;
        } else {
            query.prepare("INSERT INTO saved_meals(name) VALUES(?)");
            query.addBindValue(name);
            if (!Run(query))
                return false;
            id = query.lastInsertId().toLongLong();
        }
        query.prepare("INSERT INTO saved_meal_foods(meal_id, pos, name, hot, quantity, grams, "
                      "kcal) VALUES(?, ?, ?, ?, ?, ?, ?)");
        for (qsizetype pos = 0; pos < foods.size(); ++pos) {
            query.addBindValue(id);
            query.addBindValue(pos);
            BindFood(query, foods[pos]);
            if (!Run(query))
                return false;
        }
        return true;
    });
}

bool DiaryStore::RenameMeal(qint64 id, const QString& name) {
    if (name.trimmed().isEmpty())
        return Failed(QStringLiteral("没有名字"));
    const std::optional<SavedMeal> taken = SavedMealNamed(name);
    if (taken && taken->id != id) {
        m_problem = QStringLiteral("已有名为“%1”的餐，请换一个名字。").arg(name);
        return false;
    }
    return Write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("UPDATE saved_meals SET name = ? WHERE id = ?");
        query.addBindValue(name);
        query.addBindValue(id);
        return Run(query);
    });
}

bool DiaryStore::DeleteMeal(qint64 id) {
    return Write([&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("DELETE FROM saved_meals WHERE id = ?");
        query.addBindValue(id);
        return Run(query);
    });
}

QByteArray DiaryStore::ExportCsv() const {
    QString text = CsvHeader.join(u',') + QStringLiteral("\r\n");
    if (IsOpen()) {
        QSqlQuery query(Database());
        query.setForwardOnly(true);
        query.exec("SELECT day, meal, name, grams, kcal FROM entries ORDER BY day, meal, id");
        while (query.next()) {
            const std::optional<double> grams = Unbound(query.value(3));
            text += query.value(0).toString() + u',' + Meals.value(query.value(1).toInt()) + u',' +
                    CsvField(query.value(2).toString()) + u',' +
                    (grams ? FormatNumber(*grams) : QString()) + u',' +
                    FormatNumber(query.value(4).toDouble()) + QStringLiteral("\r\n");
        }
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

ImportReport DiaryStore::ImportCsv(const QByteArray& csv) {
    ImportReport report;
    const auto failed = [&report](const QString& why) {
        report = {};
        report.failed = true;
        report.failure = why;
        return report;
    };
    if (!IsOpen())
        return failed(m_problem.isEmpty() ? QStringLiteral("日记没有打开。") : m_problem);
    QStringDecoder decoder(QStringDecoder::Utf8); // the byte-order mark is left out
    const QString text = decoder(csv);
    if (decoder.hasError())
        return failed(QStringLiteral("文件不是 UTF-8 编码的文字，无法读取。"));
    const QList<CsvRecord> records = CsvRecords(text);
    QStringList header;
    if (!records.isEmpty()) {
        for (const QString& field : records.first().fields)
            header << field.trimmed();
    }
    if (header != CsvHeader)
        return failed(
            QStringLiteral("表头不是日记的表头，第一行应是“%1”。").arg(CsvHeader.join(u',')));

    QSet<QString> had;
    for (const QDate& day : DaysWithEntries())
        had.insert(DayText(day));
    QSet<QString> skipped, added;
    QList<ImportRow> rows;
    rows.reserve(records.size());
    for (qsizetype i = 1; i < records.size(); ++i) {
        ImportRow row;
        const QString why = RowProblem(records[i], row);
        if (!why.isEmpty()) {
            if (report.reasons.size() < KeptReasons)
                report.reasons << QStringLiteral("第 %1 行：%2").arg(records[i].line).arg(why);
            ++report.refused;
        } else if (had.contains(row.day)) {
            skipped.insert(row.day);
        } else {
            added.insert(row.day);
            rows << row;
        }
    }
    report.daysSkipped = skipped.size();
    if (rows.isEmpty())
        return report;
    const bool kept = Write([&](QSqlDatabase& db) {
        QSqlQuery insert(db);
        insert.prepare("INSERT INTO entries(day, meal, name, hot, quantity, grams, kcal) "
                       "VALUES(?, ?, ?, ?, ?, ?, ?)");
        for (const ImportRow& row : rows) {
            insert.addBindValue(row.day);
            insert.addBindValue(row.meal);
            BindFood(insert, row.entry);
            if (!Run(insert))
                return false;
        }
        return true;
    });
    if (!kept)
        return failed(m_problem);
    report.daysAdded = added.size();
    report.entriesAdded = rows.size();
    return report;
}

} // namespace 方法_卡路里计算器
