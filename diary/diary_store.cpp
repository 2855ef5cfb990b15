#include "diary/diary_store.h"

#include "diary/room.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QUrl>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <atomic>

namespace 方法_卡路里计算器 {

namespace {

const QString MadeKey = QStringLiteral("made_folders");
const QString BusyOption = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");

// SQLite's primary result codes that tell the user something.
constexpr int SqlitePerm = 3, SqliteBusy = 5, SqliteLocked = 6, SqliteReadOnly = 8, SqliteFull = 13,
              SqliteCantOpen = 14;

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
    {},
    // A food's nutrients per 100 g, kept with it; the rows from before have none.
    {
        "ALTER TABLE entries ADD COLUMN protein REAL",
        "ALTER TABLE entries ADD COLUMN fat REAL",
        "ALTER TABLE entries ADD COLUMN carbohydrate REAL CHECK(" + NutrientRule() + ")",
        "ALTER TABLE saved_meal_foods ADD COLUMN protein REAL",
        "ALTER TABLE saved_meal_foods ADD COLUMN fat REAL",
        "ALTER TABLE saved_meal_foods ADD COLUMN carbohydrate REAL CHECK(" + NutrientRule() + ")",
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

} // namespace

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
    return SettingIn(*this, key);
}

} // namespace 方法_卡路里计算器
