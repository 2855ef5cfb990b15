#pragma once
// The parts of reading the food database, split where a process boundary sits between them:
// the program checks the file's structure, the reader process (korvella-food-reader, beside the
// program) runs the libmdb read and sends the rows over a pipe, and the program decodes and
// validates what arrives. The reader is a program of its own, started with posix_spawn, so that it
// begins with no thread and no lock of ours; the program never waits for it: the rows are taken
// in by the event loop as they come.

#include "calorie/core/food_rows.h"
#include "calorie/core/food_table.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <vector>

class ProcessHandle;
class QSocketNotifier;
class QTimer;

namespace food_reader {

static_assert(MaxRows == FoodSlots::Last);

// Only for a reader that hangs without using the processor (one that loops meets its processor
// limit first). Nobody waits for it, so it can be generous: a busy machine may leave a sound
// reader waiting for many seconds.
inline constexpr std::chrono::seconds ReadDeadline{30};

// The reader program beside the executable.
QString ReaderProgram();

// Rejects what cannot be a Jet 4 database with a readable catalog, reading only a few pages:
// the size, the header, and the catalog's table definition and usage map.
bool PassesStructuralChecks(const QString& path);

// The rows that arrived whole and valid (bounded lengths, valid UTF-8), in order, at most MaxRows;
// decoding stops at the first flaw.
std::vector<FoodRecord> DecodeRows(const QByteArray& data);

// How a read ended. Rejected: the structural checks failed and no reader was started. The reader
// was stopped when it used up its processor time (OutOfProcessorTime), was still running at the
// deadline (PastDeadline) or sent more than MaxStreamBytes (SentTooMuch); Crashed: another signal
// ended it.
enum class ChildEnd {
    Rejected,
    NotStarted,
    Finished,
    Failed,
    Crashed,
    OutOfProcessorTime,
    PastDeadline,
    SentTooMuch
};

// The reader at work on one file, taken in by the event loop: no checks, no decoding. Ends with
// ended, always from the event loop, never from the constructor, and never waits for the reader
// to be gone: one stuck in I/O is reaped whenever it dies.
class ReaderProcess final : public QObject {
    Q_OBJECT

  public:
    ReaderProcess(const QString& program, const QString& path, std::chrono::milliseconds deadline,
                  QObject* parent = nullptr);
    ~ReaderProcess() override;

    // What the reader sent before it ended or was stopped.
    const QByteArray& Data() const { return m_data; }

  Q_SIGNALS:
    void ended(food_reader::ChildEnd end);

  private:
    void Drain();
    void Finish(ChildEnd end);

    QByteArray m_data;
    int m_fd = -1;
    ProcessHandle* m_reader = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_deadline = nullptr;
    bool m_ended = false;
};

struct IsolatedRead {
    QByteArray data;
    ChildEnd end = ChildEnd::NotStarted;
};

// Runs the reader on path and waits for it, in a local event loop.
IsolatedRead ReadRowsIsolated(const QString& path, std::chrono::milliseconds deadline,
                              const QString& program = ReaderProgram());

// The whole load behind 自定义方法::LoadFoodTable: checks, reader, decoding into slots 1, 2, ...
// of table. The table fills in when the reader has ended, then finished follows.
class FoodLoad final : public QObject {
    Q_OBJECT

  public:
    // Returns at once; deletes itself after finished.
    static FoodLoad* Start(const QString& path, FoodSlots& table,
                           const QString& program = ReaderProgram(),
                           std::chrono::milliseconds deadline = ReadDeadline);
    // The load running into table, or null.
    static FoodLoad* Filling(const FoodSlots& table);

  Q_SIGNALS:
    void finished(food_reader::ChildEnd end);

  private:
    FoodLoad(const QString& path, FoodSlots& table);
    ~FoodLoad() override;
    void Finish(ChildEnd end, const QByteArray& data);

    QString m_path;
    FoodSlots& m_table;
};

// Start, waited for in a local event loop. Returns how the read ended, for tests.
ChildEnd Load(const QString& path, FoodSlots& table, const QString& program = ReaderProgram(),
              std::chrono::milliseconds deadline = ReadDeadline);

} // namespace food_reader
