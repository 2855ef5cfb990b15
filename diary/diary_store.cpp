#include "diary/diary_store.h"

#include "diary/diary_file.h"
#include "diary/room.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSqlError>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <atomic>

namespace 方法_卡路里计算器 {

namespace {

const QString MadeKey = QStringLiteral("made_folders");
// Reading waits for a lock inside SQLite; taking the write lock only a moment a try, with the
// waiting hook between the tries, LockWaitMs in all.
constexpr int ReadWaitMs = 5000;
constexpr int TryMs = 20;
constexpr int LockWaitMs = 5000;
const QString BusyOption = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ReadWaitMs);

// SQLite's primary result codes that tell the user something.
constexpr int SqlitePerm = 3, SqliteBusy = 5, SqliteLocked = 6, SqliteReadOnly = 8, SqliteFull = 13,
              SqliteCantOpen = 14;

// The three nutrient columns a table gains, checked together on the last.
QStringList NutrientColumns(const QString& table) {
    const QString add = "ALTER TABLE " + table + " ADD COLUMN ";
    return {add + "protein REAL", add + "fat REAL",
            add + "carbohydrate REAL CHECK(" + NutrientRule() + ")"};
}

// Steps[v] brings a diary of version v to v + 1; a new diary runs them all. A new table checks
// its rows; the tables made before the checks are checked on reading.
const std::array<QStringList, DiarySchemaVersion> Steps{{
    {
        "CREATE TABLE entries(id INTEGER PRIMARY KEY AUTOINCREMENT, day TEXT NOT NULL, "
        "meal INTEGER NOT NULL CHECK(meal BETWEEN 0 AND 5), name TEXT NOT NULL, hot REAL NOT NULL, "
        "quantity REAL, grams REAL, kcal REAL NOT NULL, CHECK(" +
            EntryRule() + "))",
        "CREATE INDEX entries_by_day ON entries(day, meal, id)",
        "CREATE TABLE saved_meals(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE "
        "CHECK(typeof(name) = 'text'))",
        "CREATE TABLE saved_meal_foods(meal_id INTEGER NOT NULL REFERENCES saved_meals(id) "
        "ON DELETE CASCADE, pos INTEGER NOT NULL, name TEXT NOT NULL, hot REAL NOT NULL, "
        "quantity REAL, grams REAL, kcal REAL NOT NULL, PRIMARY KEY(meal_id, pos), CHECK(" +
            FoodRule() + "))",
        "CREATE TABLE settings(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    },
    {
        "CREATE TABLE weighings(day TEXT PRIMARY KEY, kg REAL NOT NULL, CHECK(" + WeighingRule() +
            "))",
    },
    {
        "CREATE TABLE own_foods(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE "
        "CHECK(typeof(name) = 'text' AND length(name) BETWEEN 1 AND 30), alias TEXT NOT NULL "
        "DEFAULT '', kcal INTEGER NOT NULL CHECK(kcal BETWEEN 1 AND 900), dish INTEGER NOT NULL "
        "DEFAULT 0, serving_grams REAL CHECK(serving_grams BETWEEN 1 AND 5000), cooked_grams REAL "
        "CHECK(cooked_grams > 0), servings INTEGER CHECK(servings BETWEEN 1 AND 100))",
        "CREATE TABLE dish_ingredients(dish_id INTEGER NOT NULL REFERENCES own_foods(id) "
        "ON DELETE CASCADE, pos INTEGER NOT NULL, name TEXT NOT NULL, kcal REAL NOT NULL "
        "CHECK(kcal BETWEEN 0 AND 900), grams REAL NOT NULL CHECK(grams BETWEEN 1 AND 5000), "
        "PRIMARY KEY(dish_id, pos))",
        "CREATE TABLE portions(food TEXT NOT NULL, name TEXT NOT NULL, grams REAL NOT NULL "
        "CHECK(grams BETWEEN 1 AND 5000), PRIMARY KEY(food, name))",
        // A food placed by a named portion: "2碗".
        "ALTER TABLE entries ADD COLUMN portion TEXT",
        "ALTER TABLE entries ADD COLUMN portion_count REAL",
        "ALTER TABLE saved_meal_foods ADD COLUMN portion TEXT",
        "ALTER TABLE saved_meal_foods ADD COLUMN portion_count REAL",
    },
    // A food's nutrients per 100 g, kept with it; the rows from before have none.
    NutrientColumns("entries") + NutrientColumns("saved_meal_foods"),
    // The same for an own food, typed with its label, and for a dish's ingredient as it went in.
    NutrientColumns("own_foods") + NutrientColumns("dish_ingredients"),
}};

// The tables a diary of that version has.
QStringList TablesOf(int version) {
    QStringList tables{"entries", "saved_meals", "saved_meal_foods", "settings"};
    if (version >= 2)
        tables << "weighings";
    if (version >= 3)
        tables << "own_foods"
               << "dish_ingredients"
               << "portions";
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

// Builds a whole diary in the empty file at path: the schema, the folders made for it and WAL mode,
// closed so that all of it is in the file itself. Empty, or why it could not.
QString BuildDiary(const QString& path, const QStringList& made) {
    QString why;
    const QString name = QStringLiteral("korvella-diary-new-%1").arg(++connectionCount);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Uri(path, "mode=rw"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open())
            why = ReasonFor(db.lastError());
        QSqlQuery query(db);
        const auto run = [&](const QString& sql) {
            if (why.isEmpty() && !(sql.isEmpty() ? query.exec() : query.exec(sql)))
                why = ReasonFor(query.lastError());
        };
        run(QStringLiteral("PRAGMA synchronous = FULL"));
        run(QStringLiteral("BEGIN IMMEDIATE"));
        for (const QStringList& step : Steps) {
            for (const QString& sql : step)
                run(sql);
        }
        if (why.isEmpty() && !made.isEmpty()) {
            query.prepare("INSERT INTO settings(key, value) VALUES(?, ?)");
            query.addBindValue(MadeKey);
            query.addBindValue(QJsonDocument(QJsonArray::fromStringList(made)).toJson());
            run({});
        }
        run(QStringLiteral("PRAGMA user_version = %1").arg(DiarySchemaVersion));
        run(QStringLiteral("COMMIT"));
        run(QStringLiteral("PRAGMA journal_mode = WAL"));
    }
    QSqlDatabase::removeDatabase(name);
    // A WAL left beside it would hold what the file lacks.
    if (why.isEmpty() && QFileInfo(path + QStringLiteral("-wal")).size() > 0)
        why = QStringLiteral("写入失败");
    return why;
}

} // namespace

qint64 DiaryStore::DataVersion() const {
    QSqlQuery query(Database());
    return IsOpen() && query.exec("PRAGMA data_version") && query.next()
               ? query.value(0).toLongLong()
               : 0;
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
    return OpenWritable(version);
}

// Reads the file without changing it: its bytes, then SQLite through a read-only connection.
DiaryStore::State DiaryStore::Examine(int& version) {
    if (!QFileInfo(m_path).isReadable())
        return Unusable(QStringLiteral("没有读取的权限"), false);
    const QString wal = m_path + QStringLiteral("-wal");
    const bool walPending = QFileInfo::exists(wal);
    // With a pending WAL SQLite makes the shared-memory file beside it unless another program
    // already has: a copy is read instead, the WAL with it.
    QTemporaryDir copy;
    QString examined = m_path;
    if (walPending && !QFileInfo::exists(m_path + QStringLiteral("-shm"))) {
        examined = copy.filePath(QStringLiteral("diary.sqlite"));
        if (!copy.isValid() || !QFile::copy(m_path, examined) ||
            !QFile::copy(wal, examined + QStringLiteral("-wal")))
            return Unusable(QStringLiteral("无法在临时文件夹中检查它"), false);
    }
    State state = State::Damaged;
    if (LooksLikeSqlite(examined)) {
        const QString name = m_connection + QStringLiteral("-check");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            // Without a pending WAL the file holds everything; read as immutable, SQLite makes no
            // WAL or shared-memory file beside it.
            db.setDatabaseName(Uri(examined, walPending ? "mode=ro" : "mode=ro&immutable=1"));
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

// Opens the connection that writes, and brings an older diary to this version; 0 is a new one,
// built whole by Create.
DiaryStore::State DiaryStore::OpenWritable(int version) {
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
            m_file = diary_file::IdOf(m_path);
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
    diary_file::RemoveLeftovers(m_path);
    if (version == 0 || version == DiarySchemaVersion)
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
    diary_file::RemoveLeftovers(m_path);
    const QString temporary = diary_file::MakeTemporary(m_path);
    QString why =
        temporary.isEmpty() ? QStringLiteral("没有写入的权限") : BuildDiary(temporary, made);
    const diary_file::Placed placed =
        why.isEmpty() ? diary_file::Place(temporary, m_path) : diary_file::Placed::Failed;
    if (!temporary.isEmpty())
        diary_file::RemoveWithSideFiles(temporary);
    if (placed == diary_file::Placed::Taken) // made by another window meanwhile
        return Open();
    if (placed == diary_file::Placed::Failed) {
        RemoveFolders(made);
        return Unusable(why.isEmpty() ? QStringLiteral("没有写入的权限") : why, true);
    }
    const State state = OpenWritable(0);
    if (state != State::Open) {
        diary_file::RemoveWithSideFiles(m_path);
        RemoveFolders(made);
    }
    return state;
}

bool DiaryStore::Delete() {
    if (m_state == State::Missing && Open() == State::Missing)
        return true; // no file, or one another window has just deleted
    if (m_state != State::Open)
        return false; // a file it cannot read is never touched
    if (m_writing) {
        m_problem =
            QStringLiteral("无法删除日记文件“%1”：上一个更改还没有保存完。").arg(Native(m_path));
        return false;
    }
    QStringList made;
    for (const QJsonValue& folder :
         QJsonDocument::fromJson(SettingIn(*this, MadeKey).toUtf8()).array())
        made << folder.toString();
    bool gone = false;
    {
        m_writing = true;
        const auto done = qScopeGuard([this] { m_writing = false; });
        QSqlQuery query(Database());
        // Under the write lock: a store with the file open finds it gone at its next write.
        if (!Lock(query)) {
            m_problem =
                QStringLiteral("无法删除日记文件“%1”：%2。").arg(Native(m_path), m_writeReason);
            return false;
        }
        if (SameFile()) {
            for (const char* suffix : {"-wal", "-shm", "-journal"})
                QFile::remove(m_path + QLatin1String(suffix));
            gone = QFile::remove(m_path) || !QFileInfo::exists(m_path);
        } else {
            gone = true; // another window deleted it; what has the name now is not ours
        }
        query.exec(QStringLiteral("ROLLBACK"));
    }
    CloseConnection(m_connection);
    m_state = State::Missing;
    if (!gone) {
        m_problem = QStringLiteral("无法删除日记文件“%1”。").arg(Native(m_path));
        return false;
    }
    diary_file::RemoveLeftovers(m_path);
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
    if (m_writing) // begun while the first one waited
        return Failed(QStringLiteral("上一个更改还没有保存完"));
    m_writing = true;
    const auto done = qScopeGuard([this] { m_writing = false; });
    m_writeReason = QStringLiteral("写入失败");
    bool deleted = false;
    {
        QSqlDatabase db = Database();
        QSqlQuery query(db);
        if (!Lock(query))
            return Failed(m_writeReason);
        deleted = !SameFile();
        if (!deleted && work(db) && Run(query, "COMMIT")) {
            m_problem.clear();
            return true;
        }
        query.exec("ROLLBACK");
    }
    if (!deleted)
        return Failed(m_writeReason);
    CloseConnection(m_connection);
    m_state = State::Missing;
    m_problem =
        QStringLiteral("日记文件“%1”已被另一个窗口删除，这次更改已撤回。").arg(Native(m_path));
    return false;
}

// BEGIN IMMEDIATE, tried again while another program holds the lock, the waiting hook between
// the tries.
bool DiaryStore::Lock(QSqlQuery& query) {
    QSqlQuery pace(Database());
    pace.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(TryMs));
    const auto restore = qScopeGuard(
        [&pace] { pace.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(ReadWaitMs)); });
    const QDeadlineTimer deadline(LockWaitMs);
    while (!Run(query, "BEGIN IMMEDIATE")) {
        const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
        if ((code != SqliteBusy && code != SqliteLocked) || deadline.hasExpired())
            return false;
        if (m_waiting && !m_waiting())
            return false;
    }
    return true;
}

bool DiaryStore::SameFile() const {
    return m_file && diary_file::IdOf(m_path) == m_file;
}

void DiaryStore::WaitWithEventsRunning() {
    SetWaiting([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    });
}

} // namespace 方法_卡路里计算器
