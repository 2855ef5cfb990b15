#pragma once
// The parts of reading the food database, split where a process boundary sits between them:
// the program checks the file's structure, a child process runs the libmdb read and sends the
// rows over a pipe, and the program decodes and validates what arrives. The child side uses no
// Qt; a platform without fork replaces only ReadRowsIsolated.

#include "calorie/core/food_table.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace food_reader {

inline constexpr int MaxRows = FoodSlots::Last;
// libmdb's text buffers are set to this size. It holds any Text value (255 characters, at most
// 765 bytes of UTF-8; longer memo text is cut), and libmdb allocates one for every value it
// converts.
inline constexpr int MaxFieldBytes = 1024;
inline constexpr int PageSize = 4096;

// One row's FoodName, FoodOtherName, FoodHot and FoodQuantity in UTF-8; a field is empty when its
// value is NULL, its column is missing or its type cannot be shown as text.
using RawRow = std::array<std::string, 4>;

// Rejects what cannot be a Jet 4 database with a readable catalog, reading only a few pages:
// the size, the header, and the catalog's table definition and usage map.
bool PassesStructuralChecks(const QString& path);

// Reads table FoodData with libmdb, unsorted, in the file's row order, and hands each of the
// first MaxRows rows to sink. False when the file cannot be opened as a database with that table.
// Uses no Qt, so that it can run in a child process forked from the program.
bool ReadRows(const char* path, const std::function<void(const RawRow&)>& sink);

// The wire format from the reader process: each row as four (u32 little-endian length, bytes).
void AppendRow(std::string& out, const RawRow& row);
inline constexpr int MaxStreamBytes = MaxRows * 4 * (4 + MaxFieldBytes);

// The rows that arrived whole and valid (bounded lengths, valid UTF-8), in order, at most MaxRows;
// decoding stops at the first flaw.
std::vector<FoodRecord> DecodeRows(const QByteArray& data);

// How a read ended. Rejected: the structural checks failed and no child was started. Killed: the
// child used up its processor time, was stopped at the deadline or for sending more than
// MaxStreamBytes.
enum class ChildEnd { Rejected, NotStarted, Finished, Failed, Crashed, Killed };

struct IsolatedRead {
    QByteArray data; // what the child sent before it ended or was stopped
    ChildEnd end = ChildEnd::NotStarted;
};

// Runs ReadRows(path) in a child process with a bounded address space and one second of processor
// time; kills it at the deadline, which only a child that hangs without working meets.
IsolatedRead ReadRowsIsolated(const QString& path, std::chrono::milliseconds deadline);

// The whole load behind 自定义方法::LoadFoodTable: checks, isolated read, decoding into slots
// 1, 2, ... of table. Returns how the read ended, for tests; the program ignores it.
ChildEnd Load(const QString& path, FoodSlots& table);

} // namespace food_reader
