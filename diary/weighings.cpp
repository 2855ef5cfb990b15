#include "diary/weighings.h"

#include "diary/room.h"
#include "frame/core/numbers.h"

namespace 方法_卡路里计算器 {

using 方法_体重记录::Weighing;
using 方法_体重记录::WeighingChange;
using 方法_体重记录::WeighingEdit;

QList<Weighing> DiaryWeighings::All() const {
    QList<Weighing> weighings;
    if (!m_store.IsOpen())
        return weighings;
    const QDate today = QDate::currentDate();
    QSqlQuery query(Room::Database(m_store));
    query.setForwardOnly(true);
    query.prepare("SELECT day, kg FROM weighings WHERE " + WeighingRule() +
                  " AND day <= ? ORDER BY day");
    query.addBindValue(DayText(today));
    if (!query.exec())
        return weighings;
    while (query.next()) {
        const Weighing weighing{QDate::fromString(query.value(0).toString(), Qt::ISODate),
                                query.value(1).toDouble()};
        if (IsSoundWeighing(weighing, today))
            weighings.append(weighing);
    }
    return weighings;
}

std::optional<double> DiaryWeighings::Goal() const {
    if (!m_store.IsOpen())
        return std::nullopt;
    return GoalFrom(SettingIn(m_store, GoalKey));
}

DiaryWeighings::Kept DiaryWeighings::Keep(const WeighingChange& change) {
    bool outdated = false;
    if (Room::Write(m_store, [&](QSqlDatabase&) { return Put(change, outdated); }))
        return Kept::Yes;
    return outdated ? Kept::Outdated : Kept::Failed;
}

bool DiaryWeighings::Put(const WeighingChange& change, bool&) {
    QSqlQuery put(Room::Database(m_store));
    QSqlQuery remove(Room::Database(m_store));
    put.prepare(QStringLiteral("INSERT OR REPLACE INTO weighings (day, kg) VALUES (?, ?)"));
    remove.prepare(QStringLiteral("DELETE FROM weighings WHERE day = ?"));
    for (const WeighingEdit& edit : change) {
        QSqlQuery& query = edit.after ? put : remove;
        query.bindValue(0, DayText(edit.day));
        if (edit.after)
            query.bindValue(1, *edit.after);
        if (!Room::Run(m_store, query))
            return false;
    }
    return true;
}

bool DiaryWeighings::KeepGoal(std::optional<double> goal) {
    return Room::Write(m_store, [&](QSqlDatabase&) { return PutGoal(goal); });
}

bool DiaryWeighings::PutGoal(std::optional<double> goal) {
    // A goal that cannot be read was never shown: it is not replaced unseen.
    const QString kept = SettingIn(m_store, GoalKey);
    if (!kept.isEmpty() && !GoalFrom(kept))
        return Room::Refuse(m_store, QStringLiteral("日记中的目标体重无法读取"));
    return PutSetting(m_store, GoalKey, goal ? FormatNumber(*goal) : QString());
}

} // namespace 方法_卡路里计算器
