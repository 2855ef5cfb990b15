#pragma once
// The reader process's side of reading the food database: libmdb reads table FoodData and each
// row goes out as bytes. Plain C++ and libmdb, no Qt: it runs in the small reader executable,
// korvella-food-reader, which the program starts beside itself.

#include <array>
#include <functional>
#include <string>

namespace food_reader {

inline constexpr int MaxRows = 200;
// libmdb's text buffers are set to this size. It holds any Text value (255 characters, at most
// 765 bytes of UTF-8; longer memo text is cut), and libmdb allocates one for every value it
// converts.
inline constexpr int MaxFieldBytes = 1024;
inline constexpr int PageSize = 4096;
inline constexpr int MinUsageMapBytes = 5; // a table's usage map: its type and first page

// One row's FoodName, FoodOtherName, FoodHot and FoodQuantity in UTF-8; a field is empty when its
// value is NULL, its column is missing or its type cannot be shown as text.
using RawRow = std::array<std::string, 4>;

// Reads table FoodData with libmdb, unsorted, in the file's row order, and hands each of the
// first MaxRows rows to sink. False when the file cannot be opened as a database with that table.
bool ReadRows(const char* path, const std::function<void(const RawRow&)>& sink);

// The wire format from the reader process: each row as four (u32 little-endian length, bytes).
void AppendRow(std::string& out, const RawRow& row);
inline constexpr int MaxStreamBytes = MaxRows * 4 * (4 + MaxFieldBytes);

} // namespace food_reader
