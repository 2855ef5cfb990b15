// Keeps adding to the diary at the given path until it is killed, printing the id of each entry
// as soon as its change is committed: the crash test kills it at random moments.
// With --hold MS it instead holds the diary's write lock for MS milliseconds, as another program
// in the middle of a long write, saying "locked" once it has it.

#include "diary/diary_store.h"
#include "diary/room.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QThread>
#include <cstdio>

using namespace 方法_卡路里计算器;

namespace {

int Hold(const QString& path, int ms) {
    DiaryStore store(path);
    if (store.Open() != DiaryStore::State::Open)
        return 1;
    QSqlQuery query(Room::Database(store));
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(ms));
    query.exec(QStringLiteral("ROLLBACK"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0)
        return Hold(QString::fromLocal8Bit(argv[3]), QByteArray(argv[2]).toInt());
    if (argc != 2)
        return 2;
    DiaryStore store(QString::fromLocal8Bit(argv[1]));
    if (store.Create() != DiaryStore::State::Open)
        return 1;
    for (int i = 0;; ++i) {
        // Two entries in one change: both are kept or neither.
        const FoodEntry food{0, QStringLiteral("苹果"), 52, 100, 100 + i, 52, {}, 0};
        Change change{{Edit::Insert, i % MealCount, 0, {}, food},
                      {Edit::Insert, (i + 1) % MealCount, 0, {}, food}};
        if (!store.Days().Apply(QDate(2024, 1, 1).addDays(i % 400), change))
            return 1;
        std::printf("%lld\n%lld\n", static_cast<long long>(change[0].after.id),
                    static_cast<long long>(change[1].after.id));
        std::fflush(stdout);
    }
}
