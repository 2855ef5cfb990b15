// Keeps adding to the diary at the given path until it is killed, printing the id of each entry
// as soon as its change is committed: the crash test kills it at random moments.

#include "diary/diary_store.h"

#include <QCoreApplication>
#include <cstdio>

using namespace 方法_卡路里计算器;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    DiaryStore store(QString::fromLocal8Bit(argv[1]));
    if (store.Create() != DiaryStore::State::Open)
        return 1;
    for (int i = 0;; ++i) {
        // Two entries in one change: both are kept or neither.
        const FoodEntry food{0, QStringLiteral("苹果"), 52, 100, 100 + i, 52};
        Change change{{Edit::Insert, i % MealCount, 0, {}, food},
                      {Edit::Insert, (i + 1) % MealCount, 0, {}, food}};
        if (!store.Days().Apply(QDate(2024, 1, 1).addDays(i % 400), change))
            return 1;
        std::printf("%lld\n%lld\n", static_cast<long long>(change[0].after.id),
                    static_cast<long long>(change[1].after.id));
        std::fflush(stdout);
    }
}
