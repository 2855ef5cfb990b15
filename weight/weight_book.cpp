#include "weight/weight_book.h"

#include "diary/diary_store.h"
#include "frame/core/numbers.h"

#include <QSqlQuery>
#include <QVariant>

using 方法_卡路里计算器::DiaryStore;

namespace 方法_体重记录 {

namespace {

const QString GoalKey = QStringLiteral("goal_kg");

QList<Weighing> Read(const DiaryStore& store, const QString& sql) {
    QList<Weighing> weighings;
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return weighings;
    while (query.next())
        weighings.append(
            {QDate::fromString(query.value(0).toString(), Qt::ISODate), query.value(1).toDouble()});
    return weighings;
}

} // namespace

DiaryBook::DiaryBook(const QString& path) : m_store(std::make_unique<DiaryStore>(path)) {
    const DiaryStore::State state = m_store->Open();
    if (state != DiaryStore::State::Open && state != DiaryStore::State::Missing) {
        m_inMemory = true;
        m_openingProblem = m_store->Problem();
    }
}

DiaryBook::~DiaryBook() = default;

QList<Weighing> DiaryBook::Weighings() const {
    if (!m_store->IsOpen())
        return {};
    return Read(*m_store, QStringLiteral("SELECT day, kg FROM weighings ORDER BY day"));
}

std::optional<double> DiaryBook::Goal() const {
    if (!m_store->IsOpen())
        return std::nullopt;
    bool ok = false;
    const double kg = m_store->Setting(GoalKey).toDouble(&ok);
    return ok ? std::optional(kg) : std::nullopt;
}

bool DiaryBook::Ready() {
    if (m_store->IsOpen())
        return true;
    return m_store->Create() == DiaryStore::State::Open;
}

bool DiaryBook::Keep(const WeighingChange& change) {
    if (m_inMemory)
        return true;
    if (!Ready())
        return false;
    DiaryStore& store = *m_store;
    return store.Write([&store, &change](QSqlDatabase& db) {
        QSqlQuery put(db);
        QSqlQuery remove(db);
        put.prepare(QStringLiteral("INSERT OR REPLACE INTO weighings (day, kg) VALUES (?, ?)"));
        remove.prepare(QStringLiteral("DELETE FROM weighings WHERE day = ?"));
        for (const WeighingEdit& edit : change) {
            QSqlQuery& query = edit.after ? put : remove;
            query.bindValue(0, edit.day.toString(Qt::ISODate));
            if (edit.after)
                query.bindValue(1, *edit.after);
            if (!store.Run(query))
                return false;
        }
        return true;
    });
}

bool DiaryBook::KeepGoal(std::optional<double> goal) {
    if (m_inMemory)
        return true;
    if (!goal && !m_store->IsOpen())
        return true; // nothing kept, nothing to remove
    if (!Ready())
        return false;
    return m_store->SetSetting(GoalKey, goal ? FormatNumber(*goal) : QString());
}

QString DiaryBook::Problem() const {
    return m_store->Problem();
}

std::optional<QList<DayKcal>> DiaryBook::Intake() const {
    if (!m_store->IsOpen() || !m_store->DiaryOn())
        return std::nullopt;
    QList<DayKcal> days;
    const QString sum =
        QStringLiteral("SELECT day, SUM(kcal) FROM entries GROUP BY day ORDER BY day");
    for (const Weighing& day : Read(*m_store, sum))
        days.append({day.day, day.kg});
    return days;
}

std::optional<double> LatestWeight(const QString& path) {
    DiaryStore store(path);
    if (store.Open() != DiaryStore::State::Open)
        return std::nullopt;
    const QList<Weighing> latest =
        Read(store, QStringLiteral("SELECT day, kg FROM weighings ORDER BY day DESC LIMIT 1"));
    return latest.isEmpty() ? std::nullopt : std::optional(latest.constFirst().kg);
}

} // namespace 方法_体重记录
