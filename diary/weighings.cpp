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

bool DiaryWeighings::Put(const WeighingChange& change, bool& outdated) {
    QSqlQuery query(Room::Database(m_store));
    for (const WeighingEdit& edit : change) {
        // The day as the log last read it, or another program's weighing would be replaced (or,
        // by an undo, deleted) without the question.
        query.prepare("SELECT typeof(kg) IN ('real', 'integer'), kg FROM weighings WHERE day = ?");
        query.addBindValue(DayText(edit.day));
        if (!Room::Run(m_store, query))
            return false;
        const bool found = query.next();
        const bool same = found ? edit.before && query.value(0).toBool() &&
                                      query.value(1).toDouble() == *edit.before
                                : !edit.before;
        query.finish();
        if (!same) {
            outdated = true;
            return Room::Refuse(m_store, QStringLiteral("另一个程序在此期间记录了 %1 的体重")
                                             .arg(方法_体重记录::ChineseDate(edit.day)));
        }
        if (!edit.after)
            query.prepare("DELETE FROM weighings WHERE day = ?");
        else if (found)
            query.prepare("UPDATE weighings SET kg = ? WHERE day = ?");
        else
            query.prepare("INSERT INTO weighings(kg, day) VALUES(?, ?)");
        if (edit.after)
            query.addBindValue(*edit.after);
        query.addBindValue(DayText(edit.day));
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
