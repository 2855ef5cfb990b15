#pragma once
// The user's own data in one SQLite file, $XDG_DATA_HOME/korvella/diary.sqlite: the diary's days,
// the saved meals and the weighings. It is never made unless the user asks for something to be
// kept, and a file it cannot read or of a newer schema is reported and never changed.
//
// Every user change is one small write transaction (BEGIN IMMEDIATE … COMMIT) over the rows it
// touches, committed before the window shows it; a day is never rewritten as a whole. WAL with
// synchronous=FULL keeps every committed change through a crash. While another program holds the
// write lock a change waits up to five seconds, trying again and again, and the owner's waiting
// hook runs between the tries so that a window keeps painting.
//
// A new file is built whole under a temporary name and then given the diary's name, so a crash
// never leaves half a diary there. Deleting takes the write lock first; every write checks, under
// that lock, that the name still names the file it opened, so a store whose file another window
// deleted fails its change instead of writing into a file nobody will read again.
//
// Schema versions live in PRAGMA user_version: 1 held the diary, saved meals and settings; 2 added
// the weighings. Each upgrade runs in one transaction.

#include "calorie/core/day_model.h"
#include "diary/diary_contents.h"
#include "diary/diary_file.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace 方法_卡路里计算器 {

inline constexpr int DiarySchemaVersion = 2;

// What an import did: added days and entries, days skipped because the diary has them, refused
// rows with the first few reasons ("第 3 行：日期无法识别"). failed: nothing was kept at all.
struct ImportReport {
    int daysAdded = 0;
    int entriesAdded = 0;
    int daysSkipped = 0;
    int refused = 0;
    QStringList reasons;
    bool failed = false;
    QString failure; // why, when failed
};

class DiaryStore {
  public:
    enum class State {
        Missing,  // no file yet
        Open,     // read and writable
        Damaged,  // not SQLite, truncated, or not ours: never touched
        Newer,    // made by a newer Korvella: never touched
        Unusable, // cannot be opened (no permission, …)
    };

    // $XDG_DATA_HOME/korvella/diary.sqlite, ~/.local/share/… without it.
    static QString DefaultPath();

    explicit DiaryStore(QString path = DefaultPath());
    ~DiaryStore();
    DiaryStore(const DiaryStore&) = delete;
    DiaryStore& operator=(const DiaryStore&) = delete;

    QString Path() const { return m_path; }
    // Opens the file if there is one; never makes it.
    State Open();
    // Opens, making the file (and the folders it needs, remembered for Delete) when missing.
    State Create();
    State Status() const { return m_state; }
    bool IsOpen() const { return m_state == State::Open; }
    // One message for the user naming the file, when the state is not Open or Missing, or after
    // a failed write: "日记文件“…”已损坏…".
    QString Problem() const { return m_problem; }

    // Whether every change of the calorie window is kept.
    bool DiaryOn() const;
    bool SetDiaryOn(bool on);

    DayMeals Day(QDate day) const;
    QList<QDate> DaysWithEntries() const;
    // The latest day before `before` with foods in that meal.
    std::optional<QDate> PreviousDayWith(QDate before, int meal) const;
    // Keeps a change to the day in one transaction and gives inserted entries their ids; false
    // (and Problem) when it could not be kept, with nothing of it written.
    bool Apply(QDate day, Change& change);

    QList<SavedMeal> SavedMeals() const;
    std::optional<SavedMeal> SavedMealNamed(const QString& name) const;
    // Keeps the foods under the name, replacing a saved meal of that name.
    bool SaveMeal(const QString& name, const QList<FoodEntry>& foods);
    bool RenameMeal(qint64 id, const QString& name);
    bool DeleteMeal(qint64 id);

    // UTF-8 with a byte-order mark, CR LF: 日期,餐次,食物,重量（克）,热量（大卡）, a row per entry.
    QByteArray ExportCsv() const;
    // Adds the days of such a CSV the diary does not have, in one transaction.
    ImportReport ImportCsv(const QByteArray& csv);

    // Removes the file, its WAL and shared-memory files and the folders Create made, holding the
    // write lock meanwhile.
    bool Delete();

    // Called between tries while another program holds the write lock, for at most five seconds;
    // false gives up at once. Without one the store only waits.
    void SetWaiting(std::function<bool()> waiting) { m_waiting = std::move(waiting); }
    // A write is under way: waiting for the lock, or running.
    bool Writing() const { return m_writing; }

    // For the other tables (the weighings): the connection, and one write transaction that is
    // committed when work returns true and rolled back otherwise.
    QSqlDatabase Database() const;
    bool Write(const std::function<bool(QSqlDatabase& db)>& work);
    // Runs a prepared query (or sql) inside Write; a failure's reason becomes Write's Problem.
    bool Run(QSqlQuery& query, const QString& sql = {});
    QString Setting(const QString& key) const;
    bool SetSetting(const QString& key, const QString& value); // an empty value removes it

  private:
    State Examine(int& version);
    State OpenWritable(int version);
    State Unusable(const QString& reason, bool made);
    bool Failed(const QString& reason);
    bool Lock(QSqlQuery& query);
    bool SameFile() const;

    QString m_path;
    QString m_connection;
    State m_state = State::Missing;
    QString m_problem;
    QString m_writeReason;                    // why the running Write fails
    std::optional<diary_file::FileId> m_file; // the file the connection opened
    std::function<bool()> m_waiting;
    bool m_writing = false;
};

} // namespace 方法_卡路里计算器
