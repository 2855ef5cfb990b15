#pragma once
// The food table: the in-memory copy of the food database Data/FoodData.mdb beside the executable,
// filled once at start-up by 自定义方法::LoadFoodTable() and only read afterwards.
//
// A damaged database must never take the program down, and libmdb can crash or hang on one before
// any check of ours can run. So loading goes: cheap checks of the file's structure → libmdb reads
// table FoodData in a reader process of its own that is killed after a deadline → the rows come
// back over a pipe, are validated and fill slots 1, 2, ... in the file's row order. Nothing waits
// for the reader: the table fills in when it has ended. Every failure is silent and keeps what was
// stored before it.

#include <QString>

#include <functional>

#include <array>
#include <cstddef>

struct FoodRecord {
    QString FoodName;
    QString FoodOtherName;
    QString FoodHot;      // kilocalories of the quantity, as text: "52", "12.5"
    QString FoodQuantity; // grams, as text
};

// Exactly 200 food slots numbered 1 to 200, every field empty until loaded.
class FoodSlots {
  public:
    static constexpr int First = 1;
    static constexpr int Last = 200;

    // Slot i for 1 <= i <= 200; any other i throws std::out_of_range.
    const FoodRecord& Slot(int i) const { return slots_.at(Index(i)); }
    FoodRecord& Slot(int i) { return slots_.at(Index(i)); }

  private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i) - 1; }
    std::array<FoodRecord, Last> slots_;
};

// The process-wide food table; only 自定义方法::LoadFoodTable() writes it.
namespace 自定义变量 {
extern const FoodSlots& FoodTable;
}

// Starts filling 自定义变量::FoodTable from Data/FoodData.mdb in the executable's folder and
// returns at once; the table fills in from the event loop. Reports nothing.
namespace 自定义方法 {
void LoadFoodTable();
}

// The same for the database at path, into table, waiting for the end: slot i gets the i-th row,
// rows past 200 are ignored, slots without a row are left as they were.
namespace 自定义方法 {
void LoadFoodTable(const QString& path, FoodSlots& table);
}

class QObject;

// While a load into table is running: calls then once the table has filled in (or the load has
// failed), unless context is gone by then, and returns true. Otherwise does nothing: false.
bool WhenFoodsArrive(const FoodSlots& table, QObject* context, std::function<void()> then);
