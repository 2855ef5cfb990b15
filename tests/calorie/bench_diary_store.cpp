// Reports how fast the diary is with five years kept (1,826 days of 15 entries): opening it (with
// its quick check), reading a day, keeping one added entry (synchronous=FULL: a sync per change),
// exporting it all, and importing 100,000 rows into an empty diary. Medians of repeated runs; it
// measures, it does not judge:
//   build/tests/bench_diary_store [FOLDER]
// The diaries are made in a temporary folder inside FOLDER (the program's own by default), so
// that the disk measured is the one named.

#include "calorie/core/diary_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace 方法_卡路里计算器;

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of each of count runs of work.
template <typename Work> std::vector<double> Times(int count, Work work) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return times;
}

QByteArray Days(int days, int perDay) {
    QByteArray csv = "日期,餐次,食物,重量（克）,热量（大卡）\r\n";
    for (int day = 0; day < days; ++day) {
        const QByteArray date = QDate(2020, 1, 1).addDays(day).toString(Qt::ISODate).toUtf8();
        for (int i = 0; i < perDay; ++i)
            csv += date + ',' + Meals[i % MealCount].toUtf8() + ",米饭," +
                   QByteArray::number(100 + i) + ',' + QByteArray::number(116 + i) + "\r\n";
    }
    return csv;
}

void Report(const char* what, const std::vector<double>& times) {
    std::printf("%-40s median %8.3f ms  max %8.3f ms  (%zu runs)\n", what, Median(times),
                *std::max_element(times.begin(), times.end()), times.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir((argc > 1 ? QString::fromLocal8Bit(argv[1]) : app.applicationDirPath()) +
                      "/bench-diary-XXXXXX");
    const QString path = dir.filePath("diary.sqlite");
    {
        DiaryStore store(path);
        store.Create();
        const QByteArray csv = Days(1826, 15);
        Report("import 1,826 days x 15 (27,390 rows)",
               Times(1, [&](int) { store.ImportCsv(csv); }));
    }
    Report("Open (with the quick check)", Times(10, [&](int) { DiaryStore(path).Open(); }));
    DiaryStore store(path);
    store.Open();
    const QList<QDate> days = store.DaysWithEntries();
    std::printf("days kept: %lld\n", static_cast<long long>(days.size()));
    Report("Day(d)", Times(500, [&](int i) { store.Day(days[(i * 7919) % days.size()]); }));
    Report("Apply one insert", Times(200, [&](int i) {
               Change change{{Edit::Insert, i % MealCount, 0, {}, {0, "苹果", 52, 100, 100, 52}}};
               store.Apply(days[i], change);
           }));
    Report("ExportCsv", Times(3, [&](int) { store.ExportCsv(); }));

    DiaryStore empty(dir.filePath("empty.sqlite"));
    empty.Create();
    const QByteArray big = Days(6667, 15);
    Report("import 100,005 rows into an empty diary", Times(1, [&](int) {
               const ImportReport report = empty.ImportCsv(big);
               if (report.failed || report.entriesAdded != 100005)
                   std::printf("import failed: %s\n", qPrintable(report.failure));
           }));
    return 0;
}
