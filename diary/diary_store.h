#pragma once
// The diary's room: the user's own data in one SQLite file, $XDG_DATA_HOME/korvella/diary.sqlite,
// and the only place that speaks SQL. The store holds the file's life (opened, made only when the
// user asks for something to be kept, deleted) and the schema; each table has a typed home
// reached from it: Days() the entries, SavedMeals(), Weighings() with the goal, Settings(). They
// share the store's connection and its write transaction through Room (room.h, private here).
//
// Every user change is one write transaction (BEGIN IMMEDIATE … COMMIT) over the rows it touches,
// committed before the window shows it; a day is never rewritten as a whole. WAL with
// synchronous=FULL keeps every committed change through a crash. A file it cannot read or of a
// newer schema is reported and never changed; a row that breaks the rules a typed value meets is
// left out, counted (UnreadableRows) and never changed either. While another program holds the
// write lock a change waits up to five seconds, trying again and again, and the owner's waiting
// hook runs between the tries so that a window keeps painting.
//
// A new file is built whole under a temporary name and then given the diary's name, so a crash
// never leaves half a diary there. Deleting takes the write lock first; every write checks, under
// that lock, that the name still names the file it opened, so a store whose file another window
// deleted fails its change instead of writing into a file nobody will read again.
//
// Schema versions live in PRAGMA user_version, one numbered step each, each upgrade in one
// transaction: 1 held the diary, saved meals and settings; 2 added the weighings; 3 the user's
// own foods, dishes and portions, and the portion an entry was placed by.

#include "calorie/core/day_model.h"
#include "diary/days.h"
#include "diary/diary_contents.h"
#include "diary/diary_file.h"
#include "diary/own_foods.h"
#include "diary/saved_meals.h"
#include "diary/settings.h"
#include "diary/weighings.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QSqlDatabase;
class QSqlQuery;

namespace 方法_卡路里计算器 {

inline constexpr int DiarySchemaVersion = 5;

// What an import did: what it added, what it skipped because the diary has it, and what it
// refused as unsound (a day whole, a saved meal, a weighing, the goal; for a CSV its rows, with
// the first few reasons: "第 3 行：日期无法识别"). failed: nothing was kept at all.
struct ImportReport {
    int daysAdded = 0, entriesAdded = 0, daysSkipped = 0, savedMealsAdded = 0,
        savedMealsSkipped = 0, weighingsAdded = 0, weighingsSkipped = 0;
    int refused = 0;
    QStringList reasons;
    bool failed = false;
    QString failure; // why, when failed
};

// The message an import of the file shown as `file` ends with.
QString ImportMessage(const QString& file, const ImportReport& report);

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
    // Removes the file, its WAL and shared-memory files and the folders Create made, holding the
    // write lock meanwhile.
    bool Delete();

    // Called between tries while another program holds the write lock, for at most five seconds;
    // false gives up at once. Without one the store only waits.
    void SetWaiting(std::function<bool()> waiting) { m_waiting = std::move(waiting); }
    // A write is under way: waiting for the lock, or running.
    bool Writing() const { return m_writing; }
    // What a window waits with: it keeps painting and running its timers; input waits, so that
    // no second change starts inside the first.
    void WaitWithEventsRunning();

    DiaryDays& Days() { return m_days; }
    const DiaryDays& Days() const { return m_days; }
    DiarySavedMeals& SavedMeals() { return m_savedMeals; }
    const DiarySavedMeals& SavedMeals() const { return m_savedMeals; }
    DiaryWeighings& Weighings() { return m_weighings; }
    const DiaryWeighings& Weighings() const { return m_weighings; }
    DiarySettings& Settings() { return m_settings; }
    DiaryOwnFoods& OwnFoods() { return m_ownFoods; }
    const DiaryOwnFoods& OwnFoods() const { return m_ownFoods; }
    // Changes when another program has committed to the file since this one last looked.
    qint64 DataVersion() const;
    const DiarySettings& Settings() const { return m_settings; }

    // The rows the readers leave out because they break the rules; and the one message saying
    // so, empty when there are none: "日记中有 2 条记录无法读取，已略过".
    int UnreadableRows() const;
    QString UnreadableNotice() const;

    // Everything, in the orders DiaryContents states.
    DiaryContents Contents() const;
    // In one transaction: each day the diary has no entries for, whole; the saved meals whose
    // name it does not have; weighings for days it has none; the goal when none is set.
    ImportReport Import(const DiaryContents& contents);

    // The whole diary as DiaryCsv writes it, and such a file (or an older one with the entries
    // alone) read back through Import; refused rows are counted with their reasons.
    QByteArray ExportCsv() const;
    ImportReport ImportCsv(const QByteArray& csv);

  private:
    friend struct Room;

    State Examine(int& version);
    State OpenWritable(int version);
    State Unusable(const QString& reason, bool made);
    bool Failed(const QString& reason);
    bool Lock(QSqlQuery& query);
    bool SameFile() const;

    QSqlDatabase Database() const;
    bool Write(const std::function<bool(QSqlDatabase& db)>& work);
    bool Run(QSqlQuery& query, const QString& sql = {});

    QString m_path;
    QString m_connection;
    State m_state = State::Missing;
    QString m_problem;
    QString m_writeReason;                    // why the running Write fails
    std::optional<diary_file::FileId> m_file; // the file the connection opened
    std::function<bool()> m_waiting;
    bool m_writing = false;
    DiaryDays m_days{*this};
    DiarySavedMeals m_savedMeals{*this};
    DiaryWeighings m_weighings{*this};
    DiarySettings m_settings{*this};
    DiaryOwnFoods m_ownFoods{*this};
};

} // namespace 方法_卡路里计算器
