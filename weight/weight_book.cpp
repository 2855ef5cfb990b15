#include "weight/weight_book.h"

#include "diary/diary_store.h"

using 方法_卡路里计算器::DiaryStore;
using 方法_卡路里计算器::DiaryWeighings;

namespace 方法_体重记录 {

DiaryWeightBook::DiaryWeightBook(const QString& path)
    : m_store(std::make_unique<DiaryStore>(path)) {
    m_store->WaitWithEventsRunning();
    const DiaryStore::State state = m_store->Open();
    if (state == DiaryStore::State::Open)
        m_openingProblem = m_store->UnreadableNotice();
    else if (state != DiaryStore::State::Missing) {
        m_inMemory = true;
        m_openingProblem = m_store->Problem();
    }
}

DiaryWeightBook::~DiaryWeightBook() = default;

bool DiaryWeightBook::Writing() const {
    return m_store->Writing();
}

QList<Weighing> DiaryWeightBook::Weighings() const {
    return m_store->Weighings().All();
}

std::optional<double> DiaryWeightBook::Goal() const {
    return m_store->Weighings().Goal();
}

bool DiaryWeightBook::Ready() {
    if (m_store->IsOpen() || m_store->Create() == DiaryStore::State::Open)
        return true;
    // As the store's message says: from now on the log keeps its weighings in memory.
    m_inMemory = true;
    m_notice = m_store->Problem();
    return false;
}

bool DiaryWeightBook::Keep(const WeighingChange& change) {
    m_outdated = false;
    if (m_inMemory || !Ready())
        return true;
    const DiaryWeighings::Kept kept = m_store->Weighings().Keep(change);
    m_outdated = kept == DiaryWeighings::Kept::Outdated;
    return kept == DiaryWeighings::Kept::Yes;
}

bool DiaryWeightBook::KeepGoal(std::optional<double> goal) {
    if (m_inMemory)
        return true;
    if (!goal && !m_store->IsOpen())
        return true; // nothing kept, nothing to remove
    if (!Ready())
        return true;
    return m_store->Weighings().KeepGoal(goal);
}

QString DiaryWeightBook::Problem() const {
    return m_store->Problem();
}

std::optional<QList<DayKcal>> DiaryWeightBook::DailyIntake() const {
    if (!m_store->IsOpen() || !m_store->Settings().DiaryOn())
        return std::nullopt;
    return m_store->Days().DailyIntake();
}

QString DiaryWeightBook::TakeNotice() {
    return std::exchange(m_notice, {});
}

std::optional<double> LatestWeight(const QString& path) {
    DiaryStore store(path);
    if (store.Open() != DiaryStore::State::Open)
        return std::nullopt;
    const QList<Weighing> weighings = store.Weighings().All();
    return weighings.isEmpty() ? std::nullopt : std::optional(weighings.constLast().kg);
}

} // namespace 方法_体重记录
